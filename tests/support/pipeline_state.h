// Pipeline states and matrices for tests that drive a rasterizer directly, without a device.
#pragma once

#include "platform/d3d8/rasterizer.h"
#include "platform/d3d8/state_tables.h"

#include <cmath>

namespace pipeline {

inline D3DMATRIX Identity() {
    D3DMATRIX m{};
    m._11 = m._22 = m._33 = m._44 = 1;
    return m;
}

// Left-handed perspective projection, vertical field of view in radians.
inline D3DMATRIX PerspectiveFovLH(float fovY, float aspect, float zn, float zf) {
    D3DMATRIX m{};
    const float yScale = 1.0f / std::tan(fovY / 2);
    m._11 = yScale / aspect;
    m._22 = yScale;
    m._33 = zf / (zf - zn);
    m._34 = 1;
    m._43 = -zn * zf / (zf - zn);
    return m;
}

// The state a new device with a depth buffer starts with (the device model's own defaults),
// identity transforms and a viewport covering `width` x `height`.
inline d3d8::PipelineState DefaultState(UINT width, UINT height) {
    d3d8::PipelineState s;
    d3d8::DefaultRenderStates(s.renderStates, true);
    d3d8::DefaultStageStates(s.stageStates);
    for (D3DMATRIX& m : s.textureTransforms) m = Identity();
    s.world = s.view = s.projection = Identity();
    s.viewport = {0, 0, width, height, 0.0f, 1.0f};
    return s;
}

}  // namespace pipeline
