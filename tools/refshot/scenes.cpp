#include "scenes.h"

#include "platform/d3d8/pixel_convert.h"
#include "platform/d3dx8.h"

#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

namespace refshot {

namespace {

constexpr float kPi = 3.14159265f;

template <typename T>
struct Releaser {
    void operator()(T* p) const {
        if (p) p->Release();
    }
};
template <typename T>
using Ref = std::unique_ptr<T, Releaser<T>>;

DWORD Bits(float f) {
    DWORD d;
    std::memcpy(&d, &f, 4);
    return d;
}

// A texture in the managed pool whose texels come from fill(level, x, y): ARGB for colour
// formats, raw bits for bump formats.
Ref<IDirect3DTexture8> MakeTexture(IDirect3DDevice8* dev, UINT w, UINT h, UINT levels, D3DFORMAT format,
                                   const std::function<DWORD(UINT, UINT, UINT)>& fill) {
    IDirect3DTexture8* t = nullptr;
    if (FAILED(dev->CreateTexture(w, h, levels, 0, format, D3DPOOL_MANAGED, &t))) return nullptr;
    Ref<IDirect3DTexture8> tex(t);
    const UINT bpp = format == D3DFMT_X8L8V8U8 || format == D3DFMT_A8R8G8B8 || format == D3DFMT_X8R8G8B8 ? 4 : 2;
    for (UINT l = 0; l < tex->GetLevelCount(); ++l) {
        D3DSURFACE_DESC desc;
        D3DLOCKED_RECT lr;
        if (FAILED(tex->GetLevelDesc(l, &desc)) || FAILED(tex->LockRect(l, &lr, nullptr, 0))) return nullptr;
        for (UINT y = 0; y < desc.Height; ++y)
            for (UINT x = 0; x < desc.Width; ++x) {
                BYTE* p = static_cast<BYTE*>(lr.pBits) + y * lr.Pitch + x * bpp;
                const DWORD v = fill(l, x, y);
                if (d3d8::IsBumpFormat(format))
                    std::memcpy(p, &v, bpp);
                else
                    d3d8::WriteArgb(format, p, v);
            }
        tex->UnlockRect(l);
    }
    return tex;
}

// The production's two-texture vertex: position, normal, two coordinate pairs (40 bytes).
struct MeshVertex {
    float x, y, z, nx, ny, nz, u0, v0, u1, v1;
};
constexpr DWORD kMeshFvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX2;

struct Mesh {
    std::vector<MeshVertex> vertices;
    std::vector<WORD> indices;
};

Mesh Sphere(float radius, int rings, int segments) {
    Mesh m;
    for (int r = 0; r <= rings; ++r)
        for (int s = 0; s <= segments; ++s) {
            const float th = kPi * r / rings, ph = 2 * kPi * s / segments;
            const float nx = std::sin(th) * std::cos(ph), ny = std::cos(th), nz = std::sin(th) * std::sin(ph);
            const float u = static_cast<float>(s) / segments, v = static_cast<float>(r) / rings;
            m.vertices.push_back({radius * nx, radius * ny, radius * nz, nx, ny, nz, u, v, 2 * u, 2 * v});
        }
    for (int r = 0; r < rings; ++r)
        for (int s = 0; s < segments; ++s) {
            const WORD a = static_cast<WORD>(r * (segments + 1) + s), b = static_cast<WORD>(a + segments + 1);
            // Clockwise seen from outside (left-handed, y up).
            m.indices.insert(m.indices.end(), {a, static_cast<WORD>(a + 1), b, b, static_cast<WORD>(a + 1),
                                               static_cast<WORD>(b + 1)});
        }
    return m;
}

// A grid in the y = 0 plane facing up, `n` x `n` quads over [-size, size], coordinates
// repeating `repeat` times.
Mesh Floor(float size, int n, float repeat) {
    Mesh m;
    for (int j = 0; j <= n; ++j)
        for (int i = 0; i <= n; ++i) {
            const float u = static_cast<float>(i) / n, v = static_cast<float>(j) / n;
            m.vertices.push_back({-size + 2 * size * u, 0, -size + 2 * size * v, 0, 1, 0, repeat * u, repeat * v, u, v});
        }
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
            const WORD a = static_cast<WORD>(j * (n + 1) + i), b = static_cast<WORD>(a + n + 1);
            m.indices.insert(m.indices.end(), {a, b, static_cast<WORD>(a + 1), static_cast<WORD>(a + 1), b,
                                               static_cast<WORD>(b + 1)});
        }
    return m;
}

HRESULT DrawMesh(IDirect3DDevice8* dev, const Mesh& m) {
    dev->SetVertexShader(kMeshFvf);
    return dev->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, static_cast<UINT>(m.vertices.size()),
                                       static_cast<UINT>(m.indices.size() / 3), m.indices.data(), D3DFMT_INDEX16,
                                       m.vertices.data(), sizeof(MeshVertex));
}

