// Reading a whole script file into text.
#pragma once

#include <string>

// Reads the file as raw bytes in chunks of up to 1023 bytes, each appended as a zero-terminated
// string (so a chunk ends at an embedded NUL byte). Returns false, leaving `text` as it was,
// when the file cannot be opened; false also when a read ends before the file's size.
bool ReadTextFile(const char* fileName, std::string& text);
