// Data passed between the stages of the software pipeline: vertices after transform, the
// state derived once per draw, and one fragment (a pixel being shaded).
#pragma once

#include "platform/d3d8/fixed_function.h"
#include "platform/d3d8/fvf.h"
#include "platform/d3d8/rasterizer.h"
#include "platform/d3d8/ref/lanes/lane_draw.h"
#include "platform/d3d8/ref/pixel_instructions.h"

#include <cstdint>

// Per-pixel helpers are forced inline into the pixel loop so a fragment stays in registers.
#if defined(__GNUC__)
#define REF_PIXEL_INLINE inline __attribute__((always_inline))
#else
#define REF_PIXEL_INLINE inline
#endif

namespace d3d8::ref {

struct Color {
    float r = 0, g = 0, b = 0, a = 0;  // nominally 0..1
};

// byte / 255 as a float for every byte, computed once (the same products as at run time):
// colour reads take a table look-up per channel instead of a conversion and a product.
struct UnitFromByteTable {
    float value[256];
};
constexpr UnitFromByteTable MakeUnitFromByteTable() {
    UnitFromByteTable t{};
    for (int i = 0; i < 256; ++i) t.value[i] = static_cast<float>(i) * (1.0f / 255.0f);
    return t;
}
inline constexpr UnitFromByteTable kUnitFromByte = MakeUnitFromByteTable();

inline Color ColorFromArgb(D3DCOLOR c) {
    const float* u = kUnitFromByte.value;
    return {u[(c >> 16) & 0xff], u[(c >> 8) & 0xff], u[c & 0xff], u[c >> 24]};
}

// 0..1 to 0..255, rounded; below 0 and NaN give 0, 1 and above 255. Clamped by selects,
// not branches: blended channels fall on either side of the range unpredictably.
inline DWORD ByteFromUnit(float v) {
    const float c = v > 0.0f ? (v < 1.0f ? v : 1.0f) : 0.0f;
    return static_cast<DWORD>(c * 255.0f + 0.5f);
}

inline D3DCOLOR ArgbFromColor(const Color& c) {
    return (ByteFromUnit(c.a) << 24) | (ByteFromUnit(c.r) << 16) | (ByteFromUnit(c.g) << 8) | ByteFromUnit(c.b);
}

inline float Saturate(float v) { return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); }

// Interpolated values carried by a vertex, in one flat array so clipping and setup treat them
// alike. Diffuse and specular colours first, then the vertex fog factor, then two texture
// coordinates per active stage.
constexpr int kAttrDiffuse = 0;
constexpr int kAttrSpecular = 4;
constexpr int kAttrFog = 8;
constexpr int kAttrTex0 = 9;
constexpr int kMaxAttrs = kAttrTex0 + 2 * static_cast<int>(kMaxStages);

// A vertex after transform and lighting, in clip space (x, y, z, w with 0 <= z <= w visible).
struct ClipVertex {
    float pos[4] = {};
    float attr[kMaxAttrs] = {};
    float pointSize = 1;  // pixels (points only)
};

// A vertex after the perspective divide and viewport mapping: pixel coordinates with centres
// on whole numbers, device depth 0..1 and q = 1/w for perspective-correct interpolation.
struct ScreenVertex {
    float x = 0, y = 0, z = 0, q = 1;
    float attr[kMaxAttrs] = {};
    float pointSize = 1;
};

// ---- State derived from the PipelineState once per draw -------------------------------

struct Matrix4 {
    float m[4][4] = {};
};

struct LightSetup {
    D3DLIGHTTYPE type = D3DLIGHT_DIRECTIONAL;
    Color diffuse, ambient;
    float position[3] = {};   // camera space
    float direction[3] = {};  // camera space, normalised, pointing away from the light
    float range = 0;
    float att0 = 0, att1 = 0, att2 = 0;
    float cosHalfTheta = 1, cosHalfPhi = 1, falloff = 1;
};

