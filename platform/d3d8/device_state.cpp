// Render, texture-stage and transform states, lights, material, viewport, bindings:
// validation, storage and the tables behind them.
#include "platform/d3d8/device.h"
#include "platform/d3d8/fvf.h"
#include "platform/d3d8/state_block.h"
#include "platform/d3d8/state_tables.h"

#include <cmath>
#include <cstring>

namespace d3d8 {

// ---- Tables --------------------------------------------------------------------------

namespace {

bool InRange(DWORD v, DWORD lo, DWORD hi) { return v >= lo && v <= hi; }

bool IsFiniteBits(DWORD bits) {
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return std::isfinite(f);
}

bool IsFloatRenderState(DWORD s) {
    switch (s) {
    case D3DRS_FOGSTART:
    case D3DRS_FOGEND:
    case D3DRS_FOGDENSITY:
    case D3DRS_POINTSIZE:
    case D3DRS_POINTSIZE_MIN:
    case D3DRS_POINTSIZE_MAX:
    case D3DRS_POINTSCALE_A:
    case D3DRS_POINTSCALE_B:
    case D3DRS_POINTSCALE_C:
    case D3DRS_PATCHSEGMENTS:
    case D3DRS_TWEENFACTOR:
        return true;
    default:
        return false;
    }
}

bool IsTextureArgument(DWORD v) { return (v & ~0x3fu) == 0 && (v & D3DTA_SELECTMASK) <= D3DTA_TEMP; }

}  // namespace

bool IsRenderState(DWORD s) {
    switch (s) {
    case D3DRS_ZENABLE: case D3DRS_FILLMODE: case D3DRS_SHADEMODE: case D3DRS_LINEPATTERN:
    case D3DRS_ZWRITEENABLE: case D3DRS_ALPHATESTENABLE: case D3DRS_LASTPIXEL: case D3DRS_SRCBLEND:
    case D3DRS_DESTBLEND: case D3DRS_CULLMODE: case D3DRS_ZFUNC: case D3DRS_ALPHAREF: case D3DRS_ALPHAFUNC:
    case D3DRS_DITHERENABLE: case D3DRS_ALPHABLENDENABLE: case D3DRS_FOGENABLE: case D3DRS_SPECULARENABLE:
    case D3DRS_ZVISIBLE: case D3DRS_FOGCOLOR: case D3DRS_FOGTABLEMODE: case D3DRS_FOGSTART: case D3DRS_FOGEND:
    case D3DRS_FOGDENSITY: case D3DRS_EDGEANTIALIAS: case D3DRS_ZBIAS: case D3DRS_RANGEFOGENABLE:
    case D3DRS_STENCILENABLE: case D3DRS_STENCILFAIL: case D3DRS_STENCILZFAIL: case D3DRS_STENCILPASS:
    case D3DRS_STENCILFUNC: case D3DRS_STENCILREF: case D3DRS_STENCILMASK: case D3DRS_STENCILWRITEMASK:
    case D3DRS_TEXTUREFACTOR: case D3DRS_WRAP0: case D3DRS_WRAP1: case D3DRS_WRAP2: case D3DRS_WRAP3:
    case D3DRS_WRAP4: case D3DRS_WRAP5: case D3DRS_WRAP6: case D3DRS_WRAP7: case D3DRS_CLIPPING:
    case D3DRS_LIGHTING: case D3DRS_AMBIENT: case D3DRS_FOGVERTEXMODE: case D3DRS_COLORVERTEX:
    case D3DRS_LOCALVIEWER: case D3DRS_NORMALIZENORMALS: case D3DRS_DIFFUSEMATERIALSOURCE:
    case D3DRS_SPECULARMATERIALSOURCE: case D3DRS_AMBIENTMATERIALSOURCE: case D3DRS_EMISSIVEMATERIALSOURCE:
    case D3DRS_VERTEXBLEND: case D3DRS_CLIPPLANEENABLE: case D3DRS_SOFTWAREVERTEXPROCESSING:
    case D3DRS_POINTSIZE: case D3DRS_POINTSIZE_MIN: case D3DRS_POINTSPRITEENABLE: case D3DRS_POINTSCALEENABLE:
    case D3DRS_POINTSCALE_A: case D3DRS_POINTSCALE_B: case D3DRS_POINTSCALE_C: case D3DRS_MULTISAMPLEANTIALIAS:
    case D3DRS_MULTISAMPLEMASK: case D3DRS_PATCHEDGESTYLE: case D3DRS_PATCHSEGMENTS:
    case D3DRS_DEBUGMONITORTOKEN: case D3DRS_POINTSIZE_MAX: case D3DRS_INDEXEDVERTEXBLENDENABLE:
    case D3DRS_COLORWRITEENABLE: case D3DRS_TWEENFACTOR: case D3DRS_BLENDOP: case D3DRS_POSITIONORDER:
    case D3DRS_NORMALORDER:
        return true;
    default:
        return false;
    }
}

bool IsValidRenderStateValue(DWORD s, DWORD v) {
    if (IsFloatRenderState(s)) return IsFiniteBits(v);
    switch (s) {
    case D3DRS_ZENABLE: return v <= D3DZB_USEW;
    case D3DRS_FILLMODE: return InRange(v, D3DFILL_POINT, D3DFILL_SOLID);
    case D3DRS_SHADEMODE: return InRange(v, D3DSHADE_FLAT, D3DSHADE_PHONG);
    case D3DRS_SRCBLEND:
    case D3DRS_DESTBLEND: return InRange(v, D3DBLEND_ZERO, D3DBLEND_BOTHINVSRCALPHA);
    case D3DRS_CULLMODE: return InRange(v, D3DCULL_NONE, D3DCULL_CCW);
    case D3DRS_ZFUNC:
    case D3DRS_ALPHAFUNC:
    case D3DRS_STENCILFUNC: return InRange(v, D3DCMP_NEVER, D3DCMP_ALWAYS);
    case D3DRS_FOGTABLEMODE:
    case D3DRS_FOGVERTEXMODE: return v <= D3DFOG_LINEAR;
    case D3DRS_STENCILFAIL:
    case D3DRS_STENCILZFAIL:
    case D3DRS_STENCILPASS: return InRange(v, D3DSTENCILOP_KEEP, D3DSTENCILOP_DECR);
    case D3DRS_DIFFUSEMATERIALSOURCE:
    case D3DRS_SPECULARMATERIALSOURCE:
    case D3DRS_AMBIENTMATERIALSOURCE:
    case D3DRS_EMISSIVEMATERIALSOURCE: return v <= D3DMCS_COLOR2;
    case D3DRS_VERTEXBLEND: return v <= D3DVBF_3WEIGHTS || v == D3DVBF_TWEENING || v == D3DVBF_0WEIGHTS;
    case D3DRS_BLENDOP: return InRange(v, D3DBLENDOP_ADD, D3DBLENDOP_MAX);
    case D3DRS_COLORWRITEENABLE: return v <= 0xfu;
    default: return IsRenderState(s);
    }
}

bool IsPixelRenderState(DWORD s) {
    switch (s) {
    case D3DRS_ZENABLE: case D3DRS_FILLMODE: case D3DRS_SHADEMODE: case D3DRS_LINEPATTERN:
    case D3DRS_ZWRITEENABLE: case D3DRS_ALPHATESTENABLE: case D3DRS_LASTPIXEL: case D3DRS_SRCBLEND:
    case D3DRS_DESTBLEND: case D3DRS_ZFUNC: case D3DRS_ALPHAREF: case D3DRS_ALPHAFUNC: case D3DRS_DITHERENABLE:
    case D3DRS_ALPHABLENDENABLE: case D3DRS_FOGSTART: case D3DRS_FOGEND: case D3DRS_FOGDENSITY:
    case D3DRS_EDGEANTIALIAS: case D3DRS_ZBIAS: case D3DRS_STENCILENABLE: case D3DRS_STENCILFAIL:
    case D3DRS_STENCILZFAIL: case D3DRS_STENCILPASS: case D3DRS_STENCILFUNC: case D3DRS_STENCILREF:
    case D3DRS_STENCILMASK: case D3DRS_STENCILWRITEMASK: case D3DRS_TEXTUREFACTOR: case D3DRS_WRAP0:
    case D3DRS_WRAP1: case D3DRS_WRAP2: case D3DRS_WRAP3: case D3DRS_WRAP4: case D3DRS_WRAP5: case D3DRS_WRAP6:
    case D3DRS_WRAP7: case D3DRS_COLORWRITEENABLE: case D3DRS_BLENDOP:
        return true;
    default:
        return false;
    }
}

bool IsVertexRenderState(DWORD s) {
    switch (s) {
    case D3DRS_SHADEMODE: case D3DRS_SPECULARENABLE: case D3DRS_CULLMODE: case D3DRS_FOGENABLE:
    case D3DRS_FOGCOLOR: case D3DRS_FOGTABLEMODE: case D3DRS_FOGSTART: case D3DRS_FOGEND: case D3DRS_FOGDENSITY:
    case D3DRS_RANGEFOGENABLE: case D3DRS_AMBIENT: case D3DRS_COLORVERTEX: case D3DRS_FOGVERTEXMODE:
    case D3DRS_CLIPPING: case D3DRS_LIGHTING: case D3DRS_NORMALIZENORMALS: case D3DRS_LOCALVIEWER:
    case D3DRS_EMISSIVEMATERIALSOURCE: case D3DRS_AMBIENTMATERIALSOURCE: case D3DRS_DIFFUSEMATERIALSOURCE:
    case D3DRS_SPECULARMATERIALSOURCE: case D3DRS_VERTEXBLEND: case D3DRS_CLIPPLANEENABLE:
    case D3DRS_SOFTWAREVERTEXPROCESSING: case D3DRS_POINTSIZE: case D3DRS_POINTSIZE_MIN:
    case D3DRS_POINTSPRITEENABLE: case D3DRS_POINTSCALEENABLE: case D3DRS_POINTSCALE_A: case D3DRS_POINTSCALE_B:
    case D3DRS_POINTSCALE_C: case D3DRS_MULTISAMPLEANTIALIAS: case D3DRS_MULTISAMPLEMASK:
    case D3DRS_PATCHEDGESTYLE: case D3DRS_PATCHSEGMENTS: case D3DRS_POINTSIZE_MAX:
    case D3DRS_INDEXEDVERTEXBLENDENABLE: case D3DRS_TWEENFACTOR: case D3DRS_POSITIONORDER:
    case D3DRS_NORMALORDER:
        return true;
    default:
        return false;
    }
}

bool IsStageState(DWORD t) { return t >= D3DTSS_COLOROP && t <= D3DTSS_RESULTARG && t != 12; }

bool IsValidStageStateValue(DWORD t, DWORD v) {
    switch (t) {
    case D3DTSS_COLOROP:
    case D3DTSS_ALPHAOP: return InRange(v, D3DTOP_DISABLE, D3DTOP_LERP);
    case D3DTSS_COLORARG0:
    case D3DTSS_COLORARG1:
    case D3DTSS_COLORARG2:
    case D3DTSS_ALPHAARG0:
    case D3DTSS_ALPHAARG1:
    case D3DTSS_ALPHAARG2: return IsTextureArgument(v);
    case D3DTSS_RESULTARG: return v == D3DTA_CURRENT || v == D3DTA_TEMP;
    case D3DTSS_BUMPENVMAT00:
    case D3DTSS_BUMPENVMAT01:
    case D3DTSS_BUMPENVMAT10:
    case D3DTSS_BUMPENVMAT11:
    case D3DTSS_BUMPENVLSCALE:
    case D3DTSS_BUMPENVLOFFSET:
    case D3DTSS_MIPMAPLODBIAS: return IsFiniteBits(v);
    case D3DTSS_TEXCOORDINDEX: {
        const DWORD gen = v & 0xffff0000u;
        return (v & 0xffffu) < D3DDP_MAXTEXCOORD &&
               (gen == D3DTSS_TCI_PASSTHRU || gen == D3DTSS_TCI_CAMERASPACENORMAL ||
                gen == D3DTSS_TCI_CAMERASPACEPOSITION || gen == D3DTSS_TCI_CAMERASPACEREFLECTIONVECTOR);
    }
    case D3DTSS_ADDRESSU:
    case D3DTSS_ADDRESSV:
    case D3DTSS_ADDRESSW: return InRange(v, D3DTADDRESS_WRAP, D3DTADDRESS_MIRRORONCE);
    case D3DTSS_MAGFILTER:
    case D3DTSS_MINFILTER:
    case D3DTSS_MIPFILTER: return v <= D3DTEXF_GAUSSIANCUBIC;
    case D3DTSS_TEXTURETRANSFORMFLAGS: return (v & ~0x1ffu) == 0 && (v & 0xffu) <= D3DTTFF_COUNT4;
    default: return IsStageState(t);
    }
}

bool IsPixelStageState(DWORD t) {
    return IsStageState(t) && t != D3DTSS_TEXCOORDINDEX && t != D3DTSS_TEXTURETRANSFORMFLAGS;
}

bool IsVertexStageState(DWORD t) { return t == D3DTSS_TEXCOORDINDEX || t == D3DTSS_TEXTURETRANSFORMFLAGS; }

bool IsTransformState(DWORD s) {
    return s == D3DTS_VIEW || s == D3DTS_PROJECTION || (s >= D3DTS_TEXTURE0 && s <= D3DTS_TEXTURE7) ||
           (s >= D3DTS_WORLD && s < D3DTS_WORLD + kWorldMatrices);
}

void DefaultRenderStates(DWORD (&rs)[D3DRS_TABLE_SIZE], bool depthBuffer) {
    std::memset(rs, 0, sizeof rs);
    rs[D3DRS_ZENABLE] = depthBuffer ? D3DZB_TRUE : D3DZB_FALSE;
    rs[D3DRS_FILLMODE] = D3DFILL_SOLID;
    rs[D3DRS_SHADEMODE] = D3DSHADE_GOURAUD;
    rs[D3DRS_ZWRITEENABLE] = TRUE;
    rs[D3DRS_LASTPIXEL] = TRUE;
    rs[D3DRS_SRCBLEND] = D3DBLEND_ONE;
    rs[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
    rs[D3DRS_CULLMODE] = D3DCULL_CCW;
    rs[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
    rs[D3DRS_ALPHAFUNC] = D3DCMP_ALWAYS;
    rs[D3DRS_FOGTABLEMODE] = D3DFOG_NONE;
    rs[D3DRS_FOGSTART] = FloatToBits(0.0f);
    rs[D3DRS_FOGEND] = FloatToBits(1.0f);
    rs[D3DRS_FOGDENSITY] = FloatToBits(1.0f);
    rs[D3DRS_STENCILFAIL] = D3DSTENCILOP_KEEP;
    rs[D3DRS_STENCILZFAIL] = D3DSTENCILOP_KEEP;
    rs[D3DRS_STENCILPASS] = D3DSTENCILOP_KEEP;
    rs[D3DRS_STENCILFUNC] = D3DCMP_ALWAYS;
    rs[D3DRS_STENCILMASK] = 0xffffffffu;
    rs[D3DRS_STENCILWRITEMASK] = 0xffffffffu;
    rs[D3DRS_TEXTUREFACTOR] = 0xffffffffu;
    rs[D3DRS_CLIPPING] = TRUE;
    rs[D3DRS_LIGHTING] = TRUE;
    rs[D3DRS_FOGVERTEXMODE] = D3DFOG_NONE;
    rs[D3DRS_COLORVERTEX] = TRUE;
    rs[D3DRS_LOCALVIEWER] = TRUE;
    rs[D3DRS_DIFFUSEMATERIALSOURCE] = D3DMCS_COLOR1;
    rs[D3DRS_SPECULARMATERIALSOURCE] = D3DMCS_COLOR2;
    rs[D3DRS_AMBIENTMATERIALSOURCE] = D3DMCS_MATERIAL;
    rs[D3DRS_EMISSIVEMATERIALSOURCE] = D3DMCS_MATERIAL;
    rs[D3DRS_VERTEXBLEND] = D3DVBF_DISABLE;
    rs[D3DRS_POINTSIZE] = FloatToBits(1.0f);
    rs[D3DRS_POINTSIZE_MIN] = FloatToBits(1.0f);
    rs[D3DRS_POINTSIZE_MAX] = FloatToBits(64.0f);
    rs[D3DRS_POINTSCALE_A] = FloatToBits(1.0f);
    rs[D3DRS_POINTSCALE_B] = FloatToBits(0.0f);
    rs[D3DRS_POINTSCALE_C] = FloatToBits(0.0f);
    rs[D3DRS_MULTISAMPLEANTIALIAS] = TRUE;
    rs[D3DRS_MULTISAMPLEMASK] = 0xffffffffu;
    rs[D3DRS_PATCHSEGMENTS] = FloatToBits(1.0f);
    rs[D3DRS_COLORWRITEENABLE] = 0xfu;
    rs[D3DRS_TWEENFACTOR] = FloatToBits(0.0f);
    rs[D3DRS_BLENDOP] = D3DBLENDOP_ADD;
    rs[D3DRS_POSITIONORDER] = 3;  // cubic
    rs[D3DRS_NORMALORDER] = 1;    // linear
}

void DefaultStageStates(DWORD (&ss)[kMaxStages][D3DTSS_TABLE_SIZE]) {
    std::memset(ss, 0, sizeof ss);
    for (DWORD i = 0; i < kMaxStages; ++i) {
        DWORD* s = ss[i];
        s[D3DTSS_COLOROP] = i == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
        s[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
        s[D3DTSS_COLORARG2] = D3DTA_CURRENT;
        s[D3DTSS_ALPHAOP] = i == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
        s[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
        s[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
        s[D3DTSS_TEXCOORDINDEX] = i;
        s[D3DTSS_ADDRESSU] = D3DTADDRESS_WRAP;
        s[D3DTSS_ADDRESSV] = D3DTADDRESS_WRAP;
        s[D3DTSS_ADDRESSW] = D3DTADDRESS_WRAP;
        s[D3DTSS_MAGFILTER] = D3DTEXF_POINT;
        s[D3DTSS_MINFILTER] = D3DTEXF_POINT;
        s[D3DTSS_MIPFILTER] = D3DTEXF_NONE;
        s[D3DTSS_MAXANISOTROPY] = 1;
        s[D3DTSS_TEXTURETRANSFORMFLAGS] = D3DTTFF_DISABLE;
        s[D3DTSS_COLORARG0] = D3DTA_CURRENT;
        s[D3DTSS_ALPHAARG0] = D3DTA_CURRENT;
        s[D3DTSS_RESULTARG] = D3DTA_CURRENT;
    }
}

// ---- Device setters and getters -----------------------------------------------------

namespace {

D3DMATRIX Identity() {
    D3DMATRIX m{};
    m._11 = m._22 = m._33 = m._44 = 1.0f;
    return m;
}

D3DLIGHT8 DefaultLight() {
    D3DLIGHT8 l{};
    l.Type = D3DLIGHT_DIRECTIONAL;
    l.Diffuse = {1.0f, 1.0f, 1.0f, 0.0f};
    l.Direction = {0.0f, 0.0f, 1.0f};
    return l;
}

bool IsValidLight(const D3DLIGHT8& l) {
    if (l.Type != D3DLIGHT_POINT && l.Type != D3DLIGHT_SPOT && l.Type != D3DLIGHT_DIRECTIONAL) return false;
    if (l.Type != D3DLIGHT_POINT) {
        const D3DVECTOR& d = l.Direction;
        if (!(d.x * d.x + d.y * d.y + d.z * d.z > 0.0f)) return false;  // also rejects NaN
    }
    if (l.Type != D3DLIGHT_DIRECTIONAL) {
        if (!(l.Range >= 0.0f && l.Range <= D3DLIGHT_RANGE_MAX)) return false;
        if (l.Attenuation0 < 0.0f || l.Attenuation1 < 0.0f || l.Attenuation2 < 0.0f) return false;
    }
    if (l.Type == D3DLIGHT_SPOT) {
        const float pi = 3.14159265358979f;
        if (!(l.Phi >= 0.0f && l.Phi <= pi && l.Theta >= 0.0f && l.Theta <= l.Phi)) return false;
    }
    return true;
}

}  // namespace

void Device::ResetState() {
    DefaultRenderStates(state_.renderStates, params_.EnableAutoDepthStencil != FALSE);
    DefaultStageStates(state_.stageStates);
    state_.world = state_.view = state_.projection = Identity();
    for (D3DMATRIX& m : state_.textureTransforms) m = Identity();
    extraWorlds_.assign(kWorldMatrices - 1, Identity());
    state_.material = D3DMATERIAL8{};
    lights_.clear();
    state_.lightCount = 0;
    state_.fvf = 0;
    for (DWORD i = 0; i < kMaxStages; ++i) BindTexture(i, nullptr);
    for (auto& s : streams_) {
        s.buffer.Reset(nullptr);
        s.stride = 0;
    }
    indices_.Reset(nullptr);
    baseVertexIndex_ = 0;
    SetFullViewport();
    dirty_ = ~0u;
}

void Device::SetFullViewport() {
    const SurfaceDesc& d = renderTarget_->Desc();
    state_.viewport = {0, 0, d.width, d.height, 0.0f, 1.0f};
}

void Device::BindTexture(DWORD stage, Texture* texture) {
    // The snapshot pointer changes with the binding, so it never outlives the texture.
    textures_[stage].Reset(texture);
    state_.textures[stage] = texture ? texture->Data() : nullptr;
}

HRESULT Device::CheckStage(const char* where, DWORD stage) const {
    if (stage >= kMaxStages) {
        Report(where, "stage out of range (0..7)");
        return D3DERR_INVALIDCALL;
    }
    return D3D_OK;
}

HRESULT Device::SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) {
    const char* where = "IDirect3DDevice8::SetRenderState";
    if (!IsRenderState(State)) {
        Report(where, "unknown render state");
        return D3DERR_INVALIDCALL;
    }
    if (!IsValidRenderStateValue(State, Value)) {
        Report(where, "value out of range for the state");
        return D3DERR_INVALIDCALL;
    }
    if (recording_) {
        recording_->RecordRenderState(State, Value);
        return D3D_OK;
    }
    state_.renderStates[State] = Value;
    return D3D_OK;
}

HRESULT Device::GetRenderState(D3DRENDERSTATETYPE State, DWORD* pValue) {
    if (!pValue || !IsRenderState(State)) {
        Report("IDirect3DDevice8::GetRenderState", "null pointer or unknown render state");
        return D3DERR_INVALIDCALL;
    }
    *pValue = state_.renderStates[State];
    return D3D_OK;
}

HRESULT Device::SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value) {
    const char* where = "IDirect3DDevice8::SetTextureStageState";
    if (FAILED(CheckStage(where, Stage))) return D3DERR_INVALIDCALL;
    if (!IsStageState(Type)) {
        Report(where, "unknown texture stage state");
        return D3DERR_INVALIDCALL;
    }
    if (!IsValidStageStateValue(Type, Value)) {
        Report(where, "value out of range for the state");
        return D3DERR_INVALIDCALL;
    }
    if (recording_) {
        recording_->RecordStageState(Stage, Type, Value);
        return D3D_OK;
    }
    state_.stageStates[Stage][Type] = Value;
    return D3D_OK;
}

HRESULT Device::GetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD* pValue) {
    const char* where = "IDirect3DDevice8::GetTextureStageState";
    if (!pValue || Stage >= kMaxStages || !IsStageState(Type)) {
        Report(where, "null pointer, stage out of range or unknown state");
        return D3DERR_INVALIDCALL;
    }
    *pValue = state_.stageStates[Stage][Type];
    return D3D_OK;
}

HRESULT Device::SetTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix) {
    if (!pMatrix || !IsTransformState(State)) {
        Report("IDirect3DDevice8::SetTransform", "null matrix or unknown transform");
        return D3DERR_INVALIDCALL;
    }
    if (recording_) {
        recording_->RecordTransform(State, *pMatrix);
        return D3D_OK;
    }
    if (State == D3DTS_WORLD)
        state_.world = *pMatrix;
    else if (State == D3DTS_VIEW)
        state_.view = *pMatrix;
    else if (State == D3DTS_PROJECTION)
        state_.projection = *pMatrix;
    else if (State >= D3DTS_TEXTURE0 && State <= D3DTS_TEXTURE7)
        state_.textureTransforms[State - D3DTS_TEXTURE0] = *pMatrix;
    else
        extraWorlds_[State - D3DTS_WORLD - 1] = *pMatrix;
    return D3D_OK;
}

D3DMATRIX Device::TransformValue(DWORD state) const {
    if (state == D3DTS_WORLD) return state_.world;
    if (state == D3DTS_VIEW) return state_.view;
    if (state == D3DTS_PROJECTION) return state_.projection;
    if (state >= D3DTS_TEXTURE0 && state <= D3DTS_TEXTURE7) return state_.textureTransforms[state - D3DTS_TEXTURE0];
    return extraWorlds_[state - D3DTS_WORLD - 1];
}

HRESULT Device::GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* pMatrix) {
    if (!pMatrix || !IsTransformState(State)) {
        Report("IDirect3DDevice8::GetTransform", "null matrix or unknown transform");
        return D3DERR_INVALIDCALL;
    }
    *pMatrix = TransformValue(State);
    return D3D_OK;
}

HRESULT Device::SetViewport(const D3DVIEWPORT8* pViewport) {
    const char* where = "IDirect3DDevice8::SetViewport";
    if (!pViewport) {
        Report(where, "null viewport");
        return D3DERR_INVALIDCALL;
    }
    const D3DVIEWPORT8& v = *pViewport;
    const SurfaceDesc& target = renderTarget_->Desc();
    const unsigned long long right = static_cast<unsigned long long>(v.X) + v.Width;
    const unsigned long long bottom = static_cast<unsigned long long>(v.Y) + v.Height;
    if (v.Width == 0 || v.Height == 0 || right > target.width || bottom > target.height) {
        Report(where, "viewport empty or outside the render target");
        return D3DERR_INVALIDCALL;
    }
    if (!(v.MinZ >= 0.0f && v.MinZ <= 1.0f && v.MaxZ >= 0.0f && v.MaxZ <= 1.0f)) {
        Report(where, "depth range outside 0..1");
        return D3DERR_INVALIDCALL;
    }
    if (recording_) {
        recording_->RecordViewport(v);
        return D3D_OK;
    }
    state_.viewport = v;
    return D3D_OK;
}

HRESULT Device::GetViewport(D3DVIEWPORT8* pViewport) {
    if (!pViewport) return D3DERR_INVALIDCALL;
    *pViewport = state_.viewport;
    return D3D_OK;
}

HRESULT Device::SetMaterial(const D3DMATERIAL8* pMaterial) {
    if (!pMaterial) {
        Report("IDirect3DDevice8::SetMaterial", "null material");
        return D3DERR_INVALIDCALL;
    }
    if (recording_) {
        recording_->RecordMaterial(*pMaterial);
        return D3D_OK;
    }
    state_.material = *pMaterial;
    return D3D_OK;
}

HRESULT Device::GetMaterial(D3DMATERIAL8* pMaterial) {
    if (!pMaterial) return D3DERR_INVALIDCALL;
    *pMaterial = state_.material;
    return D3D_OK;
}

HRESULT Device::SetLight(DWORD Index, const D3DLIGHT8* pLight) {
    const char* where = "IDirect3DDevice8::SetLight";
    if (!pLight) {
        Report(where, "null light");
        return D3DERR_INVALIDCALL;
    }
    if (!IsValidLight(*pLight)) {
        Report(where, "invalid light (type, direction, range, attenuation or cone angles)");
        return D3DERR_INVALIDCALL;
    }
    if (recording_) {
        recording_->RecordLight(Index, *pLight);
        return D3D_OK;
    }
    LightSlot& slot = lights_[Index];
    slot.light = *pLight;
    if (slot.enabled) dirty_ |= kDirtyLights;
    return D3D_OK;
}

HRESULT Device::GetLight(DWORD Index, D3DLIGHT8* pLight) {
    const auto it = lights_.find(Index);
    if (!pLight || it == lights_.end()) {
        Report("IDirect3DDevice8::GetLight", "null pointer or light never set");
        return D3DERR_INVALIDCALL;
    }
    *pLight = it->second.light;
    return D3D_OK;
}

HRESULT Device::LightEnable(DWORD Index, BOOL Enable) {
    if (recording_) {
        recording_->RecordLightEnable(Index, Enable != FALSE);
        return D3D_OK;
    }
    auto it = lights_.find(Index);
    if (it == lights_.end()) it = lights_.emplace(Index, LightSlot{DefaultLight(), false}).first;
    if (it->second.enabled != (Enable != FALSE)) {
        it->second.enabled = Enable != FALSE;
        dirty_ |= kDirtyLights;
    }
    return D3D_OK;
}

HRESULT Device::GetLightEnable(DWORD Index, BOOL* pEnable) {
    const auto it = lights_.find(Index);
    if (!pEnable || it == lights_.end()) {
        Report("IDirect3DDevice8::GetLightEnable", "null pointer or light never set");
        return D3DERR_INVALIDCALL;
    }
    *pEnable = it->second.enabled ? TRUE : FALSE;
    return D3D_OK;
}

HRESULT Device::SetTexture(DWORD Stage, IDirect3DBaseTexture8* pTexture) {
    const char* where = "IDirect3DDevice8::SetTexture";
    if (FAILED(CheckStage(where, Stage))) return D3DERR_INVALIDCALL;
    Texture* texture = nullptr;
    if (pTexture) {
        texture = dynamic_cast<Texture*>(pTexture);
        if (!texture || texture->OwnerDevice() != this) {
            Report(where, "texture does not belong to this device");
            return D3DERR_INVALIDCALL;
        }
    }
    if (recording_) {
        recording_->RecordTexture(Stage, texture);
        return D3D_OK;
    }
    BindTexture(Stage, texture);
    return D3D_OK;
}

HRESULT Device::GetTexture(DWORD Stage, IDirect3DBaseTexture8** ppTexture) {
    if (!ppTexture) return D3DERR_INVALIDCALL;
    *ppTexture = nullptr;
    if (FAILED(CheckStage("IDirect3DDevice8::GetTexture", Stage))) return D3DERR_INVALIDCALL;
    if (Texture* t = textures_[Stage].Get()) {
        t->AddRef();
        *ppTexture = t;
    }
    return D3D_OK;
}

HRESULT Device::SetVertexShader(DWORD Handle) {
    const char* where = "IDirect3DDevice8::SetVertexShader";
    if (Handle & D3DFVF_RESERVED0) {
        Report(where, "vertex shader programs are not implemented; only FVF codes");
        return D3DERR_INVALIDCALL;
    }
    if (Handle != 0 && !DecodeFvf(Handle).valid) {
        Report(where, "invalid FVF code");
        return D3DERR_INVALIDCALL;
    }
    if (recording_) {
        recording_->RecordVertexShader(Handle);
        return D3D_OK;
    }
    state_.fvf = Handle;
    return D3D_OK;
}

HRESULT Device::GetVertexShader(DWORD* pHandle) {
    if (!pHandle) return D3DERR_INVALIDCALL;
    *pHandle = state_.fvf;
    return D3D_OK;
}

HRESULT Device::SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer8* pStreamData, UINT Stride) {
    const char* where = "IDirect3DDevice8::SetStreamSource";
    if (StreamNumber >= kMaxStreams) {
        Report(where, "stream number out of range (0..15)");
        return D3DERR_INVALIDCALL;
    }
    VertexBuffer* buffer = nullptr;
    if (pStreamData) {
        buffer = dynamic_cast<VertexBuffer*>(pStreamData);
        if (!buffer || buffer->OwnerDevice() != this) {
            Report(where, "vertex buffer does not belong to this device");
            return D3DERR_INVALIDCALL;
        }
    }
    if (recording_) {
        recording_->RecordStream(StreamNumber, buffer, Stride);
        return D3D_OK;
    }
    streams_[StreamNumber].buffer.Reset(buffer);
    streams_[StreamNumber].stride = Stride;
    return D3D_OK;
}

