#include "production/text_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

std::string WriteTemp(const std::string& bytes) {
    char name[] = "/tmp/morvelt_text_XXXXXX";
    const int fd = mkstemp(name);
    std::FILE* file = fdopen(fd, "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
    return name;
}

}  // namespace

TEST(ReadTextFile, ReadsLongFilesWhole) {
    std::string content;
    for (int i = 0; i < 500; ++i) content += "Line of a particle script " + std::to_string(i) + "\r\n";
    const std::string path = WriteTemp(content);
    std::string text = "old";
    EXPECT_TRUE(ReadTextFile(path.c_str(), text));
    EXPECT_EQ(text, content);  // raw bytes, no newline translation
    std::remove(path.c_str());
}

TEST(ReadTextFile, MissingFileLeavesTextAlone) {
    std::string text = "kept";
    EXPECT_FALSE(ReadTextFile("/nonexistent/morvelt/script.dps", text));
    EXPECT_EQ(text, "kept");
}

TEST(ReadTextFile, EmptyFileGivesEmptyText) {
    const std::string path = WriteTemp("");
    std::string text = "old";
    EXPECT_TRUE(ReadTextFile(path.c_str(), text));
    EXPECT_EQ(text, "");
    std::remove(path.c_str());
}

TEST(ReadTextFile, ChunkEndsAtAnEmbeddedNul) {
    const std::string path = WriteTemp(std::string("abc\0def", 7));
    std::string text;
    EXPECT_TRUE(ReadTextFile(path.c_str(), text));
    EXPECT_EQ(text, "abc");
    std::remove(path.c_str());
}
