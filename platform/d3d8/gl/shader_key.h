// The part of the fixed-function state that changes the generated GLSL, packed into a small
// key. Two draws with equal keys share one program; everything else (matrices, colours,
// light positions, fog distances...) travels as uniform values (uniforms.h).
#pragma once

#include "platform/d3d8/fixed_function.h"
#include "platform/d3d8/rasterizer.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace d3d8::gl {

// How points are drawn: not at all, as a point list (each point becomes a screen-aligned
// square from a geometry stage, clipped like a triangle), or as the corners of polygons in
// fill mode POINT (GL points of the computed size).
enum class PointMode : std::uint8_t { None = 0, List = 1, PolygonCorners = 2 };

// Where a lit vertex takes a material colour from.
enum class MaterialSource : std::uint8_t { Material = 0, VertexDiffuse = 1, VertexSpecular = 2 };

// What a stage's texture unit holds.
enum class StageTexture : std::uint8_t { None = 0, Color = 1, Bump = 2 };

struct ShaderKey {
    struct Stage {
        std::uint8_t colorOp, alphaOp;  // D3DTOP_*; alphaOp 0 when the alpha keeps the current value
        std::uint8_t colorArg1, colorArg2, alphaArg1, alphaArg2;  // D3DTA_* with modifiers (low 6 bits)
        std::uint8_t coordIndex;    // vertex coordinate set 0..7
        std::uint8_t coordGen;      // D3DTSS_TCI_* >> 16
        std::uint8_t transform;     // texture transform on
        StageTexture texture;
    };

    // Vertex input.
    std::uint8_t preTransformed, hasNormal, hasPointSize, hasDiffuse, hasSpecular;
    std::uint8_t texSetCount;
    std::uint8_t texSetSize[kMaxStages];  // floats per coordinate set, 1..4
    // Lighting.
    std::uint8_t lighting, normalize, lightCount;
    MaterialSource diffuseSource, ambientSource, emissiveSource;
    std::uint8_t lightType[kMaxActiveLights];  // D3DLIGHT_*
    // Rasterisation.
    PointMode pointMode;
    std::uint8_t pointSprite, pointScale, flatShading;
    // Pixel stages.
    FogSource fog;
    std::uint8_t fogMode;  // D3DFOG_*; NONE for vertex fog read from specular alpha
    std::uint8_t fogFromW;  // table fog on eye-space depth (perspective projection)
    std::uint8_t alphaFunc;  // D3DCMP_*, 0 when the alpha test is off
    std::uint8_t specularAdd;
    std::uint8_t stageCount;  // stages in the cascade (CascadeLength)
    Stage stages[kMaxStages];

    bool operator==(const ShaderKey& o) const { return std::memcmp(this, &o, sizeof *this) == 0; }
    bool operator!=(const ShaderKey& o) const { return !(*this == o); }
};

struct ShaderKeyHash {
    std::size_t operator()(const ShaderKey& k) const;
};

// Builds the key of a draw. Every byte is set (unused fields zero), so keys compare by memory.
void MakeShaderKey(const PipelineState& state, D3DPRIMITIVETYPE primitive, ShaderKey& key);

}  // namespace d3d8::gl
