// Contact sheet: every picture and every mesh of the production on one PNG, each with
// its file name, for reviewing the whole set at a glance.
#pragma once

#include "common.h"
#include "meshes.h"

#include <string>
#include <vector>

namespace cg {

// `images` follow the order of AllPictures(), `meshes` that of AllMeshes().
bool WriteContactSheet(const std::string& path, const std::string& root, const std::vector<Image>& images,
                       const std::vector<Mesh>& meshes);

// Renders a mesh into a picture of the given size: a perspective view from `eye` towards
// `target` (left-handed, y up), Lambert shading with the mesh's materials and the
// pictures they name (looked up among `images` by path). Back faces are tinted red.
Image RenderMesh(const Mesh& mesh, int w, int h, Vec3 eye, Vec3 target, float fovY,
                 const std::vector<Image>& images);

// The view of a mesh used on the contact sheet: from outside, or from inside for the
// cave and the box room.
Image ViewMesh(const Mesh& mesh, const std::string& name, int size, const std::vector<Image>& images);

}  // namespace cg