void SetCamera(IDirect3DDevice8* dev, UINT w, UINT h, D3DXVECTOR3 eye, D3DXVECTOR3 at) {
    D3DXMATRIX view, proj;
    const D3DXVECTOR3 up(0, 1, 0);
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    D3DXMatrixPerspectiveFovLH(&proj, kPi / 4, static_cast<float>(w) / static_cast<float>(h), 1.0f, 1000.0f);
    dev->SetTransform(D3DTS_VIEW, &view);
    dev->SetTransform(D3DTS_PROJECTION, &proj);
}

void SetWorld(IDirect3DDevice8* dev, const D3DXMATRIX& m) { dev->SetTransform(D3DTS_WORLD, &m); }

D3DXMATRIX Translation(float x, float y, float z) {
    D3DXMATRIX m;
    D3DXMatrixTranslation(&m, x, y, z);
    return m;
}

void StageColor(IDirect3DDevice8* dev, DWORD stage, DWORD op, DWORD arg1, DWORD arg2) {
    dev->SetTextureStageState(stage, D3DTSS_COLOROP, op);
    dev->SetTextureStageState(stage, D3DTSS_COLORARG1, arg1);
    dev->SetTextureStageState(stage, D3DTSS_COLORARG2, arg2);
}

void StageAlpha(IDirect3DDevice8* dev, DWORD stage, DWORD op, DWORD arg1, DWORD arg2) {
    dev->SetTextureStageState(stage, D3DTSS_ALPHAOP, op);
    dev->SetTextureStageState(stage, D3DTSS_ALPHAARG1, arg1);
    dev->SetTextureStageState(stage, D3DTSS_ALPHAARG2, arg2);
}

