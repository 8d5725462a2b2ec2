# GDI text on FreeType and fontconfig (included from this folder's CMakeLists.txt).
find_package(Freetype REQUIRED)
find_package(Fontconfig REQUIRED)
target_sources(win32 PRIVATE ${CMAKE_CURRENT_LIST_DIR}/gdi.cpp)
target_link_libraries(win32 PRIVATE Freetype::Freetype Fontconfig::Fontconfig)
