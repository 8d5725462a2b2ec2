# GDI text on FreeType and fontconfig (included from this folder's CMakeLists.txt).
find_package(Freetype REQUIRED)
find_package(Fontconfig REQUIRED)
target_sources(platform PRIVATE ${CMAKE_CURRENT_LIST_DIR}/gdi.cpp)
target_link_libraries(platform PRIVATE Freetype::Freetype Fontconfig::Fontconfig)
