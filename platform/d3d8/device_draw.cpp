// Clearing and drawing: validation of the call against the bound state, the snapshot
// the rasterizer reads (rebuilt where the dirty bits say), and the hand-over.
#include "platform/d3d8/caps.h"
#include "platform/d3d8/device.h"
#include "platform/d3d8/fixed_function.h"
#include "platform/d3d8/format_info.h"
#include "platform/d3d8/fvf.h"

#include <algorithm>
#include <cstring>

namespace d3d8 {

namespace {

bool IsPrimitiveType(D3DPRIMITIVETYPE t) { return t >= D3DPT_POINTLIST && t <= D3DPT_TRIANGLEFAN; }

// Every index + base is below `vertexCount`.
bool IndicesInRange(const BYTE* indices, D3DFORMAT format, UINT first, unsigned long long count, INT base,
                    UINT vertexCount) {
    const long long limit = static_cast<long long>(vertexCount) - base;  // index must be < limit and >= -base
    if (limit <= 0) return false;
    if (format == D3DFMT_INDEX32) {
        for (unsigned long long i = 0; i < count; ++i) {
            DWORD v;
            std::memcpy(&v, indices + (first + i) * 4, 4);
            if (static_cast<long long>(v) >= limit) return false;
        }
    } else {
        for (unsigned long long i = 0; i < count; ++i) {
            WORD v;
            std::memcpy(&v, indices + (first + i) * 2, 2);
            if (static_cast<long long>(v) >= limit) return false;
        }
    }
    return true;
}

}  // namespace

HRESULT Device::PrepareDraw(const char* where) {
    if (dirty_ & kDirtyLights) {
        state_.lightCount = 0;
        UINT enabled = 0;
        for (const auto& l : lights_) {
            if (!l.second.enabled) continue;
            ++enabled;
            if (state_.lightCount < kMaxActiveLights) state_.lights[state_.lightCount++] = l.second.light;
        }
        if (enabled > kMaxActiveLights && !warnedLights_) {
            warnedLights_ = true;
            Report(where, "more than 8 lights enabled; the first 8 by index are used");
        }
    }
    state_.activeStages = CascadeLengthWithTextures(state_);
    dirty_ = 0;
    return D3D_OK;
}

HRESULT Device::CheckDrawState(const char* where, bool needStream) {
    if (!inScene_) {
        Report(where, "drawing outside BeginScene/EndScene");
        return D3DERR_INVALIDCALL;
    }
    const FvfLayout layout = DecodeFvf(state_.fvf);
    if (!layout.valid) {
        Report(where, "no vertex format set (SetVertexShader)");
        return D3DERR_INVALIDCALL;
    }
    if (needStream) {
        const StreamBinding& s = streams_[0];
        if (!s.buffer) {
            Report(where, "no vertex buffer on stream 0");
            return D3DERR_INVALIDCALL;
        }
        if (s.stride < layout.size) {
            Report(where, "stream 0 stride smaller than the vertex format");
            return D3DERR_INVALIDCALL;
        }
        if (s.buffer->Storage().IsLocked()) {
            Report(where, "vertex buffer is locked");
            return D3DERR_INVALIDCALL;
        }
    }
    for (const auto& t : textures_) {
        if (t && t->AnyLevelLocked()) {
            Report(where, "a bound texture is locked");
            return D3DERR_INVALIDCALL;
        }
    }
    if (renderTarget_->IsLocked()) {
        Report(where, "render target is locked");
        return D3DERR_INVALIDCALL;
    }
    return PrepareDraw(where);
}

HRESULT Device::Clear(DWORD Count, const D3DRECT* pRects, DWORD Flags, D3DCOLOR Color, float Z, DWORD Stencil) {
    const char* where = "IDirect3DDevice8::Clear";
    const DWORD known = D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL;
    if (Flags == 0 || (Flags & ~known)) {
        Report(where, "no or unknown clear flags");
        return D3DERR_INVALIDCALL;
    }
    if ((Count != 0) != (pRects != nullptr)) {
        Report(where, "rectangle count and array disagree");
        return D3DERR_INVALIDCALL;
    }
    if ((Flags & (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) && !depthStencil_) {
        Report(where, "no depth-stencil surface to clear");
        return D3DERR_INVALIDCALL;
    }
    if ((Flags & D3DCLEAR_STENCIL) && !HasStencil(depthStencil_->Desc().format)) {
        Report(where, "depth-stencil surface has no stencil");
        return D3DERR_INVALIDCALL;
    }
    if (!(Z >= 0.0f && Z <= 1.0f)) {
        Report(where, "depth value outside 0..1");
        return D3DERR_INVALIDCALL;
    }
    if (renderTarget_->IsLocked()) {
        Report(where, "render target is locked");
        return D3DERR_INVALIDCALL;
    }
    if (cooperative_ != Cooperative::kOk) return D3D_OK;  // a lost device accepts and drops work

    const D3DVIEWPORT8& v = state_.viewport;
    const RECT area{static_cast<LONG>(v.X), static_cast<LONG>(v.Y), static_cast<LONG>(v.X + v.Width),
                    static_cast<LONG>(v.Y + v.Height)};
    const DWORD count = Count == 0 ? 1 : Count;
    for (DWORD i = 0; i < count; ++i) {
        RECT r = area;
        if (Count != 0) {
            r.left = std::max<LONG>(r.left, pRects[i].x1);
            r.top = std::max<LONG>(r.top, pRects[i].y1);
            r.right = std::min<LONG>(r.right, pRects[i].x2);
            r.bottom = std::min<LONG>(r.bottom, pRects[i].y2);
        }
        if (r.left >= r.right || r.top >= r.bottom) continue;
        if (rasterizing_) rasterizer_->Clear(targets_, r, Flags, Color, Z, Stencil);
    }
    if (Flags & D3DCLEAR_TARGET) renderTarget_->ContentsChanged();
    return D3D_OK;
}

HRESULT Device::ValidateDevice(DWORD* pNumPasses) {
    if (!pNumPasses) return D3DERR_INVALIDCALL;
    *pNumPasses = 0;
    const D3DCAPS8& caps = caps_;
    const auto argSupported = [](DWORD arg) {
        const DWORD which = arg & D3DTA_SELECTMASK;
        return which == D3DTA_DIFFUSE || which == D3DTA_CURRENT || which == D3DTA_TEXTURE || which == D3DTA_TFACTOR;
    };
    const auto filterSupported = [](DWORD f) { return f <= D3DTEXF_LINEAR; };
    for (UINT stage = 0; stage < kMaxStages; ++stage) {
        const DWORD* s = state_.stageStates[stage];
        const DWORD colorOp = s[D3DTSS_COLOROP];
        if (colorOp == D3DTOP_DISABLE) break;
        if (!(caps.TextureOpCaps & (1u << (colorOp - 1)))) return D3DERR_UNSUPPORTEDCOLOROPERATION;
        if (!argSupported(s[D3DTSS_COLORARG1]) || !argSupported(s[D3DTSS_COLORARG2]) ||
            s[D3DTSS_RESULTARG] != D3DTA_CURRENT)
            return D3DERR_UNSUPPORTEDCOLORARG;
        const DWORD alphaOp = s[D3DTSS_ALPHAOP];
        if (alphaOp != D3DTOP_DISABLE) {
            if (!(caps.TextureOpCaps & (1u << (alphaOp - 1)))) return D3DERR_UNSUPPORTEDALPHAOPERATION;
            if (!argSupported(s[D3DTSS_ALPHAARG1]) || !argSupported(s[D3DTSS_ALPHAARG2]))
                return D3DERR_UNSUPPORTEDALPHAARG;
        }
        if (!filterSupported(s[D3DTSS_MINFILTER]) || !filterSupported(s[D3DTSS_MAGFILTER]) ||
            !filterSupported(s[D3DTSS_MIPFILTER]))
            return D3DERR_UNSUPPORTEDTEXTUREFILTER;
    }
    *pNumPasses = 1;
    return D3D_OK;
}

HRESULT Device::DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex, UINT PrimitiveCount) {
    const char* where = "IDirect3DDevice8::DrawPrimitive";
    if (!IsPrimitiveType(PrimitiveType) || PrimitiveCount > caps_.MaxPrimitiveCount) {
        Report(where, "unknown primitive type or too many primitives");
        return D3DERR_INVALIDCALL;
    }
    HRESULT hr = CheckDrawState(where, true);
    if (FAILED(hr)) return hr;
    if (PrimitiveCount == 0 || cooperative_ != Cooperative::kOk) return D3D_OK;
    const StreamBinding& s = streams_[0];
    const UINT vertexCount = s.buffer->Storage().Size() / s.stride;
    if (static_cast<unsigned long long>(StartVertex) + VerticesForPrimitives(PrimitiveType, PrimitiveCount) >
        vertexCount) {
        Report(where, "vertex range beyond the end of the vertex buffer");
        return D3DERR_INVALIDCALL;
    }
    DrawCall call;
    call.primitiveType = PrimitiveType;
    call.primitiveCount = PrimitiveCount;
    call.vertices = s.buffer->Storage().Bytes();
    call.stride = s.stride;
    call.vertexCount = vertexCount;
    call.startVertex = StartVertex;
    Rasterize(call);
    renderTarget_->ContentsChanged();
    return D3D_OK;
}

HRESULT Device::DrawIndexedPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT /*MinIndex*/, UINT /*NumVertices*/,
                                     UINT StartIndex, UINT PrimitiveCount) {
    const char* where = "IDirect3DDevice8::DrawIndexedPrimitive";
    if (!IsPrimitiveType(PrimitiveType) || PrimitiveCount > caps_.MaxPrimitiveCount) {
        Report(where, "unknown primitive type or too many primitives");
        return D3DERR_INVALIDCALL;
    }
    HRESULT hr = CheckDrawState(where, true);
    if (FAILED(hr)) return hr;
    if (!indices_) {
        Report(where, "no index buffer set");
        return D3DERR_INVALIDCALL;
    }
    if (indices_->Storage().IsLocked()) {
        Report(where, "index buffer is locked");
        return D3DERR_INVALIDCALL;
    }
    if (PrimitiveCount == 0 || cooperative_ != Cooperative::kOk) return D3D_OK;
    const StreamBinding& s = streams_[0];
    const UINT vertexCount = s.buffer->Storage().Size() / s.stride;
    const unsigned long long indexCount = VerticesForPrimitives(PrimitiveType, PrimitiveCount);
    const UINT available = indices_->Storage().Size() / indices_->IndexSize();
    if (StartIndex + indexCount > available) {
        Report(where, "index range beyond the end of the index buffer");
        return D3DERR_INVALIDCALL;
    }
    const INT base = static_cast<INT>(baseVertexIndex_);
    // Most buffers hold no index beyond the vertices at all; only the others are scanned per draw.
    const bool wholeBufferFits = static_cast<unsigned long long>(indices_->MaxIndex()) + baseVertexIndex_ < vertexCount;
    if (baseVertexIndex_ > 0x7fffffffu ||
        (!wholeBufferFits &&
         !IndicesInRange(indices_->Storage().Bytes(), indices_->Format(), StartIndex, indexCount, base, vertexCount))) {
        Report(where, "an index points beyond the end of the vertex buffer");
        return D3DERR_INVALIDCALL;
    }
    DrawCall call;
    call.primitiveType = PrimitiveType;
    call.primitiveCount = PrimitiveCount;
    call.vertices = s.buffer->Storage().Bytes();
    call.stride = s.stride;
    call.vertexCount = vertexCount;
    call.indices = indices_->Storage().Bytes();
    call.indexFormat = indices_->Format();
    call.startIndex = StartIndex;
    call.baseVertex = base;
    Rasterize(call);
    renderTarget_->ContentsChanged();
    return D3D_OK;
}

