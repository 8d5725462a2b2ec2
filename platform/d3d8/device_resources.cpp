// Creating textures, buffers and surfaces, and copying between surfaces.
#include "platform/d3d8/caps.h"
#include "platform/d3d8/device.h"
#include "platform/d3d8/format_info.h"
#include "platform/d3d8/fvf.h"

#include <cstring>
#include <new>
#include <utility>

namespace d3d8 {

namespace {

constexpr UINT kMaxTextureSize = 4096;     // texels, as the caps report
constexpr UINT kMaxSurfaceSize = 8192;     // pixels of render targets and image surfaces
constexpr UINT kMaxBufferBytes = 1u << 28;  // 256 MiB

// A new object, or null (reported) when memory runs out.
template <typename T, typename... Args>
T* Make(const char* where, Args&&... args) {
    try {
        return new T(std::forward<Args>(args)...);
    } catch (const std::bad_alloc&) {
        Report(where, "out of memory");
        return nullptr;
    }
}

bool IsPool(D3DPOOL pool) { return pool == D3DPOOL_DEFAULT || pool == D3DPOOL_MANAGED || pool == D3DPOOL_SYSTEMMEM; }

constexpr DWORD kBufferUsages = D3DUSAGE_WRITEONLY | D3DUSAGE_SOFTWAREPROCESSING | D3DUSAGE_DONOTCLIP |
                                D3DUSAGE_POINTS | D3DUSAGE_RTPATCHES | D3DUSAGE_NPATCHES | D3DUSAGE_DYNAMIC;

HRESULT CheckBufferArgs(const char* where, UINT length, DWORD usage, D3DPOOL pool) {
    if (length == 0 || length > kMaxBufferBytes) {
        Report(where, "length 0 or above 256 MiB");
        return D3DERR_INVALIDCALL;
    }
    if ((usage & ~kBufferUsages) || !IsPool(pool) || ((usage & D3DUSAGE_DYNAMIC) && pool == D3DPOOL_MANAGED)) {
        Report(where, "unknown usage or pool, or a dynamic buffer in the managed pool");
        return D3DERR_INVALIDCALL;
    }
    return D3D_OK;
}

}  // namespace

HRESULT Device::CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                              IDirect3DTexture8** ppTexture) {
    const char* where = "IDirect3DDevice8::CreateTexture";
    if (!ppTexture) {
        Report(where, "null texture pointer");
        return D3DERR_INVALIDCALL;
    }
    *ppTexture = nullptr;
    if (Width == 0 || Height == 0 || Width > kMaxTextureSize || Height > kMaxTextureSize) {
        Report(where, "size 0 or above 4096");
        return D3DERR_INVALIDCALL;
    }
    const UINT full = Texture::FullChainLength(Width, Height);
    if (Levels > full) {
        Report(where, "more levels than the chain down to 1x1 has");
        return D3DERR_INVALIDCALL;
    }
    if ((Usage & ~(D3DUSAGE_RENDERTARGET | D3DUSAGE_DYNAMIC)) || !IsPool(Pool)) {
        Report(where, "unknown usage (depth textures are not supported) or pool");
        return D3DERR_INVALIDCALL;
    }
    if ((Usage & D3DUSAGE_RENDERTARGET) && (Pool != D3DPOOL_DEFAULT || !IsRenderTargetFormat(Format))) {
        Report(where, "render-target textures need D3DPOOL_DEFAULT and a render-target format");
        return D3DERR_INVALIDCALL;
    }
    if ((Usage & D3DUSAGE_DYNAMIC) && Pool == D3DPOOL_MANAGED) {
        Report(where, "dynamic textures cannot be managed");
        return D3DERR_INVALIDCALL;
    }
    if (!IsTextureFormat(Format)) {
        Report(where, "texture format not supported");
        return D3DERR_INVALIDCALL;
    }
    auto* texture = Make<Texture>(where, this, Width, Height, Levels == 0 ? full : Levels, Usage, Format, Pool);
    if (!texture) return D3DERR_OUTOFVIDEOMEMORY;
    texture->AddRef();
    *ppTexture = texture;
    return D3D_OK;
}

