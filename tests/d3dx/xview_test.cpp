// The xview tool as a mesh author runs it: the summary line, the rendered picture, exit codes.
#include "image_files.h"

#include "platform/d3dx/image.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <sys/wait.h>

namespace {

struct ToolRun {
    int status;
    std::string out;
};

ToolRun Xview(const std::string& args) {
    const std::string command = std::string(XVIEW_PATH) + " " + args + " 2>&1";
    ToolRun r{-1, {}};
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return r;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe)) r.out += buffer;
    const int raw = ::pclose(pipe);
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return r;
}

// A pyramid: square base (two triangles) and four sides, the sides textured. Each base
// corner meets three faces of different normals and the apex four: 16 vertices.
const char* const kPyramid = R"(xof 0303txt 0032
Mesh Pyramid {
 5; -1;0;-1;, 1;0;-1;, 1;0;1;, -1;0;1;, 0;1.5;0;;
 5; 4;0,1,2,3;, 3;0,4,1;, 3;1,4,2;, 3;2,4,3;, 3;3,4,0;;
 MeshMaterialList { 2; 5; 0,1,1,1,1;;
  Material { 0.8;0.2;0.2;1;; 0; 0;0;0;; 0;0;0;; }
  Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; TextureFilename { "stripes.png"; } } }
 MeshTextureCoords { 5; 0;0;, 1;0;, 1;1;, 0;1;, 0.5;0.5;; }
 MeshNormals { 5; 0;-1;0;, 0;0.5;-1;, 1;0.5;0;, 0;0.5;1;, -1;0.5;0;;
  5; 4;0,0,0,0;, 3;1,1,1;, 3;2,2,2;, 3;3,3,3;, 3;4,4,4;; }
}
)";

}  // namespace

TEST(Xview, SummaryLineAndPicture) {
    std::vector<DWORD> stripes(16 * 16);
    for (size_t i = 0; i < stripes.size(); ++i) stripes[i] = (i / 2) % 2 ? 0xffffff00 : 0xff0000ff;
    testimg::WriteTempFile("stripes.png", testimg::MakePng(16, 16, stripes, false));
    const std::string x = testimg::WriteTempFile("pyramid.x", testimg::Bytes(kPyramid, kPyramid + std::strlen(kPyramid)));
    const std::string png = x.substr(0, x.rfind('/') + 1) + "pyramid_view.png";

    const ToolRun info = Xview(x);
    EXPECT_EQ(info.status, 0) << info.out;
    EXPECT_EQ(info.out, x + ": 16 vertices, 6 faces, 2 subsets, 2 materials, 1 textures (0 missing)\n");

    const ToolRun render = Xview(x + " --out " + png + " --size 96x64 --angle 45");
    ASSERT_EQ(render.status, 0) << render.out;
    std::vector<BYTE> bytes;
    ASSERT_TRUE(d3dx::ReadWholeFile(png.c_str(), &bytes));
    d3dx::Image img;
    ASSERT_EQ(d3dx::DecodeImage(bytes.data(), bytes.size(), &img), S_OK);
    EXPECT_EQ(img.width, 96u);
    EXPECT_EQ(img.height, 64u);
    const DWORD background = img.at(0, 0);
    EXPECT_NE(img.at(48, 32), background) << "the mesh covers the middle of the picture";
    size_t covered = 0;
    for (DWORD p : img.pixels) covered += p != background;
    EXPECT_GT(covered, img.pixels.size() / 10) << "the camera frames the mesh";
}

TEST(Xview, MissingTexturesAreCountedNotFatal) {
    std::string text = kPyramid;
    text.replace(text.find("stripes.png"), 11, "gone.png");
    const std::string x = testimg::WriteTempFile("gone.x", testimg::Bytes(text.begin(), text.end()));
    const ToolRun r = Xview(x);
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("1 textures (1 missing)"), std::string::npos) << r.out;
}

TEST(Xview, BrokenFilesAndBadArgumentsFail) {
    const std::string bin = testimg::WriteTempFile("bin.x", {'x', 'o', 'f', ' ', '0', '3', '0', '3', 'b', 'i', 'n',
                                                             ' ', '0', '0', '3', '2', 0, 0, 0});
    ToolRun r = Xview(bin);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("cannot load"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("binary"), std::string::npos) << r.out;
    r = Xview("/nonexistent/mesh.x");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(Xview("").status, 2);
    EXPECT_EQ(Xview(bin + " --size 0x5").status, 2);
    EXPECT_EQ(Xview(bin + " --bogus").status, 2);
}