HRESULT Device::DrawPrimitiveUP(D3DPRIMITIVETYPE PrimitiveType, UINT PrimitiveCount,
                                const void* pVertexStreamZeroData, UINT VertexStreamZeroStride) {
    const char* where = "IDirect3DDevice8::DrawPrimitiveUP";
    if (!IsPrimitiveType(PrimitiveType) || PrimitiveCount > caps_.MaxPrimitiveCount ||
        !pVertexStreamZeroData) {
        Report(where, "unknown primitive type, too many primitives or null vertex data");
        return D3DERR_INVALIDCALL;
    }
    HRESULT hr = CheckDrawState(where, false);
    if (FAILED(hr)) return hr;
    if (VertexStreamZeroStride < DecodeFvf(state_.fvf).size) {
        Report(where, "stride smaller than the vertex format");
        return D3DERR_INVALIDCALL;
    }
    // As Direct3D 8 does, the user-pointer draw leaves stream 0 unset.
    streams_[0].buffer.Reset(nullptr);
    streams_[0].stride = 0;
    if (PrimitiveCount == 0 || cooperative_ != Cooperative::kOk) return D3D_OK;
    DrawCall call;
    call.primitiveType = PrimitiveType;
    call.primitiveCount = PrimitiveCount;
    call.vertices = static_cast<const BYTE*>(pVertexStreamZeroData);
    call.stride = VertexStreamZeroStride;
    call.vertexCount = static_cast<UINT>(VerticesForPrimitives(PrimitiveType, PrimitiveCount));
    Rasterize(call);
    renderTarget_->ContentsChanged();
    return D3D_OK;
}

