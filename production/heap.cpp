// The program's allocator is jemalloc (linked in production/CMakeLists.txt), told here to
// back its memory with transparent huge pages. Starting up allocates about 230 MB in many
// small pieces (the decoded music, a hundred textures and their levels, the meshes'
// tokens): with 4 KB pages each first touch of a page is a fault of its own, some 50 000 in
// all, and on a virtual machine they took half of the start-up time.
extern "C" {
const char* malloc_conf = "thp:always,metadata_thp:auto";
}
