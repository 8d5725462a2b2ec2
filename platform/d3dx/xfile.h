// The text `.x` mesh format, read into one triangle mesh with materials.
//
// Reads: the 16-byte header (`xof 0302`/`0303`, `txt `), template declarations (skipped),
// `Header`, `Frame` with `FrameTransformMatrix` (nested frames multiply: child * parent),
// `Mesh`, `MeshNormals`, `MeshTextureCoords`, `MeshMaterialList` with inline `Material`
// objects and `{ Name }` references to named materials declared earlier, `TextureFilename`,
// comments (`//`, `#`), `,` and `;` as interchangeable separators. Unknown objects
// (animations, skin weights, vertex colours, duplication indices) are skipped whole.
// Several meshes are merged into one in file order, their materials appended. Polygons
// become triangle fans; vertices are split where corners share a position but not a normal;
// triangles are sorted by material so each material's faces form one contiguous subset.
//
// Empty MeshNormals or MeshTextureCoords objects count as absent.
//
// Leaves out: the binary and compressed variants (refused with D3DXERR_INVALIDDATA),
// vertex colours, skinning, animation, progressive meshes, and instancing (a `{ Name }`
// reference to a mesh inside a frame is ignored).
#pragma once

#include "platform/d3dx/math.h"

#include <cstddef>
#include <string>
#include <vector>

namespace d3dx {

struct XMaterial {
    D3DMATERIAL8 material{};     // Diffuse = faceColor, Specular/Emissive from the file, Ambient 0
    std::string textureFilename;  // as written in the file; empty when none
};

struct XVertex {
    D3DXVECTOR3 position;
    D3DXVECTOR3 normal;  // unit length after the frame transforms; zero when the file has none
    float u = 0, v = 0;
};

// A subset: the triangles of one material, contiguous after sorting.
struct XSubset {
    DWORD attribute = 0;   // material index
    UINT faceStart = 0;    // first triangle
    UINT faceCount = 0;
    UINT vertexStart = 0;  // lowest vertex index used
    UINT vertexCount = 0;  // highest - lowest + 1
};

struct XMeshData {
    std::vector<XVertex> vertices;
    std::vector<UINT> indices;      // three per triangle, into vertices
    std::vector<DWORD> attributes;  // material index per triangle
    std::vector<XMaterial> materials;
    std::vector<XSubset> subsets;   // ascending attribute, only materials that have faces
    bool hasNormals = false;        // some mesh of the file carried MeshNormals
    bool hasTexCoords = false;      // some mesh of the file carried MeshTextureCoords
};

// Parses a whole file held in memory. S_OK with *out filled; otherwise D3DXERR_INVALIDDATA,
// *out untouched and, when error is not NULL, a one-line reason with the line number.
// A file with frames but no mesh yields D3DXERR_LOADEDMESHHASNODATA.
HRESULT ParseXFile(const char* text, size_t size, XMeshData* out, std::string* error = nullptr);

}  // namespace d3dx