struct TextureStage {
    DWORD colorOp = D3DTOP_DISABLE;
    DWORD colorArg1 = D3DTA_TEXTURE, colorArg2 = D3DTA_CURRENT;
    DWORD alphaOp = D3DTOP_DISABLE;
    DWORD alphaArg1 = D3DTA_TEXTURE, alphaArg2 = D3DTA_CURRENT;
    const TextureData* texture = nullptr;
    bool bumpTexture = false;  // texture holds du, dv (and luminance)
    DWORD magFilter = D3DTEXF_POINT, minFilter = D3DTEXF_POINT, mipFilter = D3DTEXF_NONE;
    DWORD addressU = D3DTADDRESS_WRAP, addressV = D3DTADDRESS_WRAP;
    Color border;
    float lodBias = 0;
    UINT maxMipLevel = 0;
    float bumpMat[2][2] = {};  // [row][column]: M00 M01 / M10 M11
    float lumScale = 0, lumOffset = 0;
    // Texture coordinates: which vertex set, or a generated source.
    DWORD coordIndex = 0;
    DWORD coordGen = D3DTSS_TCI_PASSTHRU;
    DWORD transformFlags = D3DTTFF_DISABLE;
    Matrix4 transform;
    bool needsDerivatives = false;  // mip or min/mag choice needs the screen-space footprint
    bool samples = false;           // some argument or the operation reads the texture
    bool bumpOp = false;            // BUMPENVMAP or BUMPENVMAPLUMINANCE
    bool alphaOn = false;           // the alpha operation is not DISABLE
};

// The output merging of a draw, for pixel loops built for it: no blending and every channel
// written; one of the common blends (with every channel written); anything else.
enum class BlendKind { Replace, AddOne, AddSrcAlpha, SrcAlphaOver, General };

// Draws whose texture stages reduce, for colour and for alpha alike, to (texture or 1) *
// (current or 1), the current colour being the diffuse colour or the texel of a first stage
// that selects its texture (colour and alpha); colour may instead be the texture plus the
// current colour, saturated. Every texture read is sampled from one level without a
// footprint (no mip choice, no border addressing, not a bump format), with one filter, and
// there is no specular and no alpha test: their pixels take a function built for that, with
// the same arithmetic (a product with 1 is exact). The texture stage may follow a bump
// stage of the same kind of sampling (not for point sprites): the bump texel offsets the
// coordinates the texture is sampled at, and with luminance scales the texel's colour.
enum class TexelFilter { None, Point, Linear };

struct SimpleShading {
    bool usable = false;
    TexelFilter filter = TexelFilter::None;
    UINT textureStage = 0;               // the stage whose texture and coordinates are read
    const SurfaceData* level = nullptr;  // the level sampled, when filter is not None
    DWORD addressU = D3DTADDRESS_WRAP, addressV = D3DTADDRESS_WRAP;
    bool textureRgb = false, textureAlpha = false;  // the results read the texture
    bool currentRgb = true, currentAlpha = true;    // the results read the current colour
    bool addRgb = false;                            // colour is texture + current, saturated
    const TextureStage* base = nullptr;  // stage 0, when the current colour is its texel
    const SurfaceData* baseLevel = nullptr;
    const TextureStage* bump = nullptr;  // the bump stage in front of the texture stage, if any
    const SurfaceData* bumpLevel = nullptr;
    bool bumpLuminance = false;  // BUMPENVMAPLUMINANCE
};

struct DrawContext {
    // Vertex processing.
    FvfLayout layout;
    Matrix4 worldView;
    Matrix4 worldViewProj;
    float normalMatrix[3][3] = {};  // inverse transpose of worldView's upper 3x3
    bool lighting = false;
    bool normalize = false;
    LightSetup lights[kMaxActiveLights];
    UINT lightCount = 0;
    Color globalAmbient;
    Color materialDiffuse, materialAmbient, materialEmissive;
    DWORD diffuseSource = D3DMCS_COLOR1, ambientSource = D3DMCS_MATERIAL, emissiveSource = D3DMCS_MATERIAL;
    bool colorVertex = true;
    bool projectionIsPerspective = false;  // 4th column (0, 0, 1, 0): w is eye-space depth

    // Viewport and raster.
    float vpX = 0, vpY = 0, vpW = 1, vpH = 1, vpMinZ = 0, vpMaxZ = 1;
    int clipLeft = 0, clipTop = 0, clipRight = 0, clipBottom = 0;  // pixels allowed, right/bottom exclusive
    DWORD cullMode = D3DCULL_CCW;
    DWORD fillMode = D3DFILL_SOLID;
    bool flatShading = false;

    // Points.
    bool pointSprite = false;
    bool pointScale = false;
    float pointSize = 1, pointSizeMin = 0, pointSizeMax = 64;
    float pointScaleA = 1, pointScaleB = 0, pointScaleC = 0;