HRESULT Device::DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE PrimitiveType, UINT MinVertexIndex, UINT NumVertexIndices,
                                       UINT PrimitiveCount, const void* pIndexData, D3DFORMAT IndexDataFormat,
                                       const void* pVertexStreamZeroData, UINT VertexStreamZeroStride) {
    const char* where = "IDirect3DDevice8::DrawIndexedPrimitiveUP";
    if (!IsPrimitiveType(PrimitiveType) || PrimitiveCount > caps_.MaxPrimitiveCount || !pIndexData ||
        !pVertexStreamZeroData || (IndexDataFormat != D3DFMT_INDEX16 && IndexDataFormat != D3DFMT_INDEX32)) {
        Report(where, "unknown primitive type or index format, too many primitives or null data");
        return D3DERR_INVALIDCALL;
    }
    HRESULT hr = CheckDrawState(where, false);
    if (FAILED(hr)) return hr;
    if (VertexStreamZeroStride < DecodeFvf(state_.fvf).size) {
        Report(where, "stride smaller than the vertex format");
        return D3DERR_INVALIDCALL;
    }
    const unsigned long long readable = static_cast<unsigned long long>(MinVertexIndex) + NumVertexIndices;
    const unsigned long long indexCount = VerticesForPrimitives(PrimitiveType, PrimitiveCount);
    if (readable > 0xffffffffull ||
        !IndicesInRange(static_cast<const BYTE*>(pIndexData), IndexDataFormat, 0, indexCount, 0,
                        static_cast<UINT>(readable))) {
        Report(where, "an index lies outside MinVertexIndex .. MinVertexIndex + NumVertexIndices");
        return D3DERR_INVALIDCALL;
    }
    // As Direct3D 8 does, the user-pointer draw leaves stream 0 and the indices unset.
    streams_[0].buffer.Reset(nullptr);
    streams_[0].stride = 0;
    indices_.Reset(nullptr);
    baseVertexIndex_ = 0;
    if (PrimitiveCount == 0 || cooperative_ != Cooperative::kOk) return D3D_OK;
    DrawCall call;
    call.primitiveType = PrimitiveType;
    call.primitiveCount = PrimitiveCount;
    call.vertices = static_cast<const BYTE*>(pVertexStreamZeroData);
    call.stride = VertexStreamZeroStride;
    call.vertexCount = static_cast<UINT>(readable);
    call.indices = static_cast<const BYTE*>(pIndexData);
    call.indexFormat = IndexDataFormat;
    Rasterize(call);
    renderTarget_->ContentsChanged();
    return D3D_OK;
}

}  // namespace d3d8
