// Procedural meshes of the production and the writer of the text `.x` format.
// Coordinates are left-handed (x right, y up, z away from the viewer); a triangle is
// front-facing when its corners run clockwise as seen by the viewer, so its normal
// cross(p1 - p0, p2 - p0) points towards the viewer.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace cg {

struct Vec3 {
    float x = 0, y = 0, z = 0;
};
inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator*(Vec3 a, float k) { return {a.x * k, a.y * k, a.z * k}; }
inline float Dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 Cross(Vec3 a, Vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
Vec3 Normalize(Vec3 v);

struct Material {
    float r = 1, g = 1, b = 1, a = 1;  // diffuse colour and opacity, 0..1
    float power = 20;                   // specular exponent
    float sr = 0.3f, sg = 0.3f, sb = 0.3f;  // specular colour
    float er = 0, eg = 0, eb = 0;           // emissive colour
    std::string texture;                    // file name relative to the working folder, or empty
};

struct Vertex {
    Vec3 p, n;
    float u = 0, v = 0;
};

struct Mesh {
    std::vector<Vertex> verts;
    std::vector<unsigned> tris;     // three indices per triangle
    std::vector<unsigned> triMat;   // material index per triangle
    std::vector<Material> materials;
    size_t TriangleCount() const { return triMat.size(); }
};

struct MeshFile {
    std::string path;  // relative to the output root, e.g. "Data/cave.x"
    std::function<Mesh()> make;
};

// Every mesh, in a fixed order.
const std::vector<MeshFile>& AllMeshes();

// Writes the mesh in the text `.x` format (one frame holding one mesh with normals,
// texture coordinates and a material list); false on failure.
bool WriteXFile(const std::string& path, const Mesh& mesh);

// Builds one mesh by name (the file name without folder and extension), for tests.
Mesh MakeMeshByName(const std::string& name);

}  // namespace cg
