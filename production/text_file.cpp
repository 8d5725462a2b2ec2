#include "production/text_file.h"

#include <cstdio>
#include <cstring>
#include <memory>

bool ReadTextFile(const char* fileName, std::string& text) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(fileName, "rb"), std::fclose);
    if (!file) return false;
    std::fseek(file.get(), 0, SEEK_END);
    const long size = std::ftell(file.get());
    std::fseek(file.get(), 0, SEEK_SET);
    text.clear();
    if (size < 0) return false;
    char chunk[1024];
    long total = 0;
    while (total < size) {
        const size_t read = std::fread(chunk, 1, sizeof chunk - 1, file.get());
        if (read == 0) return false;
        chunk[read] = '\0';
        text.append(chunk, std::strlen(chunk));
        total += static_cast<long>(read);
    }
    return true;
}
