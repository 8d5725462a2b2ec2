// A device that passes every call on to a real one and records what tests of drawing code
// look at: textures, transforms and render states as they are set, clears, and each draw
// with the stage-0 texture, world and view transforms and vertex buffer it was made with.
// Resources are the real device's, so code loads its content through it as usual.
#pragma once

#include <vector>

#include "platform/d3d8.h"

namespace fake {

// Every call goes to `inner` unchanged, reference counting included.
class ForwardingDevice : public IDirect3DDevice8 {
public:
    explicit ForwardingDevice(IDirect3DDevice8* inner) : inner_(inner) {}
    IDirect3DDevice8* Inner() const { return inner_; }

    ULONG AddRef() override { return inner_->AddRef(); }
    ULONG Release() override { return inner_->Release(); }

// One line per method: Result Name(Params) passed on as inner_->Name(Args).
#define FORWARD(Result, Name, Params, Args) \
    Result Name Params override { return inner_->Name Args; }
    FORWARD(HRESULT, TestCooperativeLevel, (), ())
    FORWARD(UINT, GetAvailableTextureMem, (), ())
    FORWARD(HRESULT, GetDirect3D, (IDirect3D8** a), (a))
    FORWARD(HRESULT, GetDeviceCaps, (D3DCAPS8* a), (a))
    FORWARD(HRESULT, GetDisplayMode, (D3DDISPLAYMODE* a), (a))
    FORWARD(HRESULT, SetCursorProperties, (UINT a, UINT b, IDirect3DSurface8* c), (a, b, c))
    FORWARD(void, SetCursorPosition, (UINT a, UINT b, DWORD c), (a, b, c))
    FORWARD(BOOL, ShowCursor, (BOOL a), (a))
    FORWARD(HRESULT, Reset, (D3DPRESENT_PARAMETERS* a), (a))
    FORWARD(HRESULT, Present, (const RECT* a, const RECT* b, HWND c, const void* d), (a, b, c, d))
    FORWARD(HRESULT, GetBackBuffer, (UINT a, D3DBACKBUFFER_TYPE b, IDirect3DSurface8** c), (a, b, c))
    FORWARD(HRESULT, CreateTexture, (UINT a, UINT b, UINT c, DWORD d, D3DFORMAT e, D3DPOOL f, IDirect3DTexture8** g),
            (a, b, c, d, e, f, g))
    FORWARD(HRESULT, CreateVertexBuffer, (UINT a, DWORD b, DWORD c, D3DPOOL d, IDirect3DVertexBuffer8** e),
            (a, b, c, d, e))
    FORWARD(HRESULT, CreateIndexBuffer, (UINT a, DWORD b, D3DFORMAT c, D3DPOOL d, IDirect3DIndexBuffer8** e),
            (a, b, c, d, e))
    FORWARD(HRESULT, CreateRenderTarget,
            (UINT a, UINT b, D3DFORMAT c, D3DMULTISAMPLE_TYPE d, BOOL e, IDirect3DSurface8** f), (a, b, c, d, e, f))
    FORWARD(HRESULT, CreateDepthStencilSurface,
            (UINT a, UINT b, D3DFORMAT c, D3DMULTISAMPLE_TYPE d, IDirect3DSurface8** e), (a, b, c, d, e))
    FORWARD(HRESULT, CreateImageSurface, (UINT a, UINT b, D3DFORMAT c, IDirect3DSurface8** d), (a, b, c, d))
    FORWARD(HRESULT, CopyRects, (IDirect3DSurface8* a, const RECT* b, UINT c, IDirect3DSurface8* d, const POINT* e),
            (a, b, c, d, e))
    FORWARD(HRESULT, SetRenderTarget, (IDirect3DSurface8* a, IDirect3DSurface8* b), (a, b))
    FORWARD(HRESULT, GetRenderTarget, (IDirect3DSurface8** a), (a))
    FORWARD(HRESULT, GetDepthStencilSurface, (IDirect3DSurface8** a), (a))
    FORWARD(HRESULT, BeginScene, (), ())
    FORWARD(HRESULT, EndScene, (), ())
    FORWARD(HRESULT, Clear, (DWORD a, const D3DRECT* b, DWORD c, D3DCOLOR d, float e, DWORD f), (a, b, c, d, e, f))
    FORWARD(HRESULT, SetTransform, (D3DTRANSFORMSTATETYPE a, const D3DMATRIX* b), (a, b))
    FORWARD(HRESULT, GetTransform, (D3DTRANSFORMSTATETYPE a, D3DMATRIX* b), (a, b))
    FORWARD(HRESULT, SetViewport, (const D3DVIEWPORT8* a), (a))
    FORWARD(HRESULT, GetViewport, (D3DVIEWPORT8* a), (a))
    FORWARD(HRESULT, SetMaterial, (const D3DMATERIAL8* a), (a))
    FORWARD(HRESULT, GetMaterial, (D3DMATERIAL8* a), (a))
    FORWARD(HRESULT, SetLight, (DWORD a, const D3DLIGHT8* b), (a, b))
    FORWARD(HRESULT, GetLight, (DWORD a, D3DLIGHT8* b), (a, b))
    FORWARD(HRESULT, LightEnable, (DWORD a, BOOL b), (a, b))
    FORWARD(HRESULT, GetLightEnable, (DWORD a, BOOL* b), (a, b))
    FORWARD(HRESULT, SetRenderState, (D3DRENDERSTATETYPE a, DWORD b), (a, b))
    FORWARD(HRESULT, GetRenderState, (D3DRENDERSTATETYPE a, DWORD* b), (a, b))
    FORWARD(HRESULT, BeginStateBlock, (), ())
    FORWARD(HRESULT, EndStateBlock, (DWORD* a), (a))
    FORWARD(HRESULT, ApplyStateBlock, (DWORD a), (a))
    FORWARD(HRESULT, CaptureStateBlock, (DWORD a), (a))
    FORWARD(HRESULT, DeleteStateBlock, (DWORD a), (a))
    FORWARD(HRESULT, CreateStateBlock, (D3DSTATEBLOCKTYPE a, DWORD* b), (a, b))
    FORWARD(HRESULT, GetTexture, (DWORD a, IDirect3DBaseTexture8** b), (a, b))
    FORWARD(HRESULT, SetTexture, (DWORD a, IDirect3DBaseTexture8* b), (a, b))
    FORWARD(HRESULT, GetTextureStageState, (DWORD a, D3DTEXTURESTAGESTATETYPE b, DWORD* c), (a, b, c))
    FORWARD(HRESULT, SetTextureStageState, (DWORD a, D3DTEXTURESTAGESTATETYPE b, DWORD c), (a, b, c))
    FORWARD(HRESULT, ValidateDevice, (DWORD* a), (a))
    FORWARD(HRESULT, DrawPrimitive, (D3DPRIMITIVETYPE a, UINT b, UINT c), (a, b, c))
    FORWARD(HRESULT, DrawIndexedPrimitive, (D3DPRIMITIVETYPE a, UINT b, UINT c, UINT d, UINT e), (a, b, c, d, e))
    FORWARD(HRESULT, DrawPrimitiveUP, (D3DPRIMITIVETYPE a, UINT b, const void* c, UINT d), (a, b, c, d))
    FORWARD(HRESULT, DrawIndexedPrimitiveUP,
            (D3DPRIMITIVETYPE a, UINT b, UINT c, UINT d, const void* e, D3DFORMAT f, const void* g, UINT h),
            (a, b, c, d, e, f, g, h))
    FORWARD(HRESULT, SetVertexShader, (DWORD a), (a))
    FORWARD(HRESULT, GetVertexShader, (DWORD* a), (a))
    FORWARD(HRESULT, SetStreamSource, (UINT a, IDirect3DVertexBuffer8* b, UINT c), (a, b, c))
    FORWARD(HRESULT, GetStreamSource, (UINT a, IDirect3DVertexBuffer8** b, UINT* c), (a, b, c))
    FORWARD(HRESULT, SetIndices, (IDirect3DIndexBuffer8* a, UINT b), (a, b))
    FORWARD(HRESULT, GetIndices, (IDirect3DIndexBuffer8** a, UINT* b), (a, b))
#undef FORWARD

protected:
    IDirect3DDevice8* inner_;
};

// One recorded call. `what`: the stage, transform type, render state, clear flags or primitive
// type; `value`: the render state's value, the clear colour or the primitive count.
struct RecordedCall {
    enum Kind { kSetTexture, kSetTransform, kSetRenderState, kClear, kDraw } kind;
    DWORD what = 0;
    DWORD value = 0;
    IDirect3DBaseTexture8* texture = nullptr;  // set, or on stage 0 at a draw
    D3DMATRIX matrix{};                        // set, or the world transform at a draw
    D3DMATRIX view{};                          // at a draw
    IDirect3DVertexBuffer8* stream = nullptr;  // stream 0 at a draw (null for DrawPrimitiveUP)
};

// Records while `recording` is true; the state a draw is made with is followed all the time,
// so a draw shows what an earlier frame left.
class RecordingDevice : public ForwardingDevice {
public:
    using ForwardingDevice::ForwardingDevice;

