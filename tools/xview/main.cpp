// xview: loads a .x mesh as the production does and reports what it holds; optionally renders
// it lit and textured with the software (REF) device into a PNG.
//
//   xview FILE [--out PNG] [--size WxH] [--angle DEGREES]
//
// Prints "FILE: V vertices, F faces, S subsets, M materials, T textures (K missing)", where F
// counts triangles and T the materials that name a texture file, K of which could not be
// loaded (names are tried as written, then beside the .x file). Exit status 0 on success,
// 1 when the file does not load or the picture cannot be made, 2 on a usage error.
#include "platform/d3dx8.h"
#include "platform/win32/data_file.h"
#include "platform/win32/debug_output.h"
#include "tools/png_file/png_file.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Options {
    std::string file;
    std::string out;
    UINT width = 512, height = 512;
    float angleDegrees = 30.0f;
};

int Usage(const char* why) {
    std::fprintf(stderr, "xview: %s\nusage: xview FILE [--out PNG] [--size WxH] [--angle DEGREES]\n", why);
    return 2;
}

bool ParseArgs(int argc, char** argv, Options& o, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](const char* name) -> const char* {
            if (i + 1 >= argc) {
                error = std::string(name) + " needs a value";
                return nullptr;
            }
            return argv[++i];
        };
        if (arg == "--out") {
            const char* v = value("--out");
            if (!v) return false;
            o.out = v;
        } else if (arg == "--size") {
            const char* v = value("--size");
            if (!v) return false;
            unsigned w = 0, h = 0;
            char extra = 0;
            if (std::sscanf(v, "%ux%u%c", &w, &h, &extra) != 2 || w < 1 || h < 1 || w > 8192 || h > 8192) {
                error = "--size takes WxH, each 1..8192";
                return false;
            }
            o.width = w, o.height = h;
        } else if (arg == "--angle") {
            const char* v = value("--angle");
            if (!v) return false;
            char* end = nullptr;
            o.angleDegrees = std::strtof(v, &end);
            if (end == v || *end || !std::isfinite(o.angleDegrees)) {
                error = "--angle takes a number of degrees";
                return false;
            }
        } else if (!arg.empty() && arg[0] == '-' && arg != "-") {
            error = "unknown option " + arg;
            return false;
        } else if (o.file.empty()) {
            o.file = arg;
        } else {
            error = "only one FILE";
            return false;
        }
    }
    if (o.file.empty()) {
        error = "no FILE given";
        return false;
    }
    return true;
}

const char* ResultName(HRESULT hr) {
    switch (hr) {
    case D3DXERR_INVALIDDATA: return "D3DXERR_INVALIDDATA";
    case D3DXERR_LOADEDMESHHASNODATA: return "D3DXERR_LOADEDMESHHASNODATA";
    case D3DERR_INVALIDCALL: return "D3DERR_INVALIDCALL";
    case D3DERR_NOTAVAILABLE: return "D3DERR_NOTAVAILABLE";
    case D3DERR_OUTOFVIDEOMEMORY: return "D3DERR_OUTOFVIDEOMEMORY";
    case E_OUTOFMEMORY: return "E_OUTOFMEMORY";
    default: return "error";
    }
}

std::string Folder(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool DataFileOpens(const std::string& path) { return platform::DataFile().Open(path.c_str(), nullptr); }

// The loaded mesh with its materials and textures, released in one place.
struct Scene {
    IDirect3D8* d3d = nullptr;
    IDirect3DDevice8* device = nullptr;
    ID3DXMesh* mesh = nullptr;
    std::vector<D3DMATERIAL8> materials;
    std::vector<IDirect3DTexture8*> textures;
    UINT namedTextures = 0, missingTextures = 0;

    ~Scene() {
        for (IDirect3DTexture8* t : textures)
            if (t) t->Release();
        if (mesh) mesh->Release();
        if (device) device->Release();
        if (d3d) d3d->Release();
    }
};

HRESULT CreateDevice(Scene& s, UINT width, UINT height) {
    s.d3d = Direct3DCreate8(D3D_SDK_VERSION);
    if (!s.d3d) return D3DERR_NOTAVAILABLE;
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferWidth = width;
    pp.BackBufferHeight = height;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.BackBufferCount = 1;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.Windowed = TRUE;
    pp.EnableAutoDepthStencil = TRUE;
    pp.AutoDepthStencilFormat = D3DFMT_D24X8;
    return s.d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_REF, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp,
                               &s.device);
}

