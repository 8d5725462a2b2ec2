#include "platform/win32/data_file.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

class DataFileTest : public testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/morvelt_data_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }

    std::string Write(const char* name, const std::string& bytes) {
        const std::string path = dir_ + "/" + name;
        std::FILE* f = std::fopen(path.c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
        return path;
    }
    // A file of `size` bytes that takes no room on disk.
    std::string Sparse(const char* name, std::uint64_t size) {
        const std::string path = dir_ + "/" + name;
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT, 0644);
        EXPECT_EQ(::ftruncate(fd, static_cast<off_t>(size)), 0);
        ::close(fd);
        return path;
    }

    std::string dir_;
};

}  // namespace

TEST_F(DataFileTest, RegularFilesAreReadWholeOrInPart) {
    const std::string path = Write("script.dps", std::string("Particle\0System", 15));
    std::vector<std::uint8_t> bytes;
    std::string reason;
    ASSERT_TRUE(platform::ReadDataFile(path.c_str(), &bytes, &reason));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), std::string("Particle\0System", 15));

    platform::DataFile file;
    ASSERT_TRUE(file.Open(path.c_str(), &reason));
    EXPECT_EQ(file.Size(), 15u);
    ASSERT_TRUE(file.ReadAt(9, 6, &bytes, &reason));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "System");
    EXPECT_FALSE(file.ReadAt(9, 7, &bytes, &reason));  // beyond the end: nothing changes
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "System");
    char chunk[8];
    EXPECT_EQ(file.Read(chunk, sizeof chunk), 8);

    const std::string empty = Write("empty.dps", "");
    EXPECT_TRUE(platform::ReadDataFile(empty.c_str(), &bytes, &reason));
    EXPECT_TRUE(bytes.empty());
}

TEST_F(DataFileTest, WhatIsNoDataFileIsRefusedWithoutWaitingAndLeavesTheBytesAlone) {
    const std::string fifo = dir_ + "/demo.mp3";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);  // opening it to read would wait for a writer
    const struct {
        std::string path;
        const char* reason;
    } refused[] = {
        {fifo, "not a regular file"},
        {"/dev/zero", "not a regular file"},
        {dir_, "a folder, not a file"},
        {dir_ + "/missing.x", "No such file or directory"},
        {"", "no file name"},
    };
    for (const auto& entry : refused) {
        std::vector<std::uint8_t> bytes = {7};
        std::string reason;
        EXPECT_FALSE(platform::ReadDataFile(entry.path.c_str(), &bytes, &reason)) << entry.path;
        EXPECT_EQ(reason, entry.reason) << entry.path;
        EXPECT_EQ(bytes, std::vector<std::uint8_t>{7}) << entry.path;
    }
    EXPECT_FALSE(platform::DataFile().Open(nullptr, nullptr));
}

TEST_F(DataFileTest, FilesOverTheSizeLimitAreRefusedBeforeAnythingIsRead) {
    platform::DataFile file;
    std::string reason;
    const std::string atLimit = Sparse("limit.bmp", platform::kMaxDataFileBytes);
    EXPECT_TRUE(file.Open(atLimit.c_str(), &reason));
    EXPECT_EQ(file.Size(), platform::kMaxDataFileBytes);
    const std::string huge = Sparse("huge.bmp", std::uint64_t{500} << 20);
    EXPECT_FALSE(file.Open(huge.c_str(), &reason));
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(reason, "too large (500 MB; at most 64 MB)");
}
