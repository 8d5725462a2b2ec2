// Reading a whole script file into text.
#pragma once

#include <string>

// Reads the data file (platform/win32/data_file.h) as raw bytes in chunks of up to 1023 bytes,
// each appended as a zero-terminated string (so a chunk ends at an embedded NUL byte). Returns
// false, leaving `text` as it was, when the file cannot be opened (a FIFO, a folder or a file
// over the data size limit is not opened); false also when a read ends before the file's size.
// `reason`, when given, says why it failed.
bool ReadTextFile(const char* fileName, std::string& text, std::string* reason = nullptr);
