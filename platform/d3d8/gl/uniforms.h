// The values the generated shaders read, as one array of vec4 (`u[]` in GLSL) shared by the
// vertex, geometry and fragment stages. Matrices are stored in Direct3D's row-major memory
// order; GLSL reads them column-major, which turns p * M (row vectors) into M' * p.
#pragma once

#include "platform/d3d8/rasterizer.h"

namespace d3d8::gl {

struct Vec4 {
    float v[4];
};

// Slots of the array (each one vec4).
constexpr int kUWorldViewProj = 0;  // 4 slots
constexpr int kUWorldView = 4;      // 4 slots
constexpr int kUNormalRows = 8;     // 3 slots: inverse transpose of world*view, rows
constexpr int kUPosMap = 11;        // clip x, y -> GL clip: (x * s.x + w * s.z, y * s.y + w * s.w)
constexpr int kUPreMap = 12;        // pixel x, y -> GL NDC: (x * s.x + s.z, y * s.y + s.w)
constexpr int kUDepthMap = 13;      // (z scale, w scale) for GL clip z; NDC units per pixel (x, y)
constexpr int kUMatDiffuse = 14;
constexpr int kUMatAmbient = 15;
constexpr int kUMatEmissive = 16;
constexpr int kUGlobalAmbient = 17;
constexpr int kUPoint = 18;        // size, minimum, maximum, viewport height (pixels)
constexpr int kUPointScale = 19;   // A, B, C
constexpr int kUFog = 20;          // start, end, density, alpha reference (0..255)
constexpr int kUFogColor = 21;
constexpr int kUTextureFactor = 22;
constexpr int kULights = 23;       // 6 slots per light, see below
constexpr int kULightSlots = 6;    // position (eye), direction (eye, unit), diffuse, ambient,
                                   // (att0, att1, att2, range), (cos theta/2, cos phi/2, falloff)
constexpr int kUTexTransforms = kULights + kULightSlots * static_cast<int>(kMaxActiveLights);  // 4 per stage
constexpr int kUBumpMatrix = kUTexTransforms + 4 * static_cast<int>(kMaxStages);  // (M00, M01, M10, M11)
constexpr int kUBumpLuminance = kUBumpMatrix + static_cast<int>(kMaxStages);        // (scale, offset)
constexpr int kUniformCount = kUBumpLuminance + static_cast<int>(kMaxStages);

// How Direct3D pixel coordinates (centres on whole numbers, y down) land in the GL viewport.
// GL window row r is memory row r of the target (its top row first), so y is not flipped in
// the window: Direct3D's top-left fill rule then matches GL's rule for window coordinates
// with the origin at the lower left, tie for tie.
struct ViewMapping {
    float glX = 0, glY = 0, glWidth = 1, glHeight = 1;  // the GL viewport
    // Clip-space depth 0..1 (glClipControl); otherwise GL's -1..1 is fed 2z - w.
    bool depthZeroToOne = true;
};

// Fills all kUniformCount slots for a draw with `state` and the viewport mapping.
void FillUniforms(const PipelineState& state, const ViewMapping& mapping, Vec4* out);

}  // namespace d3d8::gl