void LinearFiltering(IDirect3DDevice8* dev, DWORD stage, DWORD mip) {
    dev->SetTextureStageState(stage, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
    dev->SetTextureStageState(stage, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
    dev->SetTextureStageState(stage, D3DTSS_MIPFILTER, mip);
}

DWORD Checker(UINT level, UINT x, UINT y) {
    const UINT size = 256 >> level, cell = size >= 8 ? size / 8 : 1;
    const bool odd = ((x / cell) ^ (y / cell)) & 1;
    // Each level tinted so mip selection shows: level 0 grey, then warmer.
    const DWORD tint = std::min<DWORD>(level * 40, 200);
    return odd ? D3DCOLOR_XRGB(230, 230 - tint / 2, 230 - tint) : D3DCOLOR_XRGB(40 + tint / 4, 40, 60);
}

DWORD EnvMap(UINT, UINT x, UINT y) {
    // A sky-and-ground sphere map with a bright spot.
    const float u = (x + 0.5f) / 128 - 0.5f, v = (y + 0.5f) / 128 - 0.5f;
    const float spot = std::exp(-((u + 0.2f) * (u + 0.2f) + (v + 0.2f) * (v + 0.2f)) * 60);
    const float sky = v < 0 ? 1 : 0.35f;
    auto c = [](float f) { return static_cast<DWORD>(std::min(255.0f, std::max(0.0f, f * 255))); };
    return D3DCOLOR_XRGB(c(0.25f * sky + spot), c(0.45f * sky + spot), c(0.8f * sky + spot * 0.8f));
}

// ---- Scenes -------------------------------------------------------------------------

HRESULT LightingScene(IDirect3DDevice8* dev, UINT w, UINT h) {
    dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00141414, 1.0f, 0);
    SetCamera(dev, w, h, {0, 6, -16}, {0, 0, 4});
    dev->SetRenderState(D3DRS_LIGHTING, TRUE);
    dev->SetRenderState(D3DRS_AMBIENT, 0x00202020);
    dev->SetRenderState(D3DRS_FOGENABLE, TRUE);
    dev->SetRenderState(D3DRS_FOGCOLOR, 0x00141414);
    dev->SetRenderState(D3DRS_FOGTABLEMODE, D3DFOG_EXP);
    dev->SetRenderState(D3DRS_FOGDENSITY, Bits(0.04f));
    StageColor(dev, 0, D3DTOP_SELECTARG1, D3DTA_DIFFUSE, D3DTA_CURRENT);
    StageAlpha(dev, 0, D3DTOP_SELECTARG1, D3DTA_DIFFUSE, D3DTA_CURRENT);

    D3DMATERIAL8 mat{};
    mat.Diffuse = {1, 1, 1, 1};
    mat.Ambient = {1, 1, 1, 1};
    dev->SetMaterial(&mat);
    D3DLIGHT8 point{};
    point.Type = D3DLIGHT_POINT;
    point.Diffuse = {1.0f, 0.6f, 0.3f, 1};
    point.Position = {-4, 3, 2};
    point.Range = 30;
    point.Attenuation0 = 0.2f;
    point.Attenuation1 = 0.1f;
    D3DLIGHT8 spot{};
    spot.Type = D3DLIGHT_SPOT;
    spot.Diffuse = {0.4f, 0.7f, 1.0f, 1};
    spot.Position = {5, 8, 0};
    spot.Direction = {-0.4f, -1, 0.3f};
    spot.Range = 40;
    spot.Attenuation0 = 1;
    spot.Theta = 0.35f;
    spot.Phi = 0.8f;
    spot.Falloff = 1;
    D3DLIGHT8 sun{};
    sun.Type = D3DLIGHT_DIRECTIONAL;
    sun.Diffuse = {0.15f, 0.15f, 0.2f, 1};
    sun.Direction = {0.3f, -1, 0.5f};
    dev->SetLight(0, &point);
    dev->SetLight(1, &spot);
    dev->SetLight(2, &sun);
    for (DWORD i = 0; i < 3; ++i) dev->LightEnable(i, TRUE);

    const Mesh floor = Floor(20, 48, 1);
    SetWorld(dev, Translation(0, -1, 8));
    HRESULT hr = DrawMesh(dev, floor);
    const Mesh ball = Sphere(0.9f, 16, 24);
    for (int z = 0; z < 4 && SUCCEEDED(hr); ++z)
        for (int x = -2; x <= 2 && SUCCEEDED(hr); ++x) {
            SetWorld(dev, Translation(2.6f * x, 0, 2 + 4.0f * z));
            hr = DrawMesh(dev, ball);
        }
    return hr;
}

HRESULT TexturingScene(IDirect3DDevice8* dev, UINT w, UINT h) {
    dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00304060, 1.0f, 0);
    SetCamera(dev, w, h, {0, 3, -9}, {0, 0, 2});
    dev->SetRenderState(D3DRS_LIGHTING, FALSE);
    Ref<IDirect3DTexture8> checker = MakeTexture(dev, 256, 256, 0, D3DFMT_R5G6B5, Checker);
    Ref<IDirect3DTexture8> env = MakeTexture(dev, 128, 128, 1, D3DFMT_X8R8G8B8, EnvMap);
    Ref<IDirect3DTexture8> fence = MakeTexture(dev, 64, 64, 1, D3DFMT_A4R4G4B4, [](UINT, UINT x, UINT y) {
        const bool hole = ((x / 8) + (y / 8)) % 2 == 0 && (x % 8 > 1) && (y % 8 > 1);
        return hole ? 0x00000000u : D3DCOLOR_ARGB(255, 200, 120, 40);
    });
    if (!checker || !env || !fence) return E_FAIL;

    // Trilinear floor.
    dev->SetTexture(0, checker.get());
    StageColor(dev, 0, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE);
    StageAlpha(dev, 0, D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE);
    LinearFiltering(dev, 0, D3DTEXF_LINEAR);
    SetWorld(dev, Translation(0, -1, 20));
    HRESULT hr = DrawMesh(dev, Floor(24, 8, 12));

    // Sphere-mapped ball.
    dev->SetTexture(0, env.get());
    LinearFiltering(dev, 0, D3DTEXF_NONE);
    D3DXMATRIX sphereMap(0.5f, 0, 0, 0, 0, -0.5f, 0, 0, 0, 0, 1, 0, 0.5f, 0.5f, 0, 1);
    dev->SetTransform(D3DTS_TEXTURE0, &sphereMap);
    dev->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2);
    dev->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, D3DTSS_TCI_CAMERASPACENORMAL);
    const Mesh ball = Sphere(1.2f, 24, 32);
    SetWorld(dev, Translation(-2.2f, 0.4f, 2));
    if (SUCCEEDED(hr)) hr = DrawMesh(dev, ball);
    dev->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
    dev->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0);

    // Wireframe ball, Gouraud colours from lighting.
    dev->SetTexture(0, nullptr);
    StageColor(dev, 0, D3DTOP_SELECTARG1, D3DTA_DIFFUSE, D3DTA_CURRENT);
    dev->SetRenderState(D3DRS_LIGHTING, TRUE);
    D3DMATERIAL8 mat{};
    mat.Diffuse = {0.3f, 1, 0.5f, 1};
    dev->SetMaterial(&mat);
    D3DLIGHT8 sun{};
    sun.Type = D3DLIGHT_DIRECTIONAL;
    sun.Diffuse = {1, 1, 1, 1};
    sun.Direction = {0.5f, -0.5f, 1};
    dev->SetLight(0, &sun);
    dev->LightEnable(0, TRUE);
    dev->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME);
    SetWorld(dev, Translation(2.2f, 0.4f, 2));
    if (SUCCEEDED(hr)) hr = DrawMesh(dev, ball);
    dev->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
    dev->SetRenderState(D3DRS_LIGHTING, FALSE);

    // Alpha-tested fence with holes, in front, both sides visible.
    dev->SetTexture(0, fence.get());
    StageColor(dev, 0, D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_CURRENT);
    StageAlpha(dev, 0, D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_CURRENT);
    LinearFiltering(dev, 0, D3DTEXF_NONE);
    dev->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    dev->SetRenderState(D3DRS_ALPHAREF, 0x08);
    dev->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    struct V {
        float x, y, z;
        DWORD c;
        float u, v;
    };
    const V fenceQuad[] = {{-1.2f, 2.2f, -1.5f, 0xffffffff, 0, 0},
                           {1.2f, 2.2f, -2.5f, 0xffffffff, 3, 0},
                           {-1.2f, -1, -1.5f, 0xffffffff, 0, 3},
                           {1.2f, -1, -2.5f, 0xffffffff, 3, 3}};
    SetWorld(dev, Translation(0, 0, 0));
    dev->SetVertexShader(D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1);
    if (SUCCEEDED(hr)) hr = dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, fenceQuad, sizeof(V));
    dev->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    return hr;
}

