// A unit sphere as an indexed triangle list of rings x segments quads, with normals and one
// texture pair (FVF XYZ | NORMAL | TEX1): the many-small-triangles load of the benchmarks.
#pragma once

#include "platform/d3d8.h"

#include <cmath>
#include <vector>

struct SphereVertex {
    float x, y, z, nx, ny, nz, u, v;
};

struct SphereMesh {
    std::vector<SphereVertex> vertices;
    std::vector<WORD> indices;
    UINT Triangles() const { return static_cast<UINT>(indices.size() / 3); }
};

// rings x segments must stay below 65536 vertices: (rings + 1) * (segments + 1).
inline SphereMesh MakeSphereMesh(int rings, int segments) {
    SphereMesh mesh;
    for (int r = 0; r <= rings; ++r)
        for (int s = 0; s <= segments; ++s) {
            const float th = 3.14159265f * r / rings, ph = 2 * 3.14159265f * s / segments;
            const float x = std::sin(th) * std::cos(ph), y = std::cos(th), z = std::sin(th) * std::sin(ph);
            mesh.vertices.push_back(
                {x, y, z, x, y, z, static_cast<float>(s) / segments, static_cast<float>(r) / rings});
        }
    for (int r = 0; r < rings; ++r)
        for (int s = 0; s < segments; ++s) {
            const WORD a = static_cast<WORD>(r * (segments + 1) + s), b = static_cast<WORD>(a + segments + 1);
            mesh.indices.insert(mesh.indices.end(),
                                {a, static_cast<WORD>(a + 1), b, b, static_cast<WORD>(a + 1), static_cast<WORD>(b + 1)});
        }
    return mesh;
}
