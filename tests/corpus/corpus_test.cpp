// The fuzzers' findings, replayed through the real loaders on a REF device.
#include "platform/d3d8.h"
#include "platform/d3dx8.h"
#include "platform/win32.h"
#if MORVELT_CORPUS_PARTICLES
#include "particles/particle_emitter.h"
#endif
#include "tests/support/ref_device.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Files(const char* kind) {
    std::vector<std::string> files;
    const std::filesystem::path dir = std::filesystem::path(MORVELT_CORPUS_DIR) / kind;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        if (entry.is_regular_file() && entry.path().filename() != "README") files.push_back(entry.path().string());
    return files;
}

class Corpus : public ::testing::Test {
protected:
    void SetUp() override {
        platform::SetDebugOutputSink([](const char*) {});
        ASSERT_EQ(ref_.createResult(), D3D_OK);
    }
    void TearDown() override {
        EXPECT_EQ(ref_.Release(), 0u);
        platform::SetDebugOutputSink(nullptr);
    }
    test_support::RefDevice ref_{64, 64};
    IDirect3DDevice8* const device_ = ref_.get();
};

// A folder without findings has nothing to replay: the case says so instead of passing.
#define FINDINGS_OR_SKIP(files, kind)                                   \
    const std::vector<std::string> files = Files(kind);                 \
    if (files.empty()) GTEST_SKIP() << "no " kind " findings to replay"

TEST_F(Corpus, ImagesLoadOrFailCleanly) {
    FINDINGS_OR_SKIP(files, "image");
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        IDirect3DTexture8* texture = nullptr;
        const HRESULT hr = D3DXCreateTextureFromFileA(device_, file.c_str(), &texture);
        if (FAILED(hr)) {
            EXPECT_EQ(texture, nullptr);
        } else {
            ASSERT_NE(texture, nullptr);
            EXPECT_EQ(texture->Release(), 0u);
        }
    }
}

// A valid 18 KB PNG of 8192 x 8192 one-bit pixels: decoding it whole took 256 MiB of ARGB
// plus the texture, past the 512 MiB a fuzz input may use. Larger than 4096 x 4096 pixels
// is now refused before anything is allocated.
TEST_F(Corpus, PictureOfMoreThan4096By4096PixelsIsRefused) {
    const std::string file = std::string(MORVELT_CORPUS_DIR) + "/image/png_8192x8192_grey1.png";
    D3DXIMAGE_INFO info{};
    IDirect3DTexture8* texture = nullptr;
    EXPECT_EQ(D3DXCreateTextureFromFileExA(device_, file.c_str(), D3DX_DEFAULT, D3DX_DEFAULT, 1, 0, D3DFMT_UNKNOWN,
                                           D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, &info, nullptr, &texture),
              D3DXERR_INVALIDDATA);
    EXPECT_EQ(texture, nullptr);
    EXPECT_EQ(info.Width, 0u);
}

TEST_F(Corpus, MeshesLoadOrFailCleanly) {
    FINDINGS_OR_SKIP(files, "xfile");
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        ID3DXBuffer* adjacency = nullptr;
        ID3DXBuffer* materials = nullptr;
        DWORD count = 0;
        ID3DXMesh* mesh = nullptr;
        const HRESULT hr =
            D3DXLoadMeshFromX(file.c_str(), D3DXMESH_SYSTEMMEM, device_, &adjacency, &materials, &count, &mesh);
        if (FAILED(hr)) {
            EXPECT_EQ(mesh, nullptr);
            EXPECT_EQ(materials, nullptr);
        } else {
            ASSERT_NE(mesh, nullptr);
            EXPECT_EQ(mesh->Release(), 0u);
            if (adjacency) adjacency->Release();
            if (materials) materials->Release();
        }
    }
}

#if MORVELT_CORPUS_PARTICLES
TEST(CorpusScripts, CompileOrReportAnError) {
    FINDINGS_OR_SKIP(files, "dps");
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        std::ifstream in(file, std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        CParticleEmitter emitter;
        if (!emitter.Compile(text.c_str())) {
            EXPECT_FALSE(emitter.GetLastError().empty());
            EXPECT_TRUE(emitter.GetSequences().empty());
        }
    }
}
#endif

}  // namespace