    // Texture stages: the active ones, ending before the first with colour op DISABLE.
    TextureStage stages[kMaxStages];
    UINT stageCount = 0;
    Color textureFactor;
    bool specularAdd = false;
    bool needsSpecular = false;  // added after the stages or read by a stage argument

    // Fog.
    FogSource fog = FogSource::None;
    DWORD fogMode = D3DFOG_NONE;  // the formula, table or vertex
    Color fogColor;
    float fogStart = 0, fogEnd = 1, fogDensity = 1;
    bool fogFromW = false;  // table fog reads eye-space depth (w) rather than device z

    // Alpha test, depth, blend.
    bool alphaTest = false;
    DWORD alphaFunc = D3DCMP_ALWAYS;
    DWORD alphaRef = 0;  // 0..255
    bool depthTest = false;
    bool depthWrite = false;
    DWORD depthFunc = D3DCMP_LESSEQUAL;
    bool blend = false;
    DWORD srcBlend = D3DBLEND_ONE, destBlend = D3DBLEND_ZERO;  // as in force (ResolveBlendFactors)
    DWORD blendOp = D3DBLENDOP_ADD;
    DWORD colorWriteMask = 0xf;
    BlendKind blendKind = BlendKind::General;
    SimpleShading simple;
    PixelInstructions instructions = PixelInstructions::Baseline;  // which build of the pixel loops draws
    PixelLoops loops;  // which loops draw, chosen once per draw (ChoosePixelLoops)
    LaneDraw lanes;    // the simple draw's state as the lane loops read it, when they draw

    int attrCount = kAttrTex0;  // attributes carried by vertices (clipping interpolates these)
    // Attributes the rasterizer interpolates per pixel: colours unless flat shaded, specular
    // only when something reads it, the fog factor only for vertex fog, the coordinates of the
    // active stages. The others keep their defaults (0, fog factor 1).
    int interpolated[kMaxAttrs] = {};
    int interpolatedCount = 0;
};

// One pixel being shaded: its interpolated attributes in the vertex layout, and for each
// stage the screen-space derivatives of its coordinates for mip selection (zero for points
// and lines, which then use the magnification filter).
struct Fragment {
    int x = 0, y = 0;
    float z = 0;         // device depth 0..1
    float fogDepth = 0;  // table fog: eye-space depth or device z
    float attr[kMaxAttrs] = {};
    float dudx[kMaxStages] = {}, dvdx[kMaxStages] = {}, dudy[kMaxStages] = {}, dvdy[kMaxStages] = {};

    Color Diffuse() const { return {attr[kAttrDiffuse], attr[kAttrDiffuse + 1], attr[kAttrDiffuse + 2], attr[kAttrDiffuse + 3]}; }
    Color Specular() const {
        return {attr[kAttrSpecular], attr[kAttrSpecular + 1], attr[kAttrSpecular + 2], attr[kAttrSpecular + 3]};
    }
    float FogFactor() const { return attr[kAttrFog]; }  // vertex fog: 1 = no fog
    float U(UINT stage) const { return attr[kAttrTex0 + 2 * stage]; }
    float V(UINT stage) const { return attr[kAttrTex0 + 2 * stage + 1]; }
};

// The rows of the target one worker draws: bands of kBandRows rows dealt out in turn to
// `count` workers, this one being `index`. Every pixel belongs to exactly one worker, which
// sees the primitives in submission order, so the picture does not depend on the count.
constexpr int kBandShift = 4;
constexpr int kBandRows = 1 << kBandShift;

struct RowShare {
    int index = 0, count = 1;

    bool Owns(int y) const { return count == 1 || (y >> kBandShift) % count == index; }
    // The first owned row at or after y (y >= 0).
    int First(int y) const {
        if (count == 1) return y;
        const int band = y >> kBandShift;
        const int ahead = ((index - band) % count + count) % count;
        return ahead == 0 ? y : (band + ahead) << kBandShift;
    }
    // The owned row after the owned row y.
    int Next(int y) const {
        ++y;
        if (count == 1 || (y & (kBandRows - 1)) != 0) return y;
        return y + (count - 1) * kBandRows;
    }
};

// The targets of one draw, and the rows of them this worker draws.
struct Target {
    SurfaceData* color = nullptr;
    SurfaceData* depth = nullptr;
    RowShare rows;
};

}  // namespace d3d8::ref
