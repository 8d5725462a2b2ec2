// Pure parts of the HAL rasterizer, checked without a GL context: the shader key, the fixed
// state mapping, FVF decoding and the pixel mapping of the uniforms.
#include "platform/d3d8/gl/context.h"
#include "platform/d3d8/gl/draw.h"
#include "platform/d3d8/gl/gl_rasterizer.h"
#include "platform/d3d8/gl/shader_key.h"
#include "platform/d3d8/gl/state_map.h"
#include "platform/d3d8/gl/targets.h"
#include "platform/d3d8/gl/texture_cache.h"
#include "platform/d3d8/gl/uniforms.h"
#include "scene.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

using namespace d3d8;
using namespace d3d8::gl;

TEST(GlShaderKey, CascadeEndsAtFirstDisabledColorOperation) {
    PipelineState s = scene::DefaultState(8, 8);
    s.stageStates[1][D3DTSS_COLOROP] = D3DTOP_DISABLE;
    s.stageStates[2][D3DTSS_COLOROP] = D3DTOP_MODULATE;  // after the end: ignored
    ShaderKey k;
    MakeShaderKey(s, D3DPT_TRIANGLELIST, k);
    EXPECT_EQ(k.stageCount, 1);
    s.stageStates[0][D3DTSS_COLOROP] = D3DTOP_DISABLE;
    MakeShaderKey(s, D3DPT_TRIANGLELIST, k);
    EXPECT_EQ(k.stageCount, 0);
}

TEST(GlShaderKey, StatesOutsideTheKeyDoNotChangeIt) {
    PipelineState a = scene::DefaultState(8, 8), b = a;
    b.renderStates[D3DRS_FOGCOLOR] = 0xff123456;  // a uniform value
    b.renderStates[D3DRS_ALPHAREF] = 77;
    b.world._41 = 3;
    b.stageStates[5][D3DTSS_COLOROP] = D3DTOP_ADD;  // beyond the cascade's end
    ShaderKey ka, kb;
    MakeShaderKey(a, D3DPT_TRIANGLELIST, ka);
    MakeShaderKey(b, D3DPT_TRIANGLELIST, kb);
    EXPECT_TRUE(ka == kb);
    EXPECT_EQ(ShaderKeyHash()(ka), ShaderKeyHash()(kb));
    b.renderStates[D3DRS_ALPHATESTENABLE] = TRUE;
    MakeShaderKey(b, D3DPT_TRIANGLELIST, kb);
    EXPECT_FALSE(ka == kb);
}

TEST(GlShaderKey, UnboundOrEmptyTextureReadsAsNone) {
    scene::Texture bump(D3DFMT_V8U8, 4, 4, 1, 2), color(D3DFMT_R5G6B5, 4, 4, 1, 2);
    TextureData empty;
    empty.format = D3DFMT_A8R8G8B8;
    EXPECT_EQ(KindOfTexture(nullptr), StageTexture::None);
    EXPECT_EQ(KindOfTexture(&empty), StageTexture::None);
    EXPECT_EQ(KindOfTexture(&bump.data), StageTexture::Bump);
    EXPECT_EQ(KindOfTexture(&color.data), StageTexture::Color);
    scene::Texture broken(D3DFMT_A8R8G8B8, 4, 4, 3, 4);
    broken.levels[2].bits = nullptr;  // a level without pixels: the whole texture reads unbound
    EXPECT_EQ(KindOfTexture(&broken.data), StageTexture::None);
}

TEST(GlShaderKey, FogSourceFollowsTableThenVertexThenSpecular) {
    PipelineState s = scene::DefaultState(8, 8);
    s.fvf = D3DFVF_XYZ | D3DFVF_SPECULAR;
    s.renderStates[D3DRS_FOGENABLE] = TRUE;
    s.projection = scene::PerspectiveFovLH(1.0f, 1.0f, 1.0f, 10.0f);
    ShaderKey k;
    MakeShaderKey(s, D3DPT_TRIANGLELIST, k);
    EXPECT_EQ(k.fog, FogSource::Vertex);  // from specular alpha
    EXPECT_EQ(k.fogMode, D3DFOG_NONE);
    s.renderStates[D3DRS_FOGVERTEXMODE] = D3DFOG_LINEAR;
    MakeShaderKey(s, D3DPT_TRIANGLELIST, k);
    EXPECT_EQ(k.fog, FogSource::Vertex);
    EXPECT_EQ(k.fogMode, D3DFOG_LINEAR);
    s.renderStates[D3DRS_FOGTABLEMODE] = D3DFOG_EXP;
    MakeShaderKey(s, D3DPT_TRIANGLELIST, k);
    EXPECT_EQ(k.fog, FogSource::Table);
    EXPECT_TRUE(k.fogFromW);  // perspective projection: eye-space depth
    s.projection = scene::Identity();
    MakeShaderKey(s, D3DPT_TRIANGLELIST, k);
    EXPECT_FALSE(k.fogFromW);
}

