#include "platform/d3d8/gl/state_map.h"

#include "platform/d3d8/fixed_function.h"

namespace d3d8::gl {

GLenum GlBlendFactor(DWORD b) {
    switch (b) {
    case D3DBLEND_ZERO: return GL_ZERO;
    case D3DBLEND_ONE: return GL_ONE;
    case D3DBLEND_SRCCOLOR: return GL_SRC_COLOR;
    case D3DBLEND_INVSRCCOLOR: return GL_ONE_MINUS_SRC_COLOR;
    case D3DBLEND_SRCALPHA: return GL_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA: return GL_ONE_MINUS_SRC_ALPHA;
    case D3DBLEND_DESTALPHA: return GL_DST_ALPHA;
    case D3DBLEND_INVDESTALPHA: return GL_ONE_MINUS_DST_ALPHA;
    case D3DBLEND_DESTCOLOR: return GL_DST_COLOR;
    case D3DBLEND_INVDESTCOLOR: return GL_ONE_MINUS_DST_COLOR;
    case D3DBLEND_SRCALPHASAT: return GL_SRC_ALPHA_SATURATE;
    default: return GL_ONE;
    }
}

GLenum GlBlendEquation(DWORD op) {
    switch (op) {
    case D3DBLENDOP_SUBTRACT: return GL_FUNC_SUBTRACT;
    case D3DBLENDOP_REVSUBTRACT: return GL_FUNC_REVERSE_SUBTRACT;
    case D3DBLENDOP_MIN: return GL_MIN;
    case D3DBLENDOP_MAX: return GL_MAX;
    default: return GL_FUNC_ADD;
    }
}

GLenum GlCompare(DWORD f) {
    switch (f) {
    case D3DCMP_NEVER: return GL_NEVER;
    case D3DCMP_LESS: return GL_LESS;
    case D3DCMP_EQUAL: return GL_EQUAL;
    case D3DCMP_LESSEQUAL: return GL_LEQUAL;
    case D3DCMP_GREATER: return GL_GREATER;
    case D3DCMP_NOTEQUAL: return GL_NOTEQUAL;
    case D3DCMP_GREATEREQUAL: return GL_GEQUAL;
    default: return GL_ALWAYS;
    }
}

FixedState MakeFixedState(const PipelineState& s, bool hasDepth, D3DPRIMITIVETYPE primitive) {
    const DWORD* rs = s.renderStates;
    FixedState f;
    f.blend = rs[D3DRS_ALPHABLENDENABLE] != 0;
    if (f.blend) {
        const BlendFactors factors = ResolveBlendFactors(rs);
        f.srcFactor = GlBlendFactor(factors.src);
        f.dstFactor = GlBlendFactor(factors.dst);
        f.equation = GlBlendEquation(rs[D3DRS_BLENDOP]);
    }
    f.depthTest = rs[D3DRS_ZENABLE] != D3DZB_FALSE && hasDepth;
    f.depthFunc = GlCompare(rs[D3DRS_ZFUNC]);
    f.depthWrite = f.depthTest && rs[D3DRS_ZWRITEENABLE] != 0;
    // Direct3D's clockwise (on screen, y down) is GL's front face here.
    f.cull = rs[D3DRS_CULLMODE] == D3DCULL_CW || rs[D3DRS_CULLMODE] == D3DCULL_CCW;
    f.cullFace = rs[D3DRS_CULLMODE] == D3DCULL_CW ? GL_FRONT : GL_BACK;
    switch (rs[D3DRS_FILLMODE]) {
    case D3DFILL_POINT: f.polygonMode = GL_POINT; break;
    case D3DFILL_WIREFRAME: f.polygonMode = GL_LINE; break;
    default: f.polygonMode = GL_FILL; break;
    }
    if (primitive == D3DPT_POINTLIST) {
        f.cull = false;
        f.polygonMode = GL_FILL;
    } else if (f.polygonMode == GL_POINT) {
        f.cull = false;
    }
    const DWORD mask = rs[D3DRS_COLORWRITEENABLE];
    f.colorMask[0] = (mask & D3DCOLORWRITEENABLE_RED) != 0;
    f.colorMask[1] = (mask & D3DCOLORWRITEENABLE_GREEN) != 0;
    f.colorMask[2] = (mask & D3DCOLORWRITEENABLE_BLUE) != 0;
    f.colorMask[3] = (mask & D3DCOLORWRITEENABLE_ALPHA) != 0;
    f.depthClamp = (s.fvf & D3DFVF_POSITION_MASK) == D3DFVF_XYZRHW;
    return f;
}

namespace {

void Toggle(GLenum cap, bool on) {
    if (on)
        glEnable(cap);
    else
        glDisable(cap);
}

}  // namespace

void StateCache::Apply(const FixedState& s) {
    const FixedState& c = current_;
    const bool all = !valid_;
    if (all || s.blend != c.blend) Toggle(GL_BLEND, s.blend);
    if (s.blend && (all || s.srcFactor != c.srcFactor || s.dstFactor != c.dstFactor))
        glBlendFunc(s.srcFactor, s.dstFactor);
    if (s.blend && (all || s.equation != c.equation)) glBlendEquation(s.equation);
    if (all || s.depthTest != c.depthTest) Toggle(GL_DEPTH_TEST, s.depthTest);
    if (all || s.depthFunc != c.depthFunc) glDepthFunc(s.depthFunc);
    if (all || s.depthWrite != c.depthWrite) glDepthMask(s.depthWrite ? GL_TRUE : GL_FALSE);
    if (all || s.cull != c.cull) Toggle(GL_CULL_FACE, s.cull);
    if (all || s.cullFace != c.cullFace) glCullFace(s.cullFace);
    if (all || s.polygonMode != c.polygonMode) glPolygonMode(GL_FRONT_AND_BACK, s.polygonMode);
    if (all || s.colorMask[0] != c.colorMask[0] || s.colorMask[1] != c.colorMask[1] ||
        s.colorMask[2] != c.colorMask[2] || s.colorMask[3] != c.colorMask[3])
        glColorMask(s.colorMask[0], s.colorMask[1], s.colorMask[2], s.colorMask[3]);
    if (all || s.depthClamp != c.depthClamp) Toggle(GL_DEPTH_CLAMP, s.depthClamp);
    // Blend factors and equation are only sent while blending is on; keep the shadow honest.
    FixedState next = s;
    if (!s.blend && !all) {
        next.srcFactor = c.srcFactor;
        next.dstFactor = c.dstFactor;
        next.equation = c.equation;
    } else if (!s.blend) {
        glBlendFunc(s.srcFactor, s.dstFactor);
        glBlendEquation(s.equation);
    }
    current_ = next;
    valid_ = true;
}

void StateCache::EnableAllWrites() {
    if (!valid_ || !current_.colorMask[0] || !current_.colorMask[1] || !current_.colorMask[2] || !current_.colorMask[3])
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    if (!valid_ || !current_.depthWrite) glDepthMask(GL_TRUE);
    for (bool& m : current_.colorMask) m = true;
    current_.depthWrite = true;
}

}  // namespace d3d8::gl
