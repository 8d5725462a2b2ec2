#include "platform/d3d8/state_block.h"

#include "platform/d3d8/state_tables.h"

#include <iterator>

namespace d3d8 {

// ---- Recording -----------------------------------------------------------------------

void StateBlock::RecordRenderState(DWORD state, DWORD value) {
    if (!renderStateSet_.test(state)) {
        renderStateSet_.set(state);
        renderStateList_.push_back(state);
    }
    renderStates_[state] = value;
}

void StateBlock::RecordStageState(DWORD stage, DWORD type, DWORD value) {
    if (!stageStateSet_[stage].test(type)) {
        stageStateSet_[stage].set(type);
        stageStateList_.emplace_back(stage, type);
    }
    stageStates_[stage][type] = value;
}

void StateBlock::RecordTransform(DWORD state, const D3DMATRIX& matrix) {
    for (auto& t : transforms_) {
        if (t.first == state) {
            t.second = matrix;
            return;
        }
    }
    transforms_.emplace_back(state, matrix);
}

void StateBlock::RecordViewport(const D3DVIEWPORT8& viewport) {
    hasViewport_ = true;
    viewport_ = viewport;
}

void StateBlock::RecordMaterial(const D3DMATERIAL8& material) {
    hasMaterial_ = true;
    material_ = material;
}

void StateBlock::RecordLight(DWORD index, const D3DLIGHT8& light) {
    LightRecord& r = lights_[index];
    r.hasLight = true;
    r.light = light;
}

void StateBlock::RecordLightEnable(DWORD index, bool enabled) {
    LightRecord& r = lights_[index];
    r.hasEnable = true;
    r.enabled = enabled;
}

void StateBlock::RecordTexture(DWORD stage, Texture* texture) {
    textureSet_.set(stage);
    textures_[stage].Reset(texture);
}

void StateBlock::RecordVertexShader(DWORD fvf) {
    hasVertexShader_ = true;
    vertexShader_ = fvf;
}

void StateBlock::RecordStream(UINT stream, VertexBuffer* buffer, UINT stride) {
    streamSet_.set(stream);
    streams_[stream].buffer.Reset(buffer);
    streams_[stream].stride = stride;
}

void StateBlock::RecordIndices(IndexBuffer* buffer, UINT baseVertexIndex) {
    hasIndices_ = true;
    indices_.Reset(buffer);
    baseVertexIndex_ = baseVertexIndex;
}

void StateBlock::Select(const Device& device, D3DSTATEBLOCKTYPE type) {
    const bool all = type == D3DSBT_ALL;
    const bool pixel = all || type == D3DSBT_PIXELSTATE;
    const bool vertex = all || type == D3DSBT_VERTEXSTATE;
    const PipelineState& s = device.state_;
    for (DWORD rs = 0; rs < D3DRS_TABLE_SIZE; ++rs) {
        if (!IsRenderState(rs)) continue;
        if (all || (pixel && IsPixelRenderState(rs)) || (vertex && IsVertexRenderState(rs)))
            RecordRenderState(rs, s.renderStates[rs]);
    }
    for (DWORD stage = 0; stage < kMaxStages; ++stage) {
        for (DWORD t = 0; t < D3DTSS_TABLE_SIZE; ++t) {
            if (!IsStageState(t)) continue;
            if (all || (pixel && IsPixelStageState(t)) || (vertex && IsVertexStageState(t)))
                RecordStageState(stage, t, s.stageStates[stage][t]);
        }
    }
    if (vertex) {
        for (const auto& l : device.lights_) {
            LightRecord& r = lights_[l.first];
            r.hasLight = true;
            r.hasEnable = true;
        }
        hasVertexShader_ = true;
    }
    if (all) {
        static const DWORD kTransforms[] = {D3DTS_VIEW,     D3DTS_PROJECTION, D3DTS_TEXTURE0, D3DTS_TEXTURE1,
                                            D3DTS_TEXTURE2, D3DTS_TEXTURE3,   D3DTS_TEXTURE4, D3DTS_TEXTURE5,
                                            D3DTS_TEXTURE6, D3DTS_TEXTURE7};
        transforms_.reserve(std::size(kTransforms) + kWorldMatrices);
        for (DWORD t : kTransforms) transforms_.emplace_back(t, D3DMATRIX{});
        for (DWORD i = 0; i < kWorldMatrices; ++i) transforms_.emplace_back(D3DTS_WORLD + i, D3DMATRIX{});
        hasViewport_ = true;
        hasMaterial_ = true;
        textureSet_.set();
        streamSet_.set();
        hasIndices_ = true;
    }
}

// ---- Capture and apply ---------------------------------------------------------------

void StateBlock::Capture(const Device& device) {
    const PipelineState& s = device.state_;
    for (DWORD rs : renderStateList_) renderStates_[rs] = s.renderStates[rs];
    for (const auto& st : stageStateList_) stageStates_[st.first][st.second] = s.stageStates[st.first][st.second];
    for (auto& t : transforms_) t.second = device.TransformValue(t.first);
    if (hasViewport_) viewport_ = s.viewport;
    if (hasMaterial_) material_ = s.material;
    for (auto& l : lights_) {
        const auto it = device.lights_.find(l.first);
        if (it == device.lights_.end()) continue;  // the device has no such light: keep the recorded one
        if (l.second.hasLight) l.second.light = it->second.light;
        if (l.second.hasEnable) l.second.enabled = it->second.enabled;
    }
    for (DWORD stage = 0; stage < kMaxStages; ++stage)
        if (textureSet_.test(stage)) textures_[stage].Reset(device.textures_[stage].Get());
    if (hasVertexShader_) vertexShader_ = s.fvf;
    for (UINT i = 0; i < kMaxStreams; ++i) {
        if (!streamSet_.test(i)) continue;
        streams_[i].buffer.Reset(device.streams_[i].buffer.Get());
        streams_[i].stride = device.streams_[i].stride;
    }
    if (hasIndices_) {
        indices_.Reset(device.indices_.Get());
        baseVertexIndex_ = device.baseVertexIndex_;
    }
}

void StateBlock::Apply(Device& device) const {
    // The values were validated when recorded; the setters keep the device's bookkeeping.
    PipelineState& s = device.state_;
    for (DWORD rs : renderStateList_) s.renderStates[rs] = renderStates_[rs];
    for (const auto& st : stageStateList_) s.stageStates[st.first][st.second] = stageStates_[st.first][st.second];
    for (const auto& t : transforms_) device.SetTransform(static_cast<D3DTRANSFORMSTATETYPE>(t.first), &t.second);
    if (hasViewport_) {
        // A viewport recorded for a larger target is clipped to the current one.
        const SurfaceDesc& target = device.renderTarget_->Desc();
        D3DVIEWPORT8 v = viewport_;
        if (v.X >= target.width || v.Y >= target.height) {
            device.SetFullViewport();
        } else {
            if (v.Width > target.width - v.X) v.Width = target.width - v.X;
            if (v.Height > target.height - v.Y) v.Height = target.height - v.Y;
            device.state_.viewport = v;
        }
    }
    if (hasMaterial_) device.state_.material = material_;
    for (const auto& l : lights_) {
        if (l.second.hasLight) device.SetLight(l.first, &l.second.light);
        if (l.second.hasEnable) device.LightEnable(l.first, l.second.enabled ? TRUE : FALSE);
    }
    for (DWORD stage = 0; stage < kMaxStages; ++stage) {
        if (textureSet_.test(stage)) device.BindTexture(stage, textures_[stage].Get());
    }
    if (hasVertexShader_) device.state_.fvf = vertexShader_;
    for (UINT i = 0; i < kMaxStreams; ++i) {
        if (!streamSet_.test(i)) continue;
        device.streams_[i].buffer.Reset(streams_[i].buffer.Get());
        device.streams_[i].stride = streams_[i].stride;
    }
    if (hasIndices_) {
        device.indices_.Reset(indices_.Get());
        device.baseVertexIndex_ = baseVertexIndex_;
    }
}

// ---- Device entry points -------------------------------------------------------------

HRESULT Device::BeginStateBlock() {
    if (recording_) {
        Report("IDirect3DDevice8::BeginStateBlock", "already recording a state block");
        return D3DERR_INVALIDCALL;
    }
    recording_ = std::make_unique<StateBlock>();
    return D3D_OK;
}

HRESULT Device::EndStateBlock(DWORD* pToken) {
    const char* where = "IDirect3DDevice8::EndStateBlock";
    if (!pToken) {
        Report(where, "null token pointer");
        return D3DERR_INVALIDCALL;
    }
    *pToken = 0;
    if (!recording_) {
        Report(where, "not recording a state block");
        return D3DERR_INVALIDCALL;
    }
    const DWORD token = nextStateBlock_++;
    stateBlocks_.emplace(token, std::move(recording_));
    *pToken = token;
    return D3D_OK;
}

HRESULT Device::ApplyStateBlock(DWORD Token) {
    const char* where = "IDirect3DDevice8::ApplyStateBlock";
    const auto it = stateBlocks_.find(Token);
    if (it == stateBlocks_.end() || recording_) {
        Report(where, recording_ ? "not allowed while recording" : "unknown state block");
        return D3DERR_INVALIDCALL;
    }
    it->second->Apply(*this);
    return D3D_OK;
}

HRESULT Device::CaptureStateBlock(DWORD Token) {
    const char* where = "IDirect3DDevice8::CaptureStateBlock";
    const auto it = stateBlocks_.find(Token);
    if (it == stateBlocks_.end() || recording_) {
        Report(where, recording_ ? "not allowed while recording" : "unknown state block");
        return D3DERR_INVALIDCALL;
    }
    it->second->Capture(*this);
    return D3D_OK;
}

HRESULT Device::DeleteStateBlock(DWORD Token) {
    const char* where = "IDirect3DDevice8::DeleteStateBlock";
    const auto it = stateBlocks_.find(Token);
    if (it == stateBlocks_.end() || recording_) {
        Report(where, recording_ ? "not allowed while recording" : "unknown state block");
        return D3DERR_INVALIDCALL;
    }
    stateBlocks_.erase(it);
    return D3D_OK;
}

HRESULT Device::CreateStateBlock(D3DSTATEBLOCKTYPE Type, DWORD* pToken) {
    const char* where = "IDirect3DDevice8::CreateStateBlock";
    if (!pToken) {
        Report(where, "null token pointer");
        return D3DERR_INVALIDCALL;
    }
    *pToken = 0;
    if (Type != D3DSBT_ALL && Type != D3DSBT_PIXELSTATE && Type != D3DSBT_VERTEXSTATE) {
        Report(where, "unknown state block type");
        return D3DERR_INVALIDCALL;
    }
    if (recording_) {
        Report(where, "not allowed while recording");
        return D3DERR_INVALIDCALL;
    }
    auto block = std::make_unique<StateBlock>();
    block->Select(*this, Type);
    block->Capture(*this);
    const DWORD token = nextStateBlock_++;
    stateBlocks_.emplace(token, std::move(block));
    *pToken = token;
    return D3D_OK;
}

}  // namespace d3d8
