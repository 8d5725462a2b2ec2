// The objects of the surface scene after its sphere: one turned object, then grids of 27 and
// 392 objects, the last pulsing with the scene angle under a point light.
#pragma once

#include "platform/d3dx8.h"

#include <vector>

namespace object_grids {

struct Placement {
    D3DXMATRIX world;
    bool lit;  // drawn under the grids' point light (set once, before the first lit object)
};

// The objects drawn at `t` seconds with the scene angle `q`, in drawing order: the turned one
// from 73 to 77 s, 27 from 77 to 83 s, 392 from 83 to 100 s and 392 lit ones from 100 to 180 s.
// Each window includes both ends, so at 77, 83 and 100 s both neighbouring sets are drawn.
std::vector<Placement> At(float t, float q);

}  // namespace object_grids