TEST(GlStateMap, BlendFactorsCoverAllElevenValues) {
    const GLenum expected[] = {GL_ZERO,      GL_ONE,       GL_SRC_COLOR,           GL_ONE_MINUS_SRC_COLOR,
                               GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_DST_ALPHA, GL_ONE_MINUS_DST_ALPHA,
                               GL_DST_COLOR, GL_ONE_MINUS_DST_COLOR, GL_SRC_ALPHA_SATURATE};
    for (DWORD b = D3DBLEND_ZERO; b <= D3DBLEND_SRCALPHASAT; ++b) EXPECT_EQ(GlBlendFactor(b), expected[b - 1]) << b;
}

TEST(GlStateMap, BothSrcAlphaSetsBothFactors) {
    PipelineState s = scene::DefaultState(8, 8);
    s.renderStates[D3DRS_ALPHABLENDENABLE] = TRUE;
    s.renderStates[D3DRS_SRCBLEND] = D3DBLEND_BOTHINVSRCALPHA;
    s.renderStates[D3DRS_DESTBLEND] = D3DBLEND_ONE;
    const FixedState f = MakeFixedState(s, true);
    EXPECT_EQ(f.srcFactor, static_cast<GLenum>(GL_ONE_MINUS_SRC_ALPHA));
    EXPECT_EQ(f.dstFactor, static_cast<GLenum>(GL_SRC_ALPHA));
}

TEST(GlStateMap, DepthNeedsABufferAndZEnable) {
    PipelineState s = scene::DefaultState(8, 8);
    EXPECT_TRUE(MakeFixedState(s, true).depthTest);
    EXPECT_TRUE(MakeFixedState(s, true).depthWrite);
    EXPECT_FALSE(MakeFixedState(s, false).depthTest);
    EXPECT_FALSE(MakeFixedState(s, false).depthWrite);  // no buffer: nothing to write
    s.renderStates[D3DRS_ZENABLE] = D3DZB_FALSE;
    EXPECT_FALSE(MakeFixedState(s, true).depthWrite);  // writes need the test on, as in REF
    s.renderStates[D3DRS_ZENABLE] = D3DZB_TRUE;
    s.renderStates[D3DRS_ZFUNC] = D3DCMP_GREATER;
    EXPECT_EQ(MakeFixedState(s, true).depthFunc, static_cast<GLenum>(GL_GREATER));
}

TEST(GlStateMap, CullModesAndColorMask) {
    PipelineState s = scene::DefaultState(8, 8);
    s.renderStates[D3DRS_CULLMODE] = D3DCULL_NONE;
    EXPECT_FALSE(MakeFixedState(s, false).cull);
    s.renderStates[D3DRS_CULLMODE] = D3DCULL_CW;
    EXPECT_EQ(MakeFixedState(s, false).cullFace, static_cast<GLenum>(GL_FRONT));
    s.renderStates[D3DRS_CULLMODE] = D3DCULL_CCW;
    EXPECT_EQ(MakeFixedState(s, false).cullFace, static_cast<GLenum>(GL_BACK));
    s.renderStates[D3DRS_FILLMODE] = D3DFILL_WIREFRAME;
    EXPECT_EQ(MakeFixedState(s, false).polygonMode, static_cast<GLenum>(GL_LINE));
    // Points: never culled, always filled; fill mode POINT draws every corner, culled or not.
    EXPECT_FALSE(MakeFixedState(s, false, D3DPT_POINTLIST).cull);
    EXPECT_EQ(MakeFixedState(s, false, D3DPT_POINTLIST).polygonMode, static_cast<GLenum>(GL_FILL));
    s.renderStates[D3DRS_FILLMODE] = D3DFILL_POINT;
    EXPECT_FALSE(MakeFixedState(s, false).cull);
    s.renderStates[D3DRS_FILLMODE] = D3DFILL_SOLID;
    s.renderStates[D3DRS_COLORWRITEENABLE] = D3DCOLORWRITEENABLE_GREEN | D3DCOLORWRITEENABLE_ALPHA;
    const FixedState f = MakeFixedState(s, false);
    EXPECT_FALSE(f.colorMask[0]);
    EXPECT_TRUE(f.colorMask[1]);
    EXPECT_FALSE(f.colorMask[2]);
    EXPECT_TRUE(f.colorMask[3]);
}

