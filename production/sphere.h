// The morphing sphere of the surface scene, as a triangle strip of two-texture vertices.
#pragma once

#include "production/vertices.h"

namespace sphere {

struct Tessellation {
    UINT rings;
    UINT segments;
};
constexpr Tessellation kDense{15, 30};
constexpr Tessellation kSparse{5, 10};

// 2 x rings x (segments + 1): two vertices per column of every ring.
constexpr UINT VertexCount(Tessellation t) { return 2 * t.rings * (t.segments + 1); }

// Writes VertexCount(t) vertices in strip order. `morphPhase` (radians) reshapes the rings:
// the ring radii and heights deliberately mix product and sum forms of the phase, which is
// what makes the surface fold. `worldView` maps normals to the sphere-map coordinates of the
// first texture pair.
void Fill(Tessellation t, float morphPhase, const D3DXMATRIX& worldView, TwoTextureVertex* out);

}  // namespace sphere