HRESULT LoadScene(Scene& s, const std::string& file) {
    ID3DXBuffer* materialBuffer = nullptr;
    DWORD count = 0;
    const HRESULT hr = D3DXLoadMeshFromX(file.c_str(), D3DXMESH_SYSTEMMEM, s.device, nullptr, &materialBuffer, &count,
                                         &s.mesh);
    if (FAILED(hr)) return hr;
    if (materialBuffer) {
        const auto* m = static_cast<const D3DXMATERIAL*>(materialBuffer->GetBufferPointer());
        for (DWORD i = 0; i < count; ++i) {
            D3DMATERIAL8 material = m[i].MatD3D;
            material.Ambient = material.Diffuse;  // as the production's mesh wrapper does
            s.materials.push_back(material);
            IDirect3DTexture8* texture = nullptr;
            if (m[i].pTextureFilename && *m[i].pTextureFilename) {
                ++s.namedTextures;
                // The name as it stands, else beside the mesh file: only the one tried last is
                // reported when missing.
                const std::string name = m[i].pTextureFilename;
                const std::string path = DataFileOpens(name) ? name : Folder(file) + name;
                if (FAILED(D3DXCreateTextureFromFileA(s.device, path.c_str(), &texture))) ++s.missingTextures;
            }
            s.textures.push_back(texture);
        }
        materialBuffer->Release();
    }
    return S_OK;
}

// Centre and radius of the mesh's bounding sphere (about the box centre).
void Bounds(ID3DXMesh* mesh, D3DXVECTOR3& centre, float& radius) {
    centre = D3DXVECTOR3(0, 0, 0);
    radius = 1.0f;
    BYTE* data = nullptr;
    if (FAILED(mesh->LockVertexBuffer(D3DLOCK_READONLY, &data))) return;
    const UINT stride = D3DXGetFVFVertexSize(mesh->GetFVF());
    const DWORD n = mesh->GetNumVertices();
    D3DXVECTOR3 lo(1e30f, 1e30f, 1e30f), hi(-1e30f, -1e30f, -1e30f);
    for (DWORD i = 0; i < n; ++i) {
        D3DXVECTOR3 p;
        std::memcpy(&p.x, data + static_cast<size_t>(i) * stride, 12);
        lo = D3DXVECTOR3(std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z));
        hi = D3DXVECTOR3(std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z));
    }
    centre = (lo + hi) * 0.5f;
    float r = 0;
    for (DWORD i = 0; i < n; ++i) {
        D3DXVECTOR3 p;
        std::memcpy(&p.x, data + static_cast<size_t>(i) * stride, 12);
        const D3DXVECTOR3 d = p - centre;
        r = std::max(r, D3DXVec3Length(&d));
    }
    mesh->UnlockVertexBuffer();
    if (r > 0 && std::isfinite(r)) radius = r;
}

