// The loaders on the project's own device model (device type REF, off-screen), in the
// order the production's start-up and mesh wrapper use them.
#include "image_files.h"

#include "platform/d3dx8.h"
#include "tests/support/ref_device.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

const char* const kTwoMaterialQuad = R"(xof 0303txt 0032
Frame { FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 0,0,2,1;; }
Mesh { 4; -1;-1;0;, -1;1;0;, 1;1;0;, 1;-1;0;; 2; 3;0,1,2;, 3;0,2,3;;
 MeshNormals { 1; 0;0;-1;; 2; 3;0,0,0;, 3;0,0,0;; }
 MeshTextureCoords { 4; 0;1;, 0;0;, 1;0;, 1;1;; }
 MeshMaterialList { 2; 2; 0, 1;;
  Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; TextureFilename { "quad.png"; } }
  Material { 0;1;0;0.5;; 0; 0;0;0;; 0;0;0;; } } } }
)";

struct DeviceModel : ::testing::Test {
    test_support::RefDevice ref{64, 64, D3DFMT_D16};
    IDirect3DDevice8* const device = ref.get();

    void SetUp() override { ASSERT_EQ(ref.createResult(), S_OK); }
    void TearDown() override { EXPECT_EQ(ref.Release(), 0u) << "the loaders left references on the device"; }
};

}  // namespace

TEST_F(DeviceModel, ColourKeyedNonPowerOfTwoPictureLoadsAsTheProductionAsks) {
    std::vector<DWORD> px(3 * 2, 0xff004040);
    px[0] = 0xffff0000;
    const std::string path = testimg::WriteTempFile("key3x2.png", testimg::MakePng(3, 2, px, false));
    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(D3DXCreateTextureFromFileExA(device, path.c_str(), 0, 0, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                           D3DX_DEFAULT, D3DX_DEFAULT, 0xff004040, nullptr, nullptr, &texture),
              S_OK);
    D3DSURFACE_DESC desc{};
    ASSERT_EQ(texture->GetLevelDesc(0, &desc), S_OK);
    EXPECT_EQ(desc.Width, 4u);
    EXPECT_EQ(desc.Height, 2u);
    EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(texture->GetLevelCount(), 1u);
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), S_OK);
    DWORD last;
    std::memcpy(&last, static_cast<BYTE*>(locked.pBits) + locked.Pitch + 12, 4);
    EXPECT_EQ(last, 0u) << "keyed pixels are transparent black";
    DWORD first;
    std::memcpy(&first, locked.pBits, 4);
    EXPECT_EQ(first >> 24, 0xffu);
    EXPECT_GT((first >> 16) & 0xff, 0x80u);
    texture->UnlockRect(0);
    texture->Release();
}

TEST_F(DeviceModel, MediaTexturesRenderTargetsAndMissingFiles) {
    const std::string path = testimg::WriteTempFile("m.jpg", testimg::MakeJpeg(16, 16, std::vector<DWORD>(256, 0xff808080)));
    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(D3DXCreateTextureFromFileExA(device, path.c_str(), D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0,
                                           D3DFMT_R5G6B5, D3DPOOL_MANAGED, 0x70004, 0x70004, 0, nullptr, nullptr,
                                           &texture),
              S_OK);
    EXPECT_EQ(texture->GetLevelCount(), 5u);
    texture->Release();

    ASSERT_EQ(D3DXCreateTexture(device, 64, 64, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &texture),
              S_OK);
    IDirect3DSurface8* surface = nullptr;
    EXPECT_EQ(texture->GetSurfaceLevel(0, &surface), S_OK);
    if (surface) surface->Release();
    texture->Release();

    texture = reinterpret_cast<IDirect3DTexture8*>(0x1);
    EXPECT_EQ(D3DXCreateTextureFromFileA(device, "Textures/none-such.jpg", &texture), D3DXERR_INVALIDDATA);
    EXPECT_EQ(texture, nullptr);
}

TEST_F(DeviceModel, MeshLoadsClonesToTheDefaultPoolAndDrawsEachSubset) {
    testimg::WriteTempFile("quad.png", testimg::MakePng(2, 2, {0xffffffff, 0xff000000, 0xff000000, 0xffffffff}, false));
    const std::string path =
        testimg::WriteTempFile("quad.x", testimg::Bytes(kTwoMaterialQuad, kTwoMaterialQuad + std::strlen(kTwoMaterialQuad)));
    ID3DXMesh* sysMem = nullptr;
    ID3DXBuffer* materials = nullptr;
    DWORD count = 0;
    ASSERT_EQ(D3DXLoadMeshFromX(path.c_str(), D3DXMESH_SYSTEMMEM, device, nullptr, &materials, &count, &sysMem), S_OK);
    ASSERT_EQ(count, 2u);
    const auto* m = static_cast<const D3DXMATERIAL*>(materials->GetBufferPointer());
    ASSERT_NE(m[0].pTextureFilename, nullptr);
    const std::string texturePath = path.substr(0, path.rfind('/') + 1) + m[0].pTextureFilename;
    IDirect3DTexture8* texture = nullptr;
    EXPECT_EQ(D3DXCreateTextureFromFileA(device, texturePath.c_str(), &texture), S_OK);
    materials->Release();

    ID3DXMesh* local = nullptr;
    ASSERT_EQ(sysMem->CloneMeshFVF(0, sysMem->GetFVF(), device, &local), S_OK);
    IDirect3DVertexBuffer8* vb = nullptr;
    ASSERT_EQ(local->GetVertexBuffer(&vb), S_OK);
    D3DVERTEXBUFFER_DESC desc{};
    vb->GetDesc(&desc);
    EXPECT_EQ(desc.Pool, D3DPOOL_DEFAULT);
    EXPECT_EQ(desc.FVF, D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1);
    vb->Release();

    ASSERT_EQ(device->BeginScene(), S_OK);
    device->SetTexture(0, texture);
    EXPECT_EQ(local->DrawSubset(0), S_OK);
    device->SetTexture(0, nullptr);
    EXPECT_EQ(local->DrawSubset(1), S_OK);
    EXPECT_EQ(local->DrawSubset(2), S_OK);
    ASSERT_EQ(device->EndScene(), S_OK);

    if (texture) texture->Release();
    local->Release();
    sysMem->Release();
}
