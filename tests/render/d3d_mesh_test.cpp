#include "render/d3d_mesh.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "png_image.h"
#include "golden_device.h"
#include "tests/support/recording_ref_device.h"

namespace {

// A mesh wrapper on the REF device behind the recording wrapper, with one material per given
// diffuse alpha (the even ones with a texture) and a mesh of one face per subset: face i, in
// subset i, starts at index 3 i. The drawing copy is made by a rebuild.
struct MeshWithSubsets {
    fake::RecordingRefDevice device;
    CD3DMesh mesh{"CD3DFile_Mesh"};
    int withCopy = 0;  // objects alive on the device once built

    explicit MeshWithSubsets(std::vector<float> alphas) {
        const DWORD faces = std::max<DWORD>(1, static_cast<DWORD>(alphas.size()));
        ID3DXMesh* master = nullptr;
        EXPECT_EQ(D3DXCreateMeshFVF(faces, 3, D3DXMESH_SYSTEMMEM, D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1, &device,
                                    &master),
                  S_OK);
        WORD* indices = nullptr;
        DWORD* attributes = nullptr;
        EXPECT_EQ(master->LockIndexBuffer(0, reinterpret_cast<BYTE**>(&indices)), S_OK);
        EXPECT_EQ(master->LockAttributeBuffer(0, &attributes), S_OK);
        for (DWORD f = 0; f < faces; ++f) {
            for (WORD corner = 0; corner < 3; ++corner) indices[3 * f + corner] = corner;
            attributes[f] = f;
        }
        master->UnlockIndexBuffer();
        master->UnlockAttributeBuffer();
        mesh.m_pSysMemMesh = master;
        mesh.m_numMaterials = static_cast<DWORD>(alphas.size());
        mesh.m_pMaterials = new D3DMATERIAL8[alphas.size()]{};
        mesh.m_pTextures = new IDirect3DTexture8*[alphas.size()]{};
        for (size_t i = 0; i < alphas.size(); ++i) {
            mesh.m_pMaterials[i].Diffuse = {1, 1, 1, alphas[i]};
            if (i % 2 == 0) device.CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &mesh.m_pTextures[i]);
        }
        EXPECT_EQ(mesh.RebuildDeviceObjects(&device), S_OK);
        withCopy = device.LiveObjects();
        device.calls.clear();
    }
    ~MeshWithSubsets() { mesh.Destroy(); }
    std::vector<fake::RecordedCall> Draws() const { return device.Draws(); }
    std::vector<DWORD> Drawn() const {
        std::vector<DWORD> subsets;
        for (const auto& d : Draws()) subsets.push_back(d.start / 3);
        return subsets;
    }
};

std::string MaterialText(const char* name, float alpha, const std::string& texture) {
    std::string text = std::string("Material ") + name + " {\n  0.8;0.6;0.4;" + std::to_string(alpha) +
                       ";;\n  20.0;\n  1.0;1.0;1.0;;\n  0.0;0.0;0.0;;\n";
    if (!texture.empty()) text += "  TextureFilename { \"" + texture + "\"; }\n";
    return text + "}\n";
}

// Two quads facing the camera at -z: subset 0 textured and opaque, subset 1 translucent.
std::string TwoQuads(const std::string& texture, const std::string& missingTexture) {
    return "xof 0303txt 0032\n" + MaterialText("Opaque", 1.0f, texture) + MaterialText("Glass", 0.5f, missingTexture) +
           R"(Mesh Quads {
  8;
  -1.0;-1.0;0.0;, 1.0;-1.0;0.0;, 1.0;1.0;0.0;, -1.0;1.0;0.0;,
  -0.2;-0.8;-0.5;, 0.9;-0.8;-0.5;, 0.9;0.3;-0.5;, -0.2;0.3;-0.5;;
  4;
  3;0,2,1;, 3;0,3,2;, 3;4,6,5;, 3;4,7,6;;
  MeshMaterialList { 2; 4; 0, 0, 1, 1;; { Opaque } { Glass } }
  MeshNormals { 1; 0.0;0.0;-1.0;; 4; 3;0,0,0;, 3;0,0,0;, 3;0,0,0;, 3;0,0,0;; }
  MeshTextureCoords { 8; 0.0;1.0;, 1.0;1.0;, 1.0;0.0;, 0.0;0.0;, 0.0;1.0;, 1.0;1.0;, 1.0;0.0;, 0.0;0.0;; }
}
)";
}