    bool recording = false;
    std::vector<RecordedCall> calls;

    HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture8* texture) override {
        if (stage == 0) texture_ = texture;
        Record({RecordedCall::kSetTexture, stage, 0, texture});
        return inner_->SetTexture(stage, texture);
    }
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE type, const D3DMATRIX* matrix) override {
        if (matrix && type == D3DTS_WORLD) world_ = *matrix;
        if (matrix && type == D3DTS_VIEW) view_ = *matrix;
        Record({RecordedCall::kSetTransform, static_cast<DWORD>(type), 0, nullptr, matrix ? *matrix : D3DMATRIX{}});
        return inner_->SetTransform(type, matrix);
    }
    HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override {
        Record({RecordedCall::kSetRenderState, static_cast<DWORD>(state), value});
        return inner_->SetRenderState(state, value);
    }
    HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR colour, float z, DWORD stencil) override {
        Record({RecordedCall::kClear, flags, colour});
        return inner_->Clear(count, rects, flags, colour, z, stencil);
    }
    HRESULT SetStreamSource(UINT number, IDirect3DVertexBuffer8* buffer, UINT stride) override {
        if (number == 0) stream_ = buffer;
        return inner_->SetStreamSource(number, buffer, stride);
    }
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, UINT start, UINT count) override {
        RecordDraw(type, count, stream_);
        return inner_->DrawPrimitive(type, start, count);
    }
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, UINT minIndex, UINT vertices, UINT start, UINT count) override {
        RecordDraw(type, count, stream_);
        return inner_->DrawIndexedPrimitive(type, minIndex, vertices, start, count);
    }
    HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT count, const void* data, UINT stride) override {
        RecordDraw(type, count, nullptr);
        return inner_->DrawPrimitiveUP(type, count, data, stride);
    }
    HRESULT DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, UINT minIndex, UINT vertices, UINT count, const void* indices,
                                   D3DFORMAT format, const void* data, UINT stride) override {
        RecordDraw(type, count, nullptr);
        return inner_->DrawIndexedPrimitiveUP(type, minIndex, vertices, count, indices, format, data, stride);
    }

private:
    void Record(const RecordedCall& call) {
        if (recording) calls.push_back(call);
    }
    void RecordDraw(D3DPRIMITIVETYPE type, UINT count, IDirect3DVertexBuffer8* stream) {
        Record({RecordedCall::kDraw, static_cast<DWORD>(type), count, texture_, world_, view_, stream});
    }

    IDirect3DBaseTexture8* texture_ = nullptr;
    D3DMATRIX world_{};
    D3DMATRIX view_{};
    IDirect3DVertexBuffer8* stream_ = nullptr;
};

}  // namespace fake