HRESULT BumpScene(IDirect3DDevice8* dev, UINT w, UINT h) {
    dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    SetCamera(dev, w, h, {0, 0, -1}, {0, 0, 1});
    dev->SetRenderState(D3DRS_LIGHTING, FALSE);
    // The wave pattern of the bump scene, and a picture for it to distort.
    Ref<IDirect3DTexture8> wave = MakeTexture(dev, 256, 256, 1, D3DFMT_V8U8, [](UINT, UINT x, UINT y) {
        const float a = 4 * kPi * (x / 256.0f - 0.5f + y / 256.0f - 0.5f);
        const int du = static_cast<int>(64 * std::cos(a)), dv = static_cast<int>(64 * std::sin(a));
        return static_cast<DWORD>((du & 0xff) | ((dv & 0xff) << 8));
    });
    Ref<IDirect3DTexture8> picture = MakeTexture(dev, 256, 256, 1, D3DFMT_X8R8G8B8, [](UINT, UINT x, UINT y) {
        const bool line = x % 32 < 3 || y % 32 < 3;
        return line ? D3DCOLOR_XRGB(240, 200, 80) : D3DCOLOR_XRGB(30 + x / 4, 20, 60 + y / 3);
    });
    // Bumps of a height field of round dimples, luminance lower in the dimples.
    Ref<IDirect3DTexture8> bumps = MakeTexture(dev, 128, 128, 1, D3DFMT_X8L8V8U8, [](UINT, UINT x, UINT y) {
        const float fx = (x % 32) / 16.0f - 1, fy = (y % 32) / 16.0f - 1;
        const float r2 = fx * fx + fy * fy;
        const float k = r2 < 0.7f ? 0.9f : 0.0f;
        return d3d8::X8L8V8U8FromBump(-k * fx, -k * fy, r2 < 0.7f ? 0.5f : 1.0f);
    });
    Ref<IDirect3DTexture8> base = MakeTexture(dev, 64, 64, 1, D3DFMT_R5G6B5, [](UINT, UINT x, UINT y) {
        return ((x / 16) ^ (y / 16)) & 1 ? D3DCOLOR_XRGB(150, 40, 40) : D3DCOLOR_XRGB(60, 60, 140);
    });
    Ref<IDirect3DTexture8> env = MakeTexture(dev, 128, 128, 1, D3DFMT_X8R8G8B8, EnvMap);
    if (!wave || !picture || !bumps || !base || !env) return E_FAIL;

    // Background: bump stage 0, picture stage 1.
    dev->SetTexture(0, wave.get());
    dev->SetTextureStageState(0, D3DTSS_BUMPENVMAT00, Bits(0.01f));
    dev->SetTextureStageState(0, D3DTSS_BUMPENVMAT01, Bits(0));
    dev->SetTextureStageState(0, D3DTSS_BUMPENVMAT10, Bits(0));
    dev->SetTextureStageState(0, D3DTSS_BUMPENVMAT11, Bits(0.01f));
    StageColor(dev, 0, D3DTOP_BUMPENVMAP, D3DTA_TEXTURE, D3DTA_CURRENT);
    StageAlpha(dev, 0, D3DTOP_DISABLE, D3DTA_TEXTURE, D3DTA_CURRENT);
    dev->SetTexture(1, picture.get());
    dev->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, 1);
    StageColor(dev, 1, D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_CURRENT);
    StageAlpha(dev, 1, D3DTOP_DISABLE, D3DTA_TEXTURE, D3DTA_CURRENT);
    LinearFiltering(dev, 1, D3DTEXF_NONE);
    StageColor(dev, 2, D3DTOP_DISABLE, D3DTA_TEXTURE, D3DTA_CURRENT);
    MeshVertex quad[4] = {{-60, 60, 0, 0, 0, -1, 0, 0, 0, 0},
                          {60, 60, 0, 0, 0, -1, 1, 0, 1, 0},
                          {-60, -60, 0, 0, 0, -1, 0, 2, 0, 1},
                          {60, -60, 0, 0, 0, -1, 1, 2, 1, 1}};
    SetWorld(dev, Translation(0, 0, 140));
    dev->SetVertexShader(kMeshFvf);
    HRESULT hr = dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(MeshVertex));

    // Sphere: base texture, luminance bump map, environment added.
    dev->SetTexture(0, base.get());
    dev->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 1);
    StageColor(dev, 0, D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE);
    StageAlpha(dev, 0, D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE);
    dev->SetTexture(1, bumps.get());
    dev->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, 1);
    StageColor(dev, 1, D3DTOP_BUMPENVMAPLUMINANCE, D3DTA_TEXTURE, D3DTA_CURRENT);
    dev->SetTextureStageState(1, D3DTSS_BUMPENVMAT00, Bits(0.5f));
    dev->SetTextureStageState(1, D3DTSS_BUMPENVMAT01, Bits(0));
    dev->SetTextureStageState(1, D3DTSS_BUMPENVMAT10, Bits(0));
    dev->SetTextureStageState(1, D3DTSS_BUMPENVMAT11, Bits(0.5f));
    dev->SetTextureStageState(1, D3DTSS_BUMPENVLSCALE, Bits(4.0f));
    dev->SetTextureStageState(1, D3DTSS_BUMPENVLOFFSET, Bits(0));
    dev->SetTexture(2, env.get());
    dev->SetTextureStageState(2, D3DTSS_TEXCOORDINDEX, 0);
    StageColor(dev, 2, D3DTOP_ADD, D3DTA_TEXTURE, D3DTA_CURRENT);
    StageAlpha(dev, 2, D3DTOP_DISABLE, D3DTA_TEXTURE, D3DTA_CURRENT);
    // Stage 2 reads set 0 as a sphere-map like coordinate: the sphere's longitude/latitude.
    D3DXMATRIX spin, tilt, world;
    D3DXMatrixRotationY(&spin, 0.6f);
    D3DXMatrixRotationX(&tilt, 0.4f);
    world = spin * tilt * Translation(0, 0, 5);
    SetWorld(dev, world);
    if (SUCCEEDED(hr)) hr = DrawMesh(dev, Sphere(1.8f, 32, 48));
    for (DWORD s = 0; s < 3; ++s) dev->SetTexture(s, nullptr);
    StageColor(dev, 1, D3DTOP_DISABLE, D3DTA_TEXTURE, D3DTA_CURRENT);
    return hr;
}