void DrawSubsets(Scene& s, IDirect3DDevice8* dev, bool lit, bool translucentPass) {
    const DWORD count = static_cast<DWORD>(s.materials.size());
    if (count == 0) {  // no materials: everything is subset 0 in plain grey
        if (translucentPass) return;
        D3DMATERIAL8 grey{};
        grey.Diffuse = grey.Ambient = {0.7f, 0.7f, 0.7f, 1.0f};
        dev->SetMaterial(&grey);
        dev->SetRenderState(D3DRS_TEXTUREFACTOR, D3DCOLOR_ARGB(255, 178, 178, 178));
        dev->SetTexture(0, nullptr);
        dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        dev->SetTextureStageState(0, D3DTSS_COLORARG1, lit ? D3DTA_DIFFUSE : D3DTA_TFACTOR);
        s.mesh->DrawSubset(0);
        return;
    }
    for (DWORD i = 0; i < count; ++i) {
        const bool opaque = s.materials[i].Diffuse.a >= 1.0f;
        if (opaque == translucentPass) continue;
        dev->SetMaterial(&s.materials[i]);
        dev->SetRenderState(D3DRS_TEXTUREFACTOR, static_cast<D3DCOLOR>(D3DXCOLOR(s.materials[i].Diffuse)));
        dev->SetTexture(0, s.textures[i]);
        const DWORD colour = lit ? D3DTA_DIFFUSE : D3DTA_TFACTOR;
        if (s.textures[i]) {
            dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
            dev->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
            dev->SetTextureStageState(0, D3DTSS_COLORARG2, colour);
            dev->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
            dev->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
            dev->SetTextureStageState(0, D3DTSS_ALPHAARG2, colour);
        } else {
            dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
            dev->SetTextureStageState(0, D3DTSS_COLORARG1, colour);
            dev->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
            dev->SetTextureStageState(0, D3DTSS_ALPHAARG1, colour);
        }
        s.mesh->DrawSubset(i);
    }
}

bool WritePng(const std::string& path, const BYTE* bits, INT pitch, UINT width, UINT height) {
    // Blue, green, red of each X8R8G8B8 pixel, without its unused fourth byte.
    pngfile::Picture picture{static_cast<int>(width), static_cast<int>(height), pngfile::Channels::Bgr, {}};
    picture.bytes.resize(static_cast<size_t>(width) * height * 3);
    for (UINT y = 0; y < height; ++y) {
        const BYTE* row = bits + static_cast<ptrdiff_t>(y) * pitch;
        for (UINT x = 0; x < width; ++x)
            std::memcpy(&picture.bytes[(static_cast<size_t>(y) * width + x) * 3], row + x * 4, 3);
    }
    std::string error;
    if (pngfile::Write(path, picture, error)) return true;
    std::fprintf(stderr, "xview: %s\n", error.c_str());
    return false;
}