// A folder of its own under the system's temporary folder, removed at the end.
struct TempFolder {
    std::filesystem::path path;
    TempFolder() {
        path = std::filesystem::temp_directory_path() /
               ("morvelt-mesh-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(path);
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::string Write(const std::string& name, const std::string& text) const {
        std::ofstream(path / name, std::ios::binary) << text;
        return (path / name).string();
    }
};

std::string WriteChecker(const TempFolder& folder) {
    testimage::Image checker;
    checker.width = checker.height = 8;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) checker.argb.push_back(((x + y) & 1) ? 0xFF2060C0 : 0xFFF0E0A0);
    const std::string path = (folder.path / "checker.png").string();
    EXPECT_TRUE(testimage::WritePng(path, checker));
    return path;
}

}  // namespace

TEST(MeshPasses, DiffuseAlphaDecidesThePass) {
    MeshWithSubsets m({0.5f, 1.0f, 1.5f});
    ASSERT_EQ(m.mesh.Render(&m.device, TRUE, TRUE), S_OK);
    // Opaque pass: alpha 1.0 and 1.5; translucent pass: 0.5 and 1.5.
    EXPECT_EQ(m.Drawn(), (std::vector<DWORD>{1, 2, 0, 2}));
    // Each subset is drawn with its own material and texture (NULL clears the stage).
    const std::vector<fake::RecordedCall> drawn = m.Draws();
    EXPECT_EQ(drawn[0].material.Diffuse.a, 1.0f);
    EXPECT_EQ(drawn[0].texture, nullptr);
    EXPECT_EQ(drawn[1].texture, m.mesh.m_pTextures[2]);
    EXPECT_EQ(drawn[2].material.Diffuse.a, 0.5f);
    EXPECT_EQ(drawn[2].texture, m.mesh.m_pTextures[0]);

    m.device.calls.clear();
    ASSERT_EQ(m.mesh.Render(&m.device, TRUE, FALSE), S_OK);
    EXPECT_EQ(m.Drawn(), (std::vector<DWORD>{1, 2}));
    m.device.calls.clear();
    ASSERT_EQ(m.mesh.Render(&m.device, FALSE, TRUE), S_OK);
    EXPECT_EQ(m.Drawn(), (std::vector<DWORD>{0, 2}));
}

TEST(MeshPasses, WithoutMaterialsEverySubsetIsOpaqueAndNothingIsSet) {
    MeshWithSubsets m({0.5f, 1.0f, 0.0f});
    m.mesh.m_bUseMaterials = FALSE;
    ASSERT_EQ(m.mesh.Render(&m.device, TRUE, TRUE), S_OK);
    EXPECT_EQ(m.Drawn(), (std::vector<DWORD>{0, 1, 2}));
    EXPECT_EQ(m.device.Count(fake::RecordedCall::kSetMaterial), 0u);
    EXPECT_EQ(m.device.Count(fake::RecordedCall::kSetTexture), 0u);
}

TEST(MeshPasses, NoMaterialsNoDrawingCopyOrNoDevice) {
    MeshWithSubsets none({});
    EXPECT_EQ(none.mesh.Render(&none.device, TRUE, TRUE), S_OK);
    EXPECT_TRUE(none.Draws().empty());

    MeshWithSubsets m({1.0f});
    EXPECT_EQ(m.mesh.Render(nullptr, TRUE, TRUE), E_INVALIDARG);
    EXPECT_EQ(m.mesh.ReleaseDeviceObjects(), S_OK);
    EXPECT_EQ(m.mesh.m_pLocalMesh, nullptr);
    EXPECT_EQ(m.mesh.Render(&m.device, TRUE, TRUE), E_FAIL);
    EXPECT_EQ(m.device.LiveObjects(), m.withCopy - 3);  // the copy and its two buffers went, the master stays
}

