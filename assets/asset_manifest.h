// The production's data files, each with the kind of file it is and, for the textures loaded
// with a format of their own, that format. Paths are relative to the working folder. The
// groups follow the order in which the production loads them; the production pairs each
// group's entries with its objects by position. The generators write exactly these files and
// the content tests check every one of them.
#pragma once

#include "platform/d3d8/types.h"

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <string_view>

namespace assets {

enum class Kind {
    Jpeg,            // baseline JPEG, RGB
    Bmp,             // uncompressed 24-bit BMP
    PngRgb,          // RGB PNG: colour-keyed pictures, whose key colour must survive exactly
    PngRgba,         // RGBA PNG: pictures drawn with their own alpha
    Mesh,            // text .x mesh
    ParticleScript,  // .dps particle script
    Music,           // MP3
};

struct Asset {
    const char* path;
    Kind kind;
    D3DFORMAT format = D3DFMT_UNKNOWN;  // the format a texture is loaded as; UNKNOWN: the file's own
};

// What the production does when a group's file is missing or unusable.
enum class Need {
    Media,     // start-up stops with "Could not load required media."
    StartUp,   // start-up stops with the generic error
    Optional,  // the production runs on without it
};

// Created with the device through the media search; the bump-mapping scene's set.
inline constexpr Asset kRequiredMedia[] = {
    {"Textures/empty.jpg", Kind::Jpeg, D3DFMT_R5G6B5},
    {"Textures/qrnm.jpg", Kind::Jpeg, D3DFMT_R5G6B5},
    {"Textures/qrbm.bmp", Kind::Bmp, D3DFMT_A8R8G8B8},  // height field of the bump map
    {"Textures/bmenv.jpg", Kind::Jpeg, D3DFMT_R5G6B5},
};
inline constexpr Asset kBumpAlpha{"Textures/bg2.png", Kind::PngRgba, D3DFMT_A8R8G8B8};

inline constexpr Asset kMusic{"data/demo.mp3", Kind::Music};

inline constexpr Asset kTunnelScript{"data/tunnel.dps", Kind::ParticleScript};
inline constexpr Asset kCountdownScript{"data/cdown.dps", Kind::ParticleScript};
inline constexpr Asset kAlvenScript{"data/alven.dps", Kind::ParticleScript};
inline constexpr Asset kDarkElfScript{"data/darkelf.dps", Kind::ParticleScript};
inline constexpr Asset kCaveScript{"data/cave.dps", Kind::ParticleScript};
inline constexpr Asset kParticleScripts[] = {kTunnelScript, kCountdownScript, kAlvenScript, kDarkElfScript,
                                             kCaveScript};

// T1..T4 of the lens flare's spots.
inline constexpr Asset kFlareTextures[] = {
    {"Textures/lf1.png", Kind::PngRgba},
    {"Textures/lf2.png", Kind::PngRgba},
    {"Textures/lf3.png", Kind::PngRgba},
    {"Textures/lf4.png", Kind::PngRgba},
};

inline constexpr Asset kSquidMesh{"Data/squidlikething.x", Kind::Mesh};
inline constexpr Asset kHaloMesh{"Data/halo.x", Kind::Mesh};
inline constexpr Asset kLogoMesh{"Data/logo.x", Kind::Mesh};
inline constexpr Asset kShapeMesh{"Data/shape.x", Kind::Mesh};
inline constexpr Asset kOneMesh{"Data/one.x", Kind::Mesh};
inline constexpr Asset kTwoMesh{"Data/two.x", Kind::Mesh};
inline constexpr Asset kThreeMesh{"Data/three.x", Kind::Mesh};
inline constexpr Asset kFourMesh{"Data/four.x", Kind::Mesh};
inline constexpr Asset kFiveMesh{"Data/five.x", Kind::Mesh};
inline constexpr Asset kBoxyMesh{"Data/boxy.x", Kind::Mesh};
inline constexpr Asset kFemMesh{"Data/fem.x", Kind::Mesh};
inline constexpr Asset kAlienMesh{"Data/alien.x", Kind::Mesh};  // loaded twice, as two independent meshes
inline constexpr Asset kCaveMesh{"Data/cave.x", Kind::Mesh};
inline constexpr Asset kObjFaenMesh{"Data/objfaen.x", Kind::Mesh};
inline constexpr Asset kSakligMesh{"Data/saklig.x", Kind::Mesh};
inline constexpr Asset kMeshes[] = {kSquidMesh, kHaloMesh,  kLogoMesh, kShapeMesh, kOneMesh,
                                    kTwoMesh,   kThreeMesh, kFourMesh, kFiveMesh,  kBoxyMesh,
                                    kFemMesh,   kAlienMesh, kCaveMesh, kObjFaenMesh, kSakligMesh};

// Loaded on every restore with the library's defaults.
inline constexpr Asset kRestoreTextures[] = {
    {"Textures/empty.jpg", Kind::Jpeg},  {"Textures/alven.jpg", Kind::Jpeg},  {"Textures/alven2.jpg", Kind::Jpeg},
    {"Textures/env.jpg", Kind::Jpeg},    {"Textures/env2.jpg", Kind::Jpeg},   {"Textures/bg.jpg", Kind::Jpeg},
    {"Textures/og1.png", Kind::PngRgba}, {"Textures/og2.png", Kind::PngRgba}, {"Textures/name.png", Kind::PngRgba},
    {"Textures/s6over.jpg", Kind::Jpeg}, {"Textures/back_s3.jpg", Kind::Jpeg}, {"Textures/env3.jpg", Kind::Jpeg},
    {"Textures/logo.png", Kind::PngRgba}, {"Textures/envnr.jpg", Kind::Jpeg}, {"Textures/1.jpg", Kind::Jpeg},
    {"Textures/2.jpg", Kind::Jpeg},      {"Textures/3.jpg", Kind::Jpeg},      {"Textures/frame.jpg", Kind::Jpeg},
    {"Textures/boxtex.jpg", Kind::Jpeg}, {"Textures/s7cube.jpg", Kind::Jpeg},
};
inline constexpr Asset kCreditTextures[] = {
    {"Textures/2d.png", Kind::PngRgba},     {"Textures/3d.png", Kind::PngRgba},  {"Textures/ka.png", Kind::PngRgba},
    {"Textures/lu.png", Kind::PngRgba},     {"Textures/cod.png", Kind::PngRgba}, {"Textures/mo.png", Kind::PngRgba},
    {"Textures/design.png", Kind::PngRgba}, {"Textures/gfx.png", Kind::PngRgba}, {"Textures/ne.png", Kind::PngRgba},
    {"Textures/music.png", Kind::PngRgba},  {"Textures/script.png", Kind::PngRgba}, {"Textures/ri.png", Kind::PngRgba},
    {"Textures/su.png", Kind::PngRgba},     {"Textures/vo.png", Kind::PngRgba},
};
inline constexpr Asset kGreetingTextures[] = {
    {"Textures/g1.png", Kind::PngRgba}, {"Textures/g2.png", Kind::PngRgba}, {"Textures/g3.png", Kind::PngRgba},
    {"Textures/g4.png", Kind::PngRgba}, {"Textures/g5.png", Kind::PngRgba}, {"Textures/g6.png", Kind::PngRgba},
    {"Textures/g7.png", Kind::PngRgba}, {"Textures/g8.png", Kind::PngRgba},
};

// Loaded with one mip level and the colour key (opaque RGB 0, 64, 64 becomes transparent).
inline constexpr Asset kColourKeyedImages[] = {
    {"Textures/Image1.png", Kind::PngRgb, D3DFMT_A8R8G8B8},
    {"Textures/Image2.png", Kind::PngRgb, D3DFMT_A8R8G8B8},
    {"Textures/Image3.png", Kind::PngRgb, D3DFMT_A8R8G8B8},
};

// Named only inside other files: the particle scripts' sprites and the cave mesh's rock.
inline constexpr Asset kReferencedTextures[] = {
    {"Textures/mote.png", Kind::PngRgba},
    {"Textures/spark.png", Kind::PngRgba},
    {"Textures/ember.png", Kind::PngRgba},
    {"Textures/rock.jpg", Kind::Jpeg},
};

// One group of loads above, and what the production does without any of its files.
struct Group {
    const Asset* first;
    std::size_t count;
    Need need;
    constexpr const Asset* begin() const { return first; }
    constexpr const Asset* end() const { return first + count; }
};

// Every group in loading order. A file in more than one group (the fade base "empty.jpg")
// matters as much as its first load says.
inline constexpr Group kGroups[] = {
    {kRequiredMedia, std::size(kRequiredMedia), Need::Media},
    {&kBumpAlpha, 1, Need::StartUp},
    {&kMusic, 1, Need::Optional},
    {kParticleScripts, std::size(kParticleScripts), Need::Optional},
    {kFlareTextures, std::size(kFlareTextures), Need::Optional},
    {kMeshes, std::size(kMeshes), Need::StartUp},
    {kRestoreTextures, std::size(kRestoreTextures), Need::Optional},
    {kCreditTextures, std::size(kCreditTextures), Need::Optional},
    {kGreetingTextures, std::size(kGreetingTextures), Need::Optional},
    {kColourKeyedImages, std::size(kColourKeyedImages), Need::StartUp},
    {kReferencedTextures, std::size(kReferencedTextures), Need::Optional},
};

constexpr std::size_t LoadCount() {
    std::size_t n = 0;
    for (const Group& g : kGroups) n += g.count;
    return n;
}

// Calls visit(asset, need) once per file, at its first load.
template <class Visit>
void ForEachFile(Visit visit) {
    std::string_view seen[LoadCount()];
    std::size_t files = 0;
    for (const Group& g : kGroups)
        for (const Asset& a : g) {
            if (std::find(seen, seen + files, a.path) != seen + files) continue;
            seen[files++] = a.path;
            visit(a, g.need);
        }
}

// The first load of the file at `path`, or nullptr when the manifest does not list it.
inline const Asset* Find(std::string_view path) {
    for (const Group& g : kGroups)
        for (const Asset& a : g)
            if (a.path == path) return &a;
    return nullptr;
}

}  // namespace assets
