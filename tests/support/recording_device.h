// A device that passes every call on to a real one and records what tests of drawing code
// look at: objects made, textures, transforms, materials and render states as they are set,
// clears, state blocks, and each draw with the state it was made with. Resources are the real
// device's (vertex buffers and textures behind recording wrappers), so code loads its content
// through it as usual. Failures of creation, lock and draw calls, other capabilities and a
// padded texture pitch can be injected for failure paths.
#pragma once

#include <algorithm>
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "tests/support/forwarding_device.h"
#include "tests/support/injected_failure.h"
#include "tests/support/recorded_call.h"
#include "tests/support/recording_resources.h"

namespace fake {

// Records while `recording` is true; the state a draw is made with is followed all the time,
// so a draw shows what an earlier frame left. Set calls between BeginStateBlock and
// EndStateBlock go into the block, as on the device.
class RecordingDevice : public ForwardingDevice {
public:
    using ForwardingDevice::ForwardingDevice;

    bool recording = false;
    bool copyVertices = false;
    std::vector<RecordedCall> calls;
    // Read from the device at each draw into the draw's `states`.
    std::vector<D3DRENDERSTATETYPE> watchedRenderStates;
    std::vector<std::pair<DWORD, D3DTEXTURESTAGESTATETYPE>> watchedStageStates;
    // The state blocks alive, by token: what was set while each was recorded, as last captured.
    std::map<DWORD, RecordedStates> stateBlocks;

    // Injected: failures, and capabilities given instead of the device's.
    InjectedFailure failCreateTexture, failCreateVertexBuffer, failCreateIndexBuffer, failDraw;
    InjectedFailure failVertexBufferLock, failTextureLock;
    std::optional<D3DCAPS8> caps;
    UINT texturePitchPadding = 0;  // bytes added to each row of textures made from now on

    // The last objects made through this device (not held).
    RecordingTexture* lastTexture = nullptr;
    RecordingVertexBuffer* lastVertexBuffer = nullptr;
    IDirect3DIndexBuffer8* lastIndexBuffer = nullptr;

    // The real device's reference count: 1 when only its owner holds it, as every object
    // made holds one.
    ULONG References() const {
        inner_->AddRef();
        return inner_->Release();
    }
    DWORD RenderState(D3DRENDERSTATETYPE state) const {
        DWORD value = 0xDEADBEEF;
        inner_->GetRenderState(state, &value);
        return value;
    }
    // The texture on `stage` as set through this device (or by a state block it recorded).
    IDirect3DBaseTexture8* TextureAt(DWORD stage) const {
        auto it = textures_.find(stage);
        return it == textures_.end() ? nullptr : it->second;
    }
    // The device's values now of the states `keys` holds (its textures as set through here).
    RecordedStates Current(RecordedStates keys) const {
        for (auto& [type, value] : keys.renderStates)
            inner_->GetRenderState(static_cast<D3DRENDERSTATETYPE>(type), &value);
        for (auto& [key, value] : keys.stageStates)
            inner_->GetTextureStageState(key.first, static_cast<D3DTEXTURESTAGESTATETYPE>(key.second), &value);
        for (auto& [stage, texture] : keys.textures) texture = TextureAt(stage);
        return keys;
    }
    size_t Count(RecordedCall::Kind kind) const {
        return static_cast<size_t>(
            std::count_if(calls.begin(), calls.end(), [kind](const RecordedCall& c) { return c.kind == kind; }));
    }
    std::vector<RecordedCall> Draws() const {
        std::vector<RecordedCall> draws;
        for (const RecordedCall& c : calls)
            if (c.kind == RecordedCall::kDraw) draws.push_back(c);
        return draws;
    }

