// Per-vertex lighting in camera space: directional, point (range, attenuation) and spot lights
// on the material's diffuse, ambient and emissive colours plus the global ambient.
#pragma once

#include "platform/d3d8/ref/ref_types.h"

namespace d3d8::ref {

// `position` and `normal` are in camera space; `vertexDiffuse` / `vertexSpecular` are the
// vertex's own colours (null when the layout has none). Returns the lit diffuse colour,
// alpha from the diffuse material source.
Color LightVertex(const DrawContext& ctx, const float position[3], const float normal[3], const Color* vertexDiffuse,
                  const Color* vertexSpecular);

}  // namespace d3d8::ref