HRESULT ParticlesScene(IDirect3DDevice8* dev, UINT w, UINT h) {
    dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00020500, 1.0f, 0);
    SetCamera(dev, w, h, {0, 3, -15}, {0, 0, 40});
    SetWorld(dev, Translation(0, 0, 0));
    dev->SetRenderState(D3DRS_LIGHTING, FALSE);
    Ref<IDirect3DTexture8> glow = MakeTexture(dev, 32, 32, 1, D3DFMT_A8R8G8B8, [](UINT, UINT x, UINT y) {
        const float dx = (x + 0.5f) / 16 - 1, dy = (y + 0.5f) / 16 - 1;
        const float f = std::max(0.0f, 1 - std::sqrt(dx * dx + dy * dy));
        const DWORD v = static_cast<DWORD>(255 * f * f);
        return D3DCOLOR_ARGB(v, v, v, v);
    });
    if (!glow) return E_FAIL;
    dev->SetTexture(0, glow.get());
    LinearFiltering(dev, 0, D3DTEXF_NONE);
    StageColor(dev, 0, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE);
    StageAlpha(dev, 0, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE);
    dev->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    dev->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    dev->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    // The particle systems' sprite settings.
    dev->SetRenderState(D3DRS_POINTSPRITEENABLE, TRUE);
    dev->SetRenderState(D3DRS_POINTSCALEENABLE, TRUE);
    dev->SetRenderState(D3DRS_POINTSIZE, 0x40A28F5C);  // 5.08
    dev->SetRenderState(D3DRS_POINTSIZE_MIN, Bits(0));
    dev->SetRenderState(D3DRS_POINTSIZE_MAX, Bits(500));
    dev->SetRenderState(D3DRS_POINTSCALE_A, Bits(0));
    dev->SetRenderState(D3DRS_POINTSCALE_B, Bits(0));
    dev->SetRenderState(D3DRS_POINTSCALE_C, Bits(1));
    struct P {
        float x, y, z;
        DWORD c;
    };
    std::vector<P> pts;
    for (int i = 0; i < 600; ++i) {
        const float t = i / 600.0f, a = t * 16 * kPi;
        const float r = 8;
        const DWORD red = static_cast<DWORD>(255 * (1 - t)), green = static_cast<DWORD>(120 + 100 * t);
        pts.push_back({r * std::cos(a), r * std::sin(a), 5 + 115 * t, D3DCOLOR_ARGB(255, red / 5, green / 6, 24)});
    }
    dev->SetVertexShader(D3DFVF_XYZ | D3DFVF_DIFFUSE);
    const HRESULT hr = dev->DrawPrimitiveUP(D3DPT_POINTLIST, static_cast<UINT>(pts.size()), pts.data(), sizeof(P));
    dev->SetRenderState(D3DRS_POINTSPRITEENABLE, FALSE);
    dev->SetRenderState(D3DRS_POINTSCALEENABLE, FALSE);
    dev->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    dev->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    dev->SetTexture(0, nullptr);
    return hr;
}