    HRESULT GetDeviceCaps(D3DCAPS8* out) override {
        if (!caps || !out) return inner_->GetDeviceCaps(out);
        *out = *caps;
        return D3D_OK;
    }
    HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                          IDirect3DTexture8** out) override {
        return Make(
            failCreateTexture, out, D3DRTYPE_TEXTURE, width,
            [&] { return inner_->CreateTexture(width, height, levels, usage, format, pool, out); },
            [&](IDirect3DTexture8* t) {
                return lastTexture = new RecordingTexture(t, &failTextureLock, texturePitchPadding);
            });
    }
    HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                               IDirect3DVertexBuffer8** out) override {
        return Make(
            failCreateVertexBuffer, out, D3DRTYPE_VERTEXBUFFER, length,
            [&] { return inner_->CreateVertexBuffer(length, usage, fvf, pool, out); },
            [&](IDirect3DVertexBuffer8* b) { return lastVertexBuffer = new RecordingVertexBuffer(b, &failVertexBufferLock); });
    }
    HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                              IDirect3DIndexBuffer8** out) override {
        return Make(
            failCreateIndexBuffer, out, D3DRTYPE_INDEXBUFFER, length,
            [&] { return inner_->CreateIndexBuffer(length, usage, format, pool, out); },
            [&](IDirect3DIndexBuffer8* b) { return lastIndexBuffer = b; });
    }

    HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture8* texture) override {
        (block_ ? block_->textures : textures_)[stage] = texture;
        Record({RecordedCall::kSetTexture, stage, 0, texture});
        return inner_->SetTexture(stage, Unwrapped(texture));
    }
    HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) override {
        if (block_) block_->stageStates[{stage, static_cast<DWORD>(type)}] = value;
        return inner_->SetTextureStageState(stage, type, value);
    }
    HRESULT SetMaterial(const D3DMATERIAL8* material) override {
        if (material && !block_) material_ = *material;
        if (material) Record({RecordedCall::kSetMaterial}).material = *material;
        return inner_->SetMaterial(material);
    }
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE type, const D3DMATRIX* matrix) override {
        if (matrix && type == D3DTS_WORLD) world_ = *matrix;
        if (matrix && type == D3DTS_VIEW) view_ = *matrix;
        Record({RecordedCall::kSetTransform, static_cast<DWORD>(type), 0, nullptr, matrix ? *matrix : D3DMATRIX{}});
        return inner_->SetTransform(type, matrix);
    }
    HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override {
        if (block_) block_->renderStates[state] = value;
        Record({RecordedCall::kSetRenderState, static_cast<DWORD>(state), value});
        return inner_->SetRenderState(state, value);
    }
    HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR colour, float z, DWORD stencil) override {
        Record({RecordedCall::kClear, flags, colour});
        return inner_->Clear(count, rects, flags, colour, z, stencil);
    }
    HRESULT BeginStateBlock() override {
        const HRESULT hr = inner_->BeginStateBlock();
        if (SUCCEEDED(hr)) block_.emplace();
        return hr;
    }
    HRESULT EndStateBlock(DWORD* token) override {
        const HRESULT hr = inner_->EndStateBlock(token);
        if (SUCCEEDED(hr) && block_) stateBlocks[*token] = *block_;
        block_.reset();
        return hr;
    }
    HRESULT CreateStateBlock(D3DSTATEBLOCKTYPE type, DWORD* token) override {
        const HRESULT hr = inner_->CreateStateBlock(type, token);
        if (SUCCEEDED(hr)) stateBlocks[*token] = {};
        return hr;
    }
    HRESULT DeleteStateBlock(DWORD token) override {
        const HRESULT hr = inner_->DeleteStateBlock(token);
        if (SUCCEEDED(hr)) stateBlocks.erase(token);
        return hr;
    }
    HRESULT ApplyStateBlock(DWORD token) override {
        Record({RecordedCall::kApplyStateBlock, token});
        const HRESULT hr = inner_->ApplyStateBlock(token);
        auto block = stateBlocks.find(token);
        if (SUCCEEDED(hr) && block != stateBlocks.end())
            for (const auto& [stage, texture] : block->second.textures) textures_[stage] = texture;
        return hr;
    }
    HRESULT CaptureStateBlock(DWORD token) override {
        Record({RecordedCall::kCaptureStateBlock, token});
        const HRESULT hr = inner_->CaptureStateBlock(token);
        auto block = stateBlocks.find(token);
        if (SUCCEEDED(hr) && block != stateBlocks.end()) block->second = Current(block->second);
        return hr;
    }
    HRESULT SetVertexShader(DWORD handle) override {
        shader_ = handle;
        return inner_->SetVertexShader(handle);
    }
    HRESULT SetStreamSource(UINT number, IDirect3DVertexBuffer8* buffer, UINT stride) override {
        if (number == 0) stream_ = buffer, stride_ = stride;
        return inner_->SetStreamSource(number, Unwrapped(buffer), stride);
    }
    HRESULT SetIndices(IDirect3DIndexBuffer8* indices, UINT base) override {
        indices_ = indices;
        return inner_->SetIndices(indices, base);
    }
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, UINT start, UINT count) override {
        if (failDraw.Strikes()) return failDraw.result;
        RecordDraw(type, count, stream_, start, 0, 0);
        return inner_->DrawPrimitive(type, start, count);
    }
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, UINT minIndex, UINT vertices, UINT start, UINT count) override {
        if (failDraw.Strikes()) return failDraw.result;
        RecordDraw(type, count, stream_, start, minIndex, vertices);
        return inner_->DrawIndexedPrimitive(type, minIndex, vertices, start, count);
    }
    HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT count, const void* data, UINT stride) override {
        if (failDraw.Strikes()) return failDraw.result;
        RecordDraw(type, count, nullptr, 0, 0, 0);
        return inner_->DrawPrimitiveUP(type, count, data, stride);
    }
    HRESULT DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, UINT minIndex, UINT vertices, UINT count, const void* indices,
                                   D3DFORMAT format, const void* data, UINT stride) override {
        if (failDraw.Strikes()) return failDraw.result;
        RecordDraw(type, count, nullptr, 0, minIndex, vertices);
        return inner_->DrawIndexedPrimitiveUP(type, minIndex, vertices, count, indices, format, data, stride);
    }