HRESULT Device::CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                                   IDirect3DVertexBuffer8** ppVertexBuffer) {
    const char* where = "IDirect3DDevice8::CreateVertexBuffer";
    if (!ppVertexBuffer) {
        Report(where, "null buffer pointer");
        return D3DERR_INVALIDCALL;
    }
    *ppVertexBuffer = nullptr;
    if (FAILED(CheckBufferArgs(where, Length, Usage, Pool))) return D3DERR_INVALIDCALL;
    if (FVF != 0) {
        const FvfLayout layout = DecodeFvf(FVF);
        if (!layout.valid || Length < layout.size) {
            Report(where, "invalid FVF, or shorter than one vertex");
            return D3DERR_INVALIDCALL;
        }
    }
    auto* buffer = Make<VertexBuffer>(where, this, Length, Usage, FVF, Pool);
    if (!buffer) return D3DERR_OUTOFVIDEOMEMORY;
    buffer->AddRef();
    *ppVertexBuffer = buffer;
    return D3D_OK;
}

HRESULT Device::CreateIndexBuffer(UINT Length, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                  IDirect3DIndexBuffer8** ppIndexBuffer) {
    const char* where = "IDirect3DDevice8::CreateIndexBuffer";
    if (!ppIndexBuffer) {
        Report(where, "null buffer pointer");
        return D3DERR_INVALIDCALL;
    }
    *ppIndexBuffer = nullptr;
    if (FAILED(CheckBufferArgs(where, Length, Usage, Pool))) return D3DERR_INVALIDCALL;
    if ((Format != D3DFMT_INDEX16 && Format != D3DFMT_INDEX32) || Length < (Format == D3DFMT_INDEX32 ? 4u : 2u)) {
        Report(where, "format must be INDEX16 or INDEX32, length at least one index");
        return D3DERR_INVALIDCALL;
    }
    auto* buffer = Make<IndexBuffer>(where, this, Length, Usage, Format, Pool);
    if (!buffer) return D3DERR_OUTOFVIDEOMEMORY;
    buffer->AddRef();
    *ppIndexBuffer = buffer;
    return D3D_OK;
}

HRESULT Device::CreateRenderTarget(UINT Width, UINT Height, D3DFORMAT Format, D3DMULTISAMPLE_TYPE MultiSample,
                                   BOOL Lockable, IDirect3DSurface8** ppSurface) {
    const char* where = "IDirect3DDevice8::CreateRenderTarget";
    if (!ppSurface) {
        Report(where, "null surface pointer");
        return D3DERR_INVALIDCALL;
    }
    *ppSurface = nullptr;
    if (Width == 0 || Height == 0 || Width > kMaxSurfaceSize || Height > kMaxSurfaceSize ||
        !IsRenderTargetFormat(Format) || MultiSample != D3DMULTISAMPLE_NONE) {
        Report(where, "size 0 or above 8192, format not a render-target format, or multisampled");
        return D3DERR_INVALIDCALL;
    }
    SurfaceDesc desc;
    desc.width = Width;
    desc.height = Height;
    desc.format = Format;
    desc.usage = D3DUSAGE_RENDERTARGET;
    desc.pool = D3DPOOL_DEFAULT;
    desc.lockable = Lockable != FALSE;
    auto* surface = Make<Surface>(where, this, desc);
    if (!surface) return D3DERR_OUTOFVIDEOMEMORY;
    surface->AddRef();
    *ppSurface = surface;
    return D3D_OK;
}

HRESULT Device::CreateDepthStencilSurface(UINT Width, UINT Height, D3DFORMAT Format, D3DMULTISAMPLE_TYPE MultiSample,
                                          IDirect3DSurface8** ppSurface) {
    const char* where = "IDirect3DDevice8::CreateDepthStencilSurface";
    if (!ppSurface) {
        Report(where, "null surface pointer");
        return D3DERR_INVALIDCALL;
    }
    *ppSurface = nullptr;
    if (Width == 0 || Height == 0 || Width > kMaxSurfaceSize || Height > kMaxSurfaceSize ||
        !IsSupportedDepthFormat(Format) || MultiSample != D3DMULTISAMPLE_NONE) {
        Report(where, "size 0 or above 8192, unsupported depth format, or multisampled");
        return D3DERR_INVALIDCALL;
    }
    SurfaceDesc desc;
    desc.width = Width;
    desc.height = Height;
    desc.format = Format;
    desc.usage = D3DUSAGE_DEPTHSTENCIL;
    desc.pool = D3DPOOL_DEFAULT;
    desc.lockable = false;
    auto* surface = Make<Surface>(where, this, desc);
    if (!surface) return D3DERR_OUTOFVIDEOMEMORY;
    surface->AddRef();
    *ppSurface = surface;
    return D3D_OK;
}

