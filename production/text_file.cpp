#include "production/text_file.h"

#include "platform/win32/data_file.h"

#include <cstring>

bool ReadTextFile(const char* fileName, std::string& text, std::string* reason) {
    platform::DataFile file;
    if (!file.Open(fileName, reason)) return false;
    text.clear();
    char chunk[1024];
    std::uint64_t total = 0;
    while (total < file.Size()) {
        const long read = file.Read(chunk, sizeof chunk - 1);
        if (read <= 0) {
            if (reason) *reason = "shorter than expected";
            return false;
        }
        chunk[read] = '\0';
        text.append(chunk, std::strlen(chunk));
        total += static_cast<std::uint64_t>(read);
    }
    return true;
}