HRESULT BlendingScene(IDirect3DDevice8* dev, UINT w, UINT h) {
    dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    struct TL {
        float x, y, z, rhw;
        DWORD c;
    };
    const float fw = static_cast<float>(w), fh = static_cast<float>(h);
    dev->SetVertexShader(D3DFVF_XYZRHW | D3DFVF_DIFFUSE);
    dev->SetRenderState(D3DRS_LIGHTING, FALSE);
    dev->SetRenderState(D3DRS_ZENABLE, FALSE);
    StageColor(dev, 0, D3DTOP_SELECTARG1, D3DTA_DIFFUSE, D3DTA_CURRENT);
    StageAlpha(dev, 0, D3DTOP_SELECTARG1, D3DTA_DIFFUSE, D3DTA_CURRENT);
    // Background: a colour ramp left to right, alpha ramp top to bottom (on an ARGB target).
    const TL bg[] = {{-0.5f, -0.5f, 0, 1, 0x00ff2000}, {fw - 0.5f, -0.5f, 0, 1, 0x000040ff},
                     {-0.5f, fh - 0.5f, 0, 1, 0xffff2000}, {fw - 0.5f, fh - 0.5f, 0, 1, 0xff0040ff}};
    HRESULT hr = dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, bg, sizeof(TL));
    // One column per source factor, destination INVSRCALPHA; source colour green-white, alpha 0.6.
    dev->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    const float cw = fw / 11;
    for (DWORD f = D3DBLEND_ZERO; f <= D3DBLEND_SRCALPHASAT && SUCCEEDED(hr); ++f) {
        dev->SetRenderState(D3DRS_SRCBLEND, f);
        dev->SetRenderState(D3DRS_DESTBLEND, f == D3DBLEND_ONE ? D3DBLEND_ONE : D3DBLEND_INVSRCALPHA);
        const float x0 = (f - 1) * cw + 4, x1 = f * cw - 4;
        const TL q[] = {{x0, 20, 0, 1, 0x9980ff80}, {x1, 20, 0, 1, 0x99ffffff}, {x0, fh * 0.6f, 0, 1, 0x9980ff80},
                        {x1, fh * 0.6f, 0, 1, 0x99ffffff}};
        hr = dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, q, sizeof(TL));
    }
    dev->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    // Alpha test: a ramp of alpha drawn with each comparison against 0x80.
    dev->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    dev->SetRenderState(D3DRS_ALPHAREF, 0x80);
    const float rw = fw / 8;
    for (DWORD func = D3DCMP_NEVER; func <= D3DCMP_ALWAYS && SUCCEEDED(hr); ++func) {
        dev->SetRenderState(D3DRS_ALPHAFUNC, func);
        const float x0 = (func - 1) * rw + 4, x1 = func * rw - 4;
        const TL q[] = {{x0, fh * 0.65f, 0, 1, 0x00ffffff}, {x1, fh * 0.65f, 0, 1, 0xffffffff},
                        {x0, fh - 10, 0, 1, 0x00ffffff}, {x1, fh - 10, 0, 1, 0xffffffff}};
        hr = dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, q, sizeof(TL));
    }
    dev->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    dev->SetRenderState(D3DRS_ZENABLE, TRUE);
    return hr;
}

const Scene kScenes[] = {
    {"lighting", "spheres and a floor lit by point, spot and directional lights, exponential fog", LightingScene},
    {"texturing", "trilinear floor, sphere-mapped ball, wireframe ball, alpha-tested fence", TexturingScene},
    {"bump", "bump-distorted background, sphere with luminance bump map and added environment", BumpScene},
    {"particles", "600 distance-scaled point sprites, additive, bilinear", ParticlesScene},
    {"blending", "source blend factors 1..11 over a ramp; alpha test functions 1..8", BlendingScene},
};

}  // namespace

const Scene* Scenes(int& count) {
    count = static_cast<int>(sizeof kScenes / sizeof kScenes[0]);
    return kScenes;
}

}  // namespace refshot
