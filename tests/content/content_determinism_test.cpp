// Generation is deterministic: running the generators again gives the same bytes as the
// build did.
#include "decode.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <dirent.h>
#include <string>

namespace {

std::vector<std::string> FilesBelow(const std::string& root, const std::string& rel = "")
{
    std::vector<std::string> out;
    DIR* d = opendir((root + "/" + rel).c_str());
    if (!d) return out;
    while (dirent* e = readdir(d)) {
        std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        std::string sub = rel.empty() ? name : rel + "/" + name;
        if (e->d_type == DT_DIR) {
            auto more = FilesBelow(root, sub);
            out.insert(out.end(), more.begin(), more.end());
        } else {
            out.push_back(sub);
        }
    }
    closedir(d);
    return out;
}

int Shell(const std::string& cmd) { return std::system((cmd + " > /dev/null").c_str()); }

TEST(ContentDeterminism, PicturesMeshesAndResourcesAreTheSameBytesOnASecondRun)
{
    const std::string scratch = std::string(MORVELT_SCRATCH_DIR) + "/contentgen";
    ASSERT_EQ(Shell("rm -rf '" + scratch + "'"), 0);
    ASSERT_EQ(Shell(std::string("'") + MORVELT_CONTENTGEN + "' '" + scratch + "'"), 0);
    std::vector<std::string> files = FilesBelow(scratch);
    EXPECT_GT(files.size(), 70u);
    for (const std::string& f : files)
        EXPECT_TRUE(ReadAll(scratch + "/" + f) == ReadAll(ContentDir() + "/" + f)) << f;
}

TEST(ContentDeterminism, MusicIsTheSameBytesOnASecondRun)
{
    const std::string out = std::string(MORVELT_SCRATCH_DIR) + "/demo.mp3";
    ASSERT_EQ(Shell("mkdir -p '" + std::string(MORVELT_SCRATCH_DIR) + "'"), 0);
    ASSERT_EQ(Shell(std::string("'") + MORVELT_MUSICGEN + "' '" + out + "'"), 0);
    std::vector<uint8_t> again = ReadAll(out), built = ReadAll(ContentDir() + "/data/demo.mp3");
    ASSERT_FALSE(built.empty());
    EXPECT_TRUE(again == built);
}

}  // namespace