// Pixel p (centre on a whole number) must land on GL window coordinate p + 0.5.
TEST(GlUniforms, PixelCentresMapToGlCentres) {
    for (bool zeroToOne : {true, false}) {
        PipelineState s = scene::DefaultState(64, 32);
        s.viewport = {8, 4, 40, 20, 0, 1};
        ViewMapping m{8, 4, 40, 20, zeroToOne};
        std::vector<Vec4> u(kUniformCount);
        FillUniforms(s, m, u.data());
        const Vec4& pre = u[kUPreMap];
        for (float px : {8.0f, 20.0f, 47.0f}) {
            const float ndc = px * pre.v[0] + pre.v[2];
            EXPECT_NEAR(m.glX + (ndc + 1) * 0.5f * m.glWidth, px + 0.5f, 1e-4f);
        }
        for (float py : {4.0f, 11.0f, 23.0f}) {
            const float ndc = py * pre.v[1] + pre.v[3];
            EXPECT_NEAR(m.glY + (ndc + 1) * 0.5f * m.glHeight, py + 0.5f, 1e-4f);
        }
        // Clip x = -w lands on the centre of the viewport's first column (REF's mapping).
        const Vec4& pos = u[kUPosMap];
        const float w = 2.0f;
        const float ndcX = (-w * pos.v[0] + w * pos.v[2]) / w;
        EXPECT_NEAR(m.glX + (ndcX + 1) * 0.5f * m.glWidth, 8.5f, 1e-4f);
    }
}

TEST(GlFormats, ColourAndBumpFormatsAndTheirReadings) {
    GlFormat f;
    ASSERT_TRUE(GlFormatOf(D3DFMT_R5G6B5, f));
    EXPECT_EQ(f.type, static_cast<GLenum>(GL_UNSIGNED_SHORT_5_6_5));  // red in the top bits, as Direct3D
    ASSERT_TRUE(GlFormatOf(D3DFMT_A4R4G4B4, f));
    EXPECT_EQ(f.format, static_cast<GLenum>(GL_BGRA));
    ASSERT_TRUE(GlFormatOf(D3DFMT_V8U8, f));
    EXPECT_EQ(f.internalFormat, static_cast<GLenum>(GL_RG8_SNORM));
    EXPECT_EQ(f.swizzle[2], GL_ONE);  // luminance of a format without one reads 1
    ASSERT_TRUE(GlFormatOf(D3DFMT_L6V5U5, f));
    EXPECT_TRUE(f.floatBump);
    ASSERT_TRUE(GlFormatOf(D3DFMT_X8L8V8U8, f));
    EXPECT_TRUE(f.floatBump);
    EXPECT_FALSE(GlFormatOf(D3DFMT_DXT1, f));
    EXPECT_FALSE(GlFormatOf(D3DFMT_UNKNOWN, f));
    // Render targets: colour formats only.
    EXPECT_TRUE(GlTargetFormatOf(D3DFMT_X8R8G8B8, f));
    EXPECT_TRUE(GlTargetFormatOf(D3DFMT_R5G6B5, f));
    EXPECT_FALSE(GlTargetFormatOf(D3DFMT_V8U8, f));
    EXPECT_FALSE(GlTargetFormatOf(D3DFMT_L8, f));
}

TEST(GlContext, DisabledByEnvironmentFailsWithAReason) {
    ::setenv("MORVELT_DISABLE_GL", "1", 1);
    std::string reason;
    EXPECT_EQ(Context::CreateOffscreen(&reason), nullptr);
    EXPECT_NE(reason.find("MORVELT_DISABLE_GL"), std::string::npos);
    EXPECT_EQ(CreateGlRasterizer(), nullptr);
    ::unsetenv("MORVELT_DISABLE_GL");
}