TEST(MeshLifecycle, RebuildClonesTheMasterAndDestroyTwiceIsHarmless) {
    MeshWithSubsets m({1.0f, 0.5f});
    m.mesh.ReleaseDeviceObjects();
    ASSERT_EQ(m.mesh.RebuildDeviceObjects(&m.device), S_OK);
    EXPECT_EQ(m.mesh.m_pLocalMesh->GetFVF(), m.mesh.m_pSysMemMesh->GetFVF());
    EXPECT_EQ(m.device.LiveObjects(), m.withCopy);
    ASSERT_EQ(m.mesh.RebuildDeviceObjects(&m.device), S_OK);  // a second rebuild replaces the copy
    EXPECT_EQ(m.device.LiveObjects(), m.withCopy);

    m.device.failCreateVertexBuffer.Now(E_OUTOFMEMORY);  // the copy cannot be made
    m.mesh.ReleaseDeviceObjects();
    EXPECT_EQ(m.mesh.RebuildDeviceObjects(&m.device), E_FAIL);
    EXPECT_EQ(m.mesh.m_pLocalMesh, nullptr);
    m.device.failCreateVertexBuffer = {};

    EXPECT_EQ(m.mesh.Destroy(), S_OK);
    EXPECT_EQ(m.mesh.Destroy(), S_OK);
    EXPECT_EQ(m.device.LiveObjects(), 0);
    EXPECT_EQ(m.mesh.m_numMaterials, 0u);
    EXPECT_EQ(m.mesh.RebuildDeviceObjects(&m.device), E_FAIL);  // no master copy any more
}

TEST(MeshLoading, MaterialsTexturesAndAmbientFromAFile) {
    testimage::RefDevice device(32, 32);
    ASSERT_TRUE(device) << std::hex << device.createResult();
    TempFolder folder;
    const std::string file = folder.Write("quads.x", TwoQuads(WriteChecker(folder), "no-such-texture.png"));

    CD3DMesh mesh("CD3DFile_Mesh");
    ASSERT_EQ(mesh.Create(device.get(), file.c_str()), S_OK);
    ASSERT_EQ(mesh.m_numMaterials, 2u);
    EXPECT_NE(mesh.m_pSysMemMesh, nullptr);
    EXPECT_EQ(mesh.m_pLocalMesh, nullptr);
    for (DWORD i = 0; i < 2; ++i) {
        const D3DMATERIAL8& m = mesh.m_pMaterials[i];
        EXPECT_FLOAT_EQ(m.Diffuse.r, 0.8f);
        EXPECT_EQ(m.Ambient.r, m.Diffuse.r);
        EXPECT_EQ(m.Ambient.g, m.Diffuse.g);
        EXPECT_EQ(m.Ambient.b, m.Diffuse.b);
        EXPECT_EQ(m.Ambient.a, m.Diffuse.a);
    }
    EXPECT_FLOAT_EQ(mesh.m_pMaterials[1].Diffuse.a, 0.5f);
    EXPECT_NE(mesh.m_pTextures[0], nullptr);
    EXPECT_EQ(mesh.m_pTextures[1], nullptr);  // a missing texture is no error

    EXPECT_EQ(mesh.Render(device.get(), TRUE, TRUE), E_FAIL);  // not rebuilt yet
    ASSERT_EQ(mesh.RebuildDeviceObjects(device.get()), S_OK);
    EXPECT_EQ(mesh.m_pLocalMesh->GetFVF(), mesh.m_pSysMemMesh->GetFVF());
    EXPECT_EQ(mesh.m_pLocalMesh->GetNumFaces(), 4u);
    device->BeginScene();
    EXPECT_EQ(mesh.Render(device.get(), TRUE, TRUE), S_OK);
    device->EndScene();
    mesh.Destroy();
    mesh.Destroy();
}

