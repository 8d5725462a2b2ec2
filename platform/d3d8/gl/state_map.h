// Render states that map to fixed OpenGL state: blending, depth, culling, fill mode, colour
// write mask, depth clamping. The mapping is pure (FixedState from a PipelineState); the
// cache applies it, touching only what changed since the last draw.
#pragma once

#include "platform/d3d8/rasterizer.h"

#include <epoxy/gl.h>

namespace d3d8::gl {

struct FixedState {
    bool blend = false;
    GLenum srcFactor = GL_ONE, dstFactor = GL_ZERO, equation = GL_FUNC_ADD;
    bool depthTest = false;
    GLenum depthFunc = GL_LEQUAL;
    bool depthWrite = false;
    bool cull = false;
    GLenum cullFace = GL_BACK;  // with the front face set to Direct3D's clockwise
    GLenum polygonMode = GL_FILL;
    bool colorMask[4] = {true, true, true, true};  // r, g, b, a
    bool depthClamp = false;  // pre-transformed vertices: depth is clamped, not clipped
};

GLenum GlBlendFactor(DWORD d3dBlend);
GLenum GlBlendEquation(DWORD d3dBlendOp);
GLenum GlCompare(DWORD d3dCmp);

// The GL state of a draw of `primitive`s; `hasDepth` tells whether a depth buffer is attached.
// Points are never culled and always filled (a point list's squares are triangles to GL, and
// fill mode POINT draws every corner of every triangle).
FixedState MakeFixedState(const PipelineState& state, bool hasDepth, D3DPRIMITIVETYPE primitive = D3DPT_TRIANGLELIST);

// Shadows the GL state so each draw changes only what differs.
class StateCache {
public:
    void Apply(const FixedState& s);
    // For clears: colour and depth writes all on (restored by the next Apply).
    void EnableAllWrites();
    // Forget the shadow (after someone else touched the context).
    void Invalidate() { valid_ = false; }

private:
    FixedState current_;
    bool valid_ = false;
};

}  // namespace d3d8::gl
