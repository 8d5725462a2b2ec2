// The generated files of the asset manifest through the production's own loaders, with the
// parameters of each load: textures into a REF device, meshes with their materials, particle scripts
// compiled and run.
#include "decode.h"

#include "particles/particle_emitter.h"
#include "platform/d3d8.h"
#include "platform/d3dx8.h"
#include "tests/support/ref_device.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>
#include <unistd.h>

namespace {

class ContentLoaders : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Names inside the files (mesh and script textures) are relative to the working folder.
        ASSERT_EQ(chdir(ContentDir().c_str()), 0);
        ASSERT_EQ(m_ref.createResult(), D3D_OK);
    }
    test_support::RefDevice m_ref{64, 64};
    IDirect3DDevice8* const m_device = m_ref.get();
};

UINT FullChain(UINT w, UINT h)
{
    UINT levels = 1;
    while (w > 1 || h > 1) {
        w = w > 1 ? w / 2 : 1;
        h = h > 1 ? h / 2 : 1;
        ++levels;
    }
    return levels;
}

TEST_F(ContentLoaders, RequiredMediaLoadLikeCreateTextureFromMedia)
{
    std::vector<assets::Asset> media(std::begin(assets::kRequiredMedia), std::end(assets::kRequiredMedia));
    media.push_back(assets::kBumpAlpha);
    for (const assets::Asset& r : media) {
        SCOPED_TRACE(r.path);
        ASSERT_NE(r.format, D3DFMT_UNKNOWN);
        IDirect3DTexture8* tex = nullptr;
        ASSERT_EQ(D3DXCreateTextureFromFileExA(m_device, r.path, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0, r.format,
                                               D3DPOOL_MANAGED, 0x70004, 0x70004, 0, nullptr, nullptr, &tex),
                  D3D_OK);
        D3DSURFACE_DESC desc{};
        ASSERT_EQ(tex->GetLevelDesc(0, &desc), D3D_OK);
        EXPECT_EQ(desc.Format, r.format);
        EXPECT_EQ(tex->GetLevelCount(), FullChain(desc.Width, desc.Height));
        tex->Release();
    }
}

TEST_F(ContentLoaders, RestoreTimeTexturesAndFlareSpotsLoadWithTheLibraryDefaults)
{
    auto expectLoads = [this](const auto& files) {
        for (const assets::Asset& f : files) {
            IDirect3DTexture8* tex = nullptr;
            EXPECT_EQ(D3DXCreateTextureFromFileA(m_device, f.path, &tex), D3D_OK) << f.path;
            if (tex) tex->Release();
        }
    };
    expectLoads(assets::kRestoreTextures);
    expectLoads(assets::kCreditTextures);
    expectLoads(assets::kGreetingTextures);
    expectLoads(assets::kFlareTextures);
}

TEST_F(ContentLoaders, ColourKeyedFramesGetATransparentMiddleAndAnOpaqueBorder)
{
    for (const assets::Asset& image : assets::kColourKeyedImages) {
        SCOPED_TRACE(image.path);
        IDirect3DTexture8* tex = nullptr;
        ASSERT_EQ(D3DXCreateTextureFromFileExA(m_device, image.path, 0, 0, 1, 0, image.format, D3DPOOL_MANAGED, D3DX_DEFAULT,
                                               D3DX_DEFAULT, 0xFF004040, nullptr, nullptr, &tex),
                  D3D_OK);
        D3DSURFACE_DESC desc{};
        tex->GetLevelDesc(0, &desc);
        D3DLOCKED_RECT lr{};
        ASSERT_EQ(tex->LockRect(0, &lr, nullptr, D3DLOCK_READONLY), D3D_OK);
        auto at = [&](UINT x, UINT y) {
            return reinterpret_cast<const DWORD*>(static_cast<const BYTE*>(lr.pBits) + size_t(y) * lr.Pitch)[x];
        };
        EXPECT_EQ(at(desc.Width / 2, desc.Height / 2), 0x00000000u);
        EXPECT_EQ(at(0, 0) >> 24, 0xFFu);
        tex->UnlockRect(0);
        tex->Release();
    }
}

TEST_F(ContentLoaders, EveryMeshLoadsWithItsMaterialsAndTheirTextures)
{
    for (const assets::Asset& file : assets::kMeshes) {
        const char* path = file.path;
        SCOPED_TRACE(path);
        LPD3DXBUFFER materials = nullptr;
        DWORD count = 0;
        LPD3DXMESH mesh = nullptr;
        ASSERT_EQ(D3DXLoadMeshFromX(path, D3DXMESH_SYSTEMMEM, m_device, nullptr, &materials, &count, &mesh),
                  D3D_OK);
        EXPECT_GE(count, 1u);
        EXPECT_GT(mesh->GetNumFaces(), 0u);
        const auto* mats = static_cast<const D3DXMATERIAL*>(materials->GetBufferPointer());
        for (DWORD i = 0; i < count; ++i) {
            if (!mats[i].pTextureFilename) continue;
            IDirect3DTexture8* tex = nullptr;
            EXPECT_EQ(D3DXCreateTextureFromFileA(m_device, mats[i].pTextureFilename, &tex), D3D_OK) << mats[i].pTextureFilename;
            if (tex) tex->Release();
        }
        materials->Release();
        mesh->Release();
    }
}

TEST_F(ContentLoaders, EveryScriptCompilesStartsAndEmits)
{
    for (const assets::Asset& script : assets::kParticleScripts) {
        SCOPED_TRACE(script.path);
        std::ifstream f(script.path, std::ios::binary);
        std::stringstream ss;
        ss << f.rdbuf();
        CParticleEmitter emitter;
        emitter.RebuildDeviceObjects(m_device);
        ASSERT_TRUE(emitter.Compile(ss.str().c_str())) << emitter.GetLastError();
        EXPECT_EQ(emitter.GetLastError(), "0 error(s), you're good to go!");
        emitter.Start();
        for (int frame = 1; frame <= 120; ++frame) emitter.Update(frame / 60.f, 1 / 60.f);
        EXPECT_GT(emitter.GetNumActiveParticles(), 10);
        emitter.ReleaseDeviceObjects();
    }
}

}  // namespace