TEST(MeshLoading, MissingOrBrokenFileLeavesTheObjectEmpty) {
    testimage::RefDevice device(32, 32);
    ASSERT_TRUE(device);
    TempFolder folder;
    CD3DMesh mesh;
    EXPECT_TRUE(FAILED(mesh.Create(device.get(), (folder.path / "absent.x").string().c_str())));
    EXPECT_TRUE(FAILED(mesh.Create(device.get(), folder.Write("broken.x", "xof 0303txt 0032\nMesh { 3; 1.0;").c_str())));
    EXPECT_EQ(mesh.m_pSysMemMesh, nullptr);
    EXPECT_EQ(mesh.m_numMaterials, 0u);
    EXPECT_EQ(mesh.RebuildDeviceObjects(device.get()), E_FAIL);
    EXPECT_EQ(mesh.Create(device.get(), nullptr), E_INVALIDARG);
}

TEST(MeshLoading, FileWithoutMaterialsDrawsNothing) {
    testimage::RefDevice device(32, 32);
    ASSERT_TRUE(device);
    TempFolder folder;
    const std::string file = folder.Write("plain.x", R"(xof 0303txt 0032
Mesh Triangle { 3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;; 1; 3;0,1,2;; }
)");
    CD3DMesh mesh;
    ASSERT_EQ(mesh.Create(device.get(), file.c_str()), S_OK);
    EXPECT_EQ(mesh.m_numMaterials, 0u);
    ASSERT_EQ(mesh.RebuildDeviceObjects(device.get()), S_OK);
    EXPECT_EQ(mesh.Render(device.get(), TRUE, TRUE), S_OK);
}

TEST(GoldenMesh, TexturedQuadUnderATranslucentOne) {
    testimage::RefDevice device(96, 96);
    ASSERT_TRUE(device);
    TempFolder folder;
    const std::string checker = WriteChecker(folder);
    const std::string file = folder.Write("quads.x", TwoQuads(checker, checker));
    CD3DMesh mesh;
    ASSERT_EQ(mesh.Create(device.get(), file.c_str()), S_OK);
    ASSERT_EQ(mesh.RebuildDeviceObjects(device.get()), S_OK);

    D3DXMATRIX world, view, projection;
    D3DXMatrixRotationY(&world, 0.4f);
    const D3DXVECTOR3 eye(0, 0, -3.5f), at(0, 0, 0), up(0, 1, 0);
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    D3DXMatrixPerspectiveFovLH(&projection, D3DX_PI / 4, 1.0f, 0.1f, 100.0f);
    device->SetTransform(D3DTS_WORLD, &world);
    device->SetTransform(D3DTS_VIEW, &view);
    device->SetTransform(D3DTS_PROJECTION, &projection);
    D3DLIGHT8 light{};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {1, 1, 1, 1};
    light.Direction = {0.3f, -0.2f, 1.0f};
    device->SetLight(0, &light);
    device->LightEnable(0, TRUE);
    device->SetRenderState(D3DRS_LIGHTING, TRUE);
    device->SetRenderState(D3DRS_AMBIENT, 0xFF303030);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);

    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    device->BeginScene();
    EXPECT_EQ(mesh.Render(device.get(), TRUE, FALSE), S_OK);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    EXPECT_EQ(mesh.Render(device.get(), FALSE, TRUE), S_OK);
    device->EndScene();
    const testimage::Image picture = device.ReadBackBuffer();
    ASSERT_EQ(picture.width, 96);
    EXPECT_EQ(picture.At(1, 1), 0xFF000000u);   // the corners stay clear
    EXPECT_NE(picture.At(30, 30), 0xFF000000u);  // the textured quad covers the middle
    EXPECT_EQ(testimage::CheckGolden("mesh_two_passes", picture, 3, 6), "");
}