HRESULT Device::GetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer8** ppStreamData, UINT* pStride) {
    if (!ppStreamData || !pStride) return D3DERR_INVALIDCALL;
    *ppStreamData = nullptr;
    *pStride = 0;
    if (StreamNumber >= kMaxStreams) {
        Report("IDirect3DDevice8::GetStreamSource", "stream number out of range (0..15)");
        return D3DERR_INVALIDCALL;
    }
    if (VertexBuffer* b = streams_[StreamNumber].buffer.Get()) {
        b->AddRef();
        *ppStreamData = b;
    }
    *pStride = streams_[StreamNumber].stride;
    return D3D_OK;
}

HRESULT Device::SetIndices(IDirect3DIndexBuffer8* pIndexData, UINT BaseVertexIndex) {
    IndexBuffer* buffer = nullptr;
    if (pIndexData) {
        buffer = dynamic_cast<IndexBuffer*>(pIndexData);
        if (!buffer || buffer->OwnerDevice() != this) {
            Report("IDirect3DDevice8::SetIndices", "index buffer does not belong to this device");
            return D3DERR_INVALIDCALL;
        }
    }
    if (recording_) {
        recording_->RecordIndices(buffer, BaseVertexIndex);
        return D3D_OK;
    }
    indices_.Reset(buffer);
    baseVertexIndex_ = BaseVertexIndex;
    return D3D_OK;
}

HRESULT Device::GetIndices(IDirect3DIndexBuffer8** ppIndexData, UINT* pBaseVertexIndex) {
    if (!ppIndexData || !pBaseVertexIndex) return D3DERR_INVALIDCALL;
    *ppIndexData = nullptr;
    if (IndexBuffer* b = indices_.Get()) {
        b->AddRef();
        *ppIndexData = b;
    }
    *pBaseVertexIndex = baseVertexIndex_;
    return D3D_OK;
}

}  // namespace d3d8
