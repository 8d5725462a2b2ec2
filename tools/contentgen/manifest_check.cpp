#include "manifest_check.h"

#include "meshes.h"
#include "textures.h"

#include "assets/asset_manifest.h"

#include <cstdio>
#include <map>
#include <string>

namespace cg {
namespace {

assets::Kind KindOf(PicFormat format)
{
    switch (format) {
    case PicFormat::Jpeg: return assets::Kind::Jpeg;
    case PicFormat::PngRgb: return assets::Kind::PngRgb;
    case PicFormat::PngRgba: return assets::Kind::PngRgba;
    case PicFormat::Bmp24: break;
    }
    return assets::Kind::Bmp;
}

}  // namespace

bool RecipesMatchManifest()
{
    std::map<std::string, assets::Kind> made;
    for (const Picture& pic : AllPictures()) made.emplace(pic.path, KindOf(pic.format));
    for (const MeshFile& mesh : AllMeshes()) made.emplace(mesh.path, assets::Kind::Mesh);
    bool ok = true;
    assets::ForEachFile([&](const assets::Asset& asset, assets::Need) {
        if (asset.kind == assets::Kind::Music || asset.kind == assets::Kind::ParticleScript) return;
        const auto recipe = made.find(asset.path);
        if (recipe == made.end()) {
            std::fprintf(stderr, "contentgen: nothing makes %s of the asset manifest\n", asset.path);
            ok = false;
            return;
        }
        if (recipe->second != asset.kind) {
            std::fprintf(stderr, "contentgen: %s is made in another kind of file than the asset manifest names\n",
                         asset.path);
            ok = false;
        }
        made.erase(recipe);
    });
    for (const auto& [path, kind] : made) {
        std::fprintf(stderr, "contentgen: %s is not in the asset manifest\n", path.c_str());
        ok = false;
    }
    return ok;
}

}  // namespace cg