private:
    // An object made by `create` unless `failure` strikes; given out as `wrap` makes it, and recorded.
    template <typename T, typename Create, typename Wrap>
    HRESULT Make(InjectedFailure& failure, T** out, D3DRESOURCETYPE type, UINT size, Create create, Wrap wrap) {
        if (failure.Strikes()) {
            if (out) *out = nullptr;
            return failure.result;
        }
        const HRESULT hr = create();
        if (FAILED(hr)) return hr;
        *out = wrap(*out);
        Record({RecordedCall::kCreate, static_cast<DWORD>(type), size});
        return hr;
    }
    // The call kept, or a scratch one when not recording.
    RecordedCall& Record(const RecordedCall& call) {
        if (!recording) return scratch_ = call;
        calls.push_back(call);
        return calls.back();
    }

    void RecordDraw(D3DPRIMITIVETYPE type, UINT count, IDirect3DVertexBuffer8* stream, UINT start, UINT minIndex,
                    UINT vertices) {
        if (!recording) return;
        RecordedCall draw{RecordedCall::kDraw, static_cast<DWORD>(type), count, TextureAt(0), world_, view_, stream};
        draw.start = start, draw.minIndex = minIndex, draw.numVertices = vertices, draw.stride = stride_;
        draw.indices = stream ? indices_ : nullptr;
        draw.shader = shader_;
        draw.material = material_;
        for (D3DRENDERSTATETYPE state : watchedRenderStates)
            inner_->GetRenderState(state, &draw.states.renderStates[state]);
        for (const auto& [stage, state] : watchedStageStates)
            inner_->GetTextureStageState(stage, state, &draw.states.stageStates[{stage, static_cast<DWORD>(state)}]);
        if (copyVertices && stream && minIndex == 0 && vertices == 0) draw.vertices = ReadVertices(type, start, count);
        calls.push_back(std::move(draw));
    }
    // The vertices a DrawPrimitive reads from stream 0; empty when they cannot be read.
    std::vector<BYTE> ReadVertices(D3DPRIMITIVETYPE type, UINT start, UINT count) const {
        IDirect3DVertexBuffer8* buffer = Unwrapped(stream_);
        const UINT read = type == D3DPT_POINTLIST      ? count
                          : type == D3DPT_LINELIST     ? count * 2
                          : type == D3DPT_LINESTRIP    ? count + 1
                          : type == D3DPT_TRIANGLELIST ? count * 3
                                                       : count + 2;
        BYTE* data = nullptr;
        if (FAILED(buffer->Lock(start * stride_, read * stride_, &data, D3DLOCK_READONLY))) return {};
        std::vector<BYTE> bytes(data, data + read * stride_);
        buffer->Unlock();
        return bytes;
    }

    std::map<DWORD, IDirect3DBaseTexture8*> textures_;  // by stage, as set through this device
    std::optional<RecordedStates> block_;               // the state block being recorded
    D3DMATERIAL8 material_{};
    RecordedCall scratch_{RecordedCall::kDraw};
    D3DMATRIX world_{};
    D3DMATRIX view_{};
    IDirect3DVertexBuffer8* stream_ = nullptr;
    UINT stride_ = 0;
    IDirect3DIndexBuffer8* indices_ = nullptr;
    DWORD shader_ = 0;
};

}  // namespace fake