HRESULT Render(Scene& s, const Options& o) {
    IDirect3DDevice8* dev = s.device;
    IDirect3DSurface8* target = nullptr;
    IDirect3DSurface8* depth = nullptr;
    IDirect3DSurface8* oldTarget = nullptr;
    IDirect3DSurface8* oldDepth = nullptr;
    dev->GetRenderTarget(&oldTarget);
    dev->GetDepthStencilSurface(&oldDepth);
    auto restore = [&] {
        if (oldTarget) dev->SetRenderTarget(oldTarget, oldDepth);
        for (IDirect3DSurface8* surface : {target, depth, oldTarget, oldDepth})
            if (surface) surface->Release();
    };
    HRESULT hr = dev->CreateRenderTarget(o.width, o.height, D3DFMT_X8R8G8B8, D3DMULTISAMPLE_NONE, TRUE, &target);
    if (SUCCEEDED(hr)) hr = dev->CreateDepthStencilSurface(o.width, o.height, D3DFMT_D24X8, D3DMULTISAMPLE_NONE, &depth);
    if (SUCCEEDED(hr)) hr = dev->SetRenderTarget(target, depth);
    if (FAILED(hr)) {
        restore();
        return hr;
    }

    D3DXVECTOR3 centre;
    float radius;
    Bounds(s.mesh, centre, radius);
    const float fov = D3DX_PI / 4;
    const float aspect = static_cast<float>(o.width) / static_cast<float>(o.height);
    // Far enough that the bounding sphere fits the narrower field of view.
    const float halfFov = aspect < 1.0f ? std::atan(std::tan(fov / 2) * aspect) : fov / 2;
    const float distance = radius / std::sin(halfFov) * 1.05f;
    D3DXMATRIX toOrigin, turn, world, view, projection;
    D3DXMatrixTranslation(&toOrigin, -centre.x, -centre.y, -centre.z);
    D3DXMatrixRotationY(&turn, o.angleDegrees * D3DX_PI / 180.0f);
    D3DXMatrixMultiply(&world, &toOrigin, &turn);
    const D3DXVECTOR3 eye(0, distance * 0.25f, -distance * 0.97f), at(0, 0, 0), up(0, 1, 0);
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    D3DXMatrixPerspectiveFovLH(&projection, fov, aspect, std::max(distance - radius * 1.5f, distance * 0.01f),
                               distance + radius * 1.5f);
    dev->SetTransform(D3DTS_WORLD, &world);
    dev->SetTransform(D3DTS_VIEW, &view);
    dev->SetTransform(D3DTS_PROJECTION, &projection);

    const bool lit = (s.mesh->GetFVF() & D3DFVF_NORMAL) != 0;
    D3DLIGHT8 light{};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {1, 1, 1, 1};
    light.Direction = {0.4f, -0.6f, 0.7f};
    dev->SetLight(0, &light);
    dev->LightEnable(0, TRUE);
    dev->SetRenderState(D3DRS_LIGHTING, lit ? TRUE : FALSE);
    dev->SetRenderState(D3DRS_AMBIENT, D3DCOLOR_XRGB(70, 70, 70));
    dev->SetRenderState(D3DRS_NORMALIZENORMALS, TRUE);
    dev->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);  // exporters disagree about winding
    for (D3DTEXTURESTAGESTATETYPE f : {D3DTSS_MINFILTER, D3DTSS_MAGFILTER, D3DTSS_MIPFILTER})
        dev->SetTextureStageState(0, f, D3DTEXF_LINEAR);
    dev->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);

    dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, D3DCOLOR_XRGB(48, 48, 64), 1.0f, 0);
    hr = dev->BeginScene();
    if (SUCCEEDED(hr)) {
        DrawSubsets(s, dev, lit, false);
        dev->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        dev->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
        DrawSubsets(s, dev, lit, true);
        dev->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
        hr = dev->EndScene();
    }
    D3DLOCKED_RECT locked{};
    if (SUCCEEDED(hr)) hr = target->LockRect(&locked, nullptr, D3DLOCK_READONLY);
    if (SUCCEEDED(hr)) {
        const bool written = WritePng(o.out, static_cast<const BYTE*>(locked.pBits), locked.Pitch, o.width, o.height);
        target->UnlockRect();
        if (!written) hr = E_FAIL;
    }
    dev->SetTexture(0, nullptr);
    restore();
    return hr;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    std::string error;
    if (!ParseArgs(argc, argv, o, error)) return Usage(error.c_str());

    // The loaders explain failures on the debugger output: pass that on to stderr.
    std::string reasons;
    platform::SetDebugOutputSink([&](const char* text) { reasons += text; });

    Scene s;
    HRESULT hr = CreateDevice(s, o.width, o.height);
    if (FAILED(hr)) {
        std::fprintf(stderr, "xview: no REF device (%s, 0x%08x)\n", ResultName(hr), static_cast<unsigned>(hr));
        return 1;
    }
    hr = LoadScene(s, o.file);
    if (FAILED(hr)) {
        std::fprintf(stderr, "xview: %s: cannot load (%s, 0x%08x)\n%s", o.file.c_str(), ResultName(hr),
                     static_cast<unsigned>(hr), reasons.c_str());
        return 1;
    }
    DWORD subsets = 0;
    s.mesh->GetAttributeTable(nullptr, &subsets);
    std::printf("%s: %lu vertices, %lu faces, %lu subsets, %zu materials, %u textures (%u missing)\n", o.file.c_str(),
                static_cast<unsigned long>(s.mesh->GetNumVertices()), static_cast<unsigned long>(s.mesh->GetNumFaces()),
                static_cast<unsigned long>(subsets), s.materials.size(), s.namedTextures, s.missingTextures);
    if (o.out.empty()) return 0;
    hr = Render(s, o);
    if (FAILED(hr)) {
        std::fprintf(stderr, "xview: %s: cannot render to %s (%s, 0x%08x)\n%s", o.file.c_str(), o.out.c_str(),
                     ResultName(hr), static_cast<unsigned>(hr), reasons.c_str());
        return 1;
    }
    return 0;
}
