// Compiled with a library's include directories and one header named by PROBE_HEADER: the
// tests of this folder check which headers each library can and cannot reach.
#include PROBE_HEADER
