// The generated files through the production's own loaders, with the parameters the asset
// manifest uses: textures into a REF device, meshes with their materials, particle scripts
// compiled and run.
#include "decode.h"

#include "particles/particle_emitter.h"
#include "platform/d3d8.h"
#include "platform/d3dx8.h"
#include "tests/support/ref_device.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
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
    const struct {
        const char* file;
        D3DFORMAT format;
    } required[] = {{"Textures/empty.jpg", D3DFMT_R5G6B5},   {"Textures/qrnm.jpg", D3DFMT_R5G6B5},
                    {"Textures/qrbm.bmp", D3DFMT_A8R8G8B8},  {"Textures/bmenv.jpg", D3DFMT_R5G6B5},
                    {"Textures/bg2.png", D3DFMT_A8R8G8B8}};
    for (const auto& r : required) {
        SCOPED_TRACE(r.file);
        IDirect3DTexture8* tex = nullptr;
        ASSERT_EQ(D3DXCreateTextureFromFileExA(m_device, r.file, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0, r.format,
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
    const char* files[] = {"empty.jpg", "alven.jpg", "alven2.jpg", "env.jpg", "env2.jpg", "bg.jpg", "og1.png",
                           "og2.png", "name.png", "s6over.jpg", "back_s3.jpg", "env3.jpg", "logo.png", "envnr.jpg",
                           "1.jpg", "2.jpg", "3.jpg", "frame.jpg", "boxtex.jpg", "s7cube.jpg", "2d.png", "3d.png",
                           "ka.png", "lu.png", "cod.png", "mo.png", "design.png", "gfx.png", "ne.png", "music.png",
                           "script.png", "ri.png", "su.png", "vo.png", "g1.png", "g2.png", "g3.png", "g4.png",
                           "g5.png", "g6.png", "g7.png", "g8.png", "lf1.png", "lf2.png", "lf3.png", "lf4.png"};
    for (const char* f : files) {
        std::string path = std::string("Textures/") + f;
        IDirect3DTexture8* tex = nullptr;
        EXPECT_EQ(D3DXCreateTextureFromFileA(m_device, path.c_str(), &tex), D3D_OK) << path;
        if (tex) tex->Release();
    }
}

TEST_F(ContentLoaders, ColourKeyedFramesGetATransparentMiddleAndAnOpaqueBorder)
{
    for (const char* f : {"Textures/Image1.png", "Textures/Image2.png", "Textures/Image3.png"}) {
        SCOPED_TRACE(f);
        IDirect3DTexture8* tex = nullptr;
        ASSERT_EQ(D3DXCreateTextureFromFileExA(m_device, f, 0, 0, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, D3DX_DEFAULT,
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
    for (const char* name : {"squidlikething", "halo", "logo", "shape", "one", "two", "three", "four", "five", "boxy",
                             "fem", "alien", "cave", "objfaen", "saklig"}) {
        std::string path = std::string("Data/") + name + ".x";
        SCOPED_TRACE(path);
        LPD3DXBUFFER materials = nullptr;
        DWORD count = 0;
        LPD3DXMESH mesh = nullptr;
        ASSERT_EQ(D3DXLoadMeshFromX(path.c_str(), D3DXMESH_SYSTEMMEM, m_device, nullptr, &materials, &count, &mesh),
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
    for (const char* name : {"tunnel", "cdown", "alven", "darkelf", "cave"}) {
        SCOPED_TRACE(name);
        std::ifstream f(std::string("data/") + name + ".dps", std::ios::binary);
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
