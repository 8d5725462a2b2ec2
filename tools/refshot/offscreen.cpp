#include "offscreen.h"

#include "platform/d3d8/format_info.h"
#include "platform/d3d8/pixel_convert.h"

#include <cstdio>

namespace refshot {

OffscreenDevice::~OffscreenDevice() {
    if (device_) device_->Release();
    if (d3d_) d3d_->Release();
}

bool OffscreenDevice::Create(UINT width, UINT height, std::string& error) {
    d3d_ = Direct3DCreate8(D3D_SDK_VERSION);
    if (!d3d_) {
        error = "Direct3DCreate8 failed";
        return false;
    }
    params_.BackBufferWidth = width;
    params_.BackBufferHeight = height;
    params_.BackBufferFormat = D3DFMT_X8R8G8B8;
    params_.BackBufferCount = 1;
    params_.SwapEffect = D3DSWAPEFFECT_DISCARD;
    params_.Windowed = TRUE;
    params_.EnableAutoDepthStencil = TRUE;
    params_.AutoDepthStencilFormat = D3DFMT_D24X8;
    params_.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
    if (FAILED(d3d_->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_REF, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                                  &params_, &device_))) {
        error = "CreateDevice (REF, off-screen) failed";
        return false;
    }
    return true;
}

bool OffscreenDevice::Render(const Scene& scene, std::vector<std::uint8_t>& rgb, std::string& error) {
    // Reset brings every state back to a fresh device's.
    if (FAILED(device_->Reset(&params_))) {
        error = "Reset failed";
        return false;
    }
    HRESULT hr = device_->BeginScene();
    if (SUCCEEDED(hr)) {
        hr = scene.draw(device_, params_.BackBufferWidth, params_.BackBufferHeight);
        device_->EndScene();
    }
    if (FAILED(hr)) {
        char text[96];
        std::snprintf(text, sizeof text, "scene %s failed (0x%08x)", scene.name, static_cast<unsigned>(hr));
        error = text;
        return false;
    }
    if (!ReadBackBuffer(rgb)) {
        error = std::string("cannot read the back buffer of ") + scene.name;
        return false;
    }
    device_->Present(nullptr, nullptr, nullptr, nullptr);
    return true;
}

bool OffscreenDevice::ReadBackBuffer(std::vector<std::uint8_t>& rgb) {
    IDirect3DSurface8* back = nullptr;
    if (FAILED(device_->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &back))) return false;
    D3DSURFACE_DESC desc;
    D3DLOCKED_RECT lr;
    const bool ok = SUCCEEDED(back->GetDesc(&desc)) && SUCCEEDED(back->LockRect(&lr, nullptr, D3DLOCK_READONLY));
    if (ok) {
        const UINT bpp = d3d8::BytesPerPixel(desc.Format);
        rgb.resize(static_cast<std::size_t>(desc.Width) * desc.Height * 3);
        for (UINT y = 0; y < desc.Height; ++y)
            for (UINT x = 0; x < desc.Width; ++x) {
                const D3DCOLOR c =
                    d3d8::ReadArgb(desc.Format, static_cast<const BYTE*>(lr.pBits) + y * lr.Pitch + x * bpp);
                std::uint8_t* o = &rgb[(static_cast<std::size_t>(y) * desc.Width + x) * 3];
                o[0] = static_cast<std::uint8_t>(c >> 16);
                o[1] = static_cast<std::uint8_t>(c >> 8);
                o[2] = static_cast<std::uint8_t>(c);
            }
        back->UnlockRect();
    }
    back->Release();
    return ok;
}

}  // namespace refshot
