// refshot: renders the reference scenes with a REF device off-screen and writes each as a
// PNG file, so a person can look at what the software rasterizer draws.
//
//   refshot [output-directory] [width height]      (default: current directory, 640 480)
#include "png_writer.h"
#include "scenes.h"

#include "platform/d3d8.h"
#include "platform/d3d8/pixel_convert.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

int Fail(const std::string& what) {
    std::fprintf(stderr, "refshot: %s\n", what.c_str());
    return 1;
}

// Reads the back buffer as RGB rows.
bool ReadBackBuffer(IDirect3DDevice8* dev, UINT w, UINT h, std::vector<std::uint8_t>& rgb) {
    IDirect3DSurface8* back = nullptr;
    if (FAILED(dev->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &back))) return false;
    D3DSURFACE_DESC desc;
    D3DLOCKED_RECT lr;
    bool ok = SUCCEEDED(back->GetDesc(&desc)) && desc.Width == w && desc.Height == h &&
              SUCCEEDED(back->LockRect(&lr, nullptr, D3DLOCK_READONLY));
    if (ok) {
        const UINT bpp = desc.Format == D3DFMT_R5G6B5 ? 2 : 4;
        rgb.resize(static_cast<std::size_t>(w) * h * 3);
        for (UINT y = 0; y < h; ++y)
            for (UINT x = 0; x < w; ++x) {
                const D3DCOLOR c = d3d8::ReadArgb(desc.Format, static_cast<const BYTE*>(lr.pBits) + y * lr.Pitch + x * bpp);
                std::uint8_t* o = &rgb[(static_cast<std::size_t>(y) * w + x) * 3];
                o[0] = static_cast<std::uint8_t>(c >> 16);
                o[1] = static_cast<std::uint8_t>(c >> 8);
                o[2] = static_cast<std::uint8_t>(c);
            }
        back->UnlockRect();
    }
    back->Release();
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string dir = argc > 1 ? argv[1] : ".";
    UINT width = 640, height = 480;
    if (argc > 3) {
        const long w = std::strtol(argv[2], nullptr, 10), h = std::strtol(argv[3], nullptr, 10);
        if (w < 16 || h < 16 || w > 4096 || h > 4096) return Fail("width and height must be 16..4096");
        width = static_cast<UINT>(w);
        height = static_cast<UINT>(h);
    } else if (argc == 3) {
        return Fail("usage: refshot [output-directory] [width height]");
    }

    IDirect3D8* d3d = Direct3DCreate8(D3D_SDK_VERSION);
    if (!d3d) return Fail("Direct3DCreate8 failed");
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferWidth = width;
    pp.BackBufferHeight = height;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.BackBufferCount = 1;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.Windowed = TRUE;
    pp.EnableAutoDepthStencil = TRUE;
    pp.AutoDepthStencilFormat = D3DFMT_D24X8;
    pp.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
    IDirect3DDevice8* dev = nullptr;
    if (FAILED(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_REF, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp,
                                 &dev))) {
        d3d->Release();
        return Fail("CreateDevice (REF, off-screen) failed");
    }

    int count = 0;
    const refshot::Scene* scenes = refshot::Scenes(count);
    int failures = 0;
    for (int i = 0; i < count; ++i) {
        const refshot::Scene& s = scenes[i];
        // Each scene starts from the state a new device has.
        HRESULT hr = dev->BeginScene();
        if (SUCCEEDED(hr)) {
            hr = s.draw(dev, width, height);
            dev->EndScene();
        }
        std::vector<std::uint8_t> rgb;
        std::string error;
        const std::string path = dir + "/" + s.name + ".png";
        if (FAILED(hr)) {
            std::fprintf(stderr, "refshot: scene %s failed (0x%08x)\n", s.name, static_cast<unsigned>(hr));
            ++failures;
        } else if (!ReadBackBuffer(dev, width, height, rgb)) {
            std::fprintf(stderr, "refshot: cannot read the back buffer of %s\n", s.name);
            ++failures;
        } else if (!refshot::WritePng(path, static_cast<int>(width), static_cast<int>(height), rgb, error)) {
            std::fprintf(stderr, "refshot: %s\n", error.c_str());
            ++failures;
        } else {
            std::printf("%s  %s\n", path.c_str(), s.what);
        }
        dev->Present(nullptr, nullptr, nullptr, nullptr);
        dev->Reset(&pp);  // back to the default state for the next scene
    }
    dev->Release();
    d3d->Release();
    return failures ? 1 : 0;
}