HRESULT Device::CreateImageSurface(UINT Width, UINT Height, D3DFORMAT Format, IDirect3DSurface8** ppSurface) {
    const char* where = "IDirect3DDevice8::CreateImageSurface";
    if (!ppSurface) {
        Report(where, "null surface pointer");
        return D3DERR_INVALIDCALL;
    }
    *ppSurface = nullptr;
    if (Width == 0 || Height == 0 || Width > kMaxSurfaceSize || Height > kMaxSurfaceSize ||
        !IsTextureFormat(Format)) {
        Report(where, "size 0 or above 8192, or format not supported");
        return D3DERR_INVALIDCALL;
    }
    SurfaceDesc desc;
    desc.width = Width;
    desc.height = Height;
    desc.format = Format;
    desc.pool = D3DPOOL_SYSTEMMEM;
    auto* surface = Make<Surface>(where, this, desc);
    if (!surface) return D3DERR_OUTOFVIDEOMEMORY;
    surface->AddRef();
    *ppSurface = surface;
    return D3D_OK;
}

HRESULT Device::CopyRects(IDirect3DSurface8* pSourceSurface, const RECT* pSourceRectsArray, UINT cRects,
                          IDirect3DSurface8* pDestinationSurface, const POINT* pDestPointsArray) {
    const char* where = "IDirect3DDevice8::CopyRects";
    auto* src = dynamic_cast<Surface*>(pSourceSurface);
    auto* dst = dynamic_cast<Surface*>(pDestinationSurface);
    if (!src || !dst || src->OwnerDevice() != this || dst->OwnerDevice() != this) {
        Report(where, "surfaces must belong to this device");
        return D3DERR_INVALIDCALL;
    }
    if (src == dst || src->Desc().format != dst->Desc().format || src->IsDepth() || dst->IsDepth() ||
        src->IsLocked() || dst->IsLocked()) {
        Report(where, "surfaces must differ, share a colour format and not be locked");
        return D3DERR_INVALIDCALL;
    }
    if ((cRects != 0) != (pSourceRectsArray != nullptr)) {
        Report(where, "rectangle count and array disagree");
        return D3DERR_INVALIDCALL;
    }
    const SurfaceData& s = src->Data();
    SurfaceData& d = dst->Data();
    const RECT whole{0, 0, static_cast<LONG>(s.width), static_cast<LONG>(s.height)};
    const UINT count = cRects == 0 ? 1 : cRects;
    // Check every rectangle first, so a failure leaves the destination unchanged.
    for (UINT i = 0; i < count; ++i) {
        const RECT& r = cRects == 0 ? whole : pSourceRectsArray[i];
        const POINT p = pDestPointsArray ? pDestPointsArray[i] : POINT{r.left, r.top};
        if (r.left < 0 || r.top < 0 || r.left >= r.right || r.top >= r.bottom ||
            static_cast<UINT>(r.right) > s.width || static_cast<UINT>(r.bottom) > s.height || p.x < 0 || p.y < 0 ||
            static_cast<unsigned long long>(p.x) + (r.right - r.left) > d.width ||
            static_cast<unsigned long long>(p.y) + (r.bottom - r.top) > d.height) {
            Report(where, "rectangle outside a surface");
            return D3DERR_INVALIDCALL;
        }
    }
    const UINT bpp = BytesPerPixel(s.format);
    for (UINT i = 0; i < count; ++i) {
        const RECT& r = cRects == 0 ? whole : pSourceRectsArray[i];
        const POINT p = pDestPointsArray ? pDestPointsArray[i] : POINT{r.left, r.top};
        const size_t rowBytes = static_cast<size_t>(r.right - r.left) * bpp;
        for (LONG y = r.top; y < r.bottom; ++y) {
            const BYTE* from = s.bits + static_cast<std::ptrdiff_t>(y) * s.pitch + r.left * bpp;
            BYTE* to = d.bits + static_cast<std::ptrdiff_t>(p.y + (y - r.top)) * d.pitch + p.x * bpp;
            std::memcpy(to, from, rowBytes);
        }
    }
    dst->ContentsChanged();
    return D3D_OK;
}

}  // namespace d3d8
