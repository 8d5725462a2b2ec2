// Per-vertex lighting: directional, point (range, attenuation), spot (cone, falloff), the
// ambient terms, material sources and normal transformation. Each case lights one point
// primitive at (x, 0, 0.5) with normal (0, 0, -1), seen through identity matrices.
#include "ref_test_util.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace reftest;

namespace {

struct LitVertex {
    float x, y, z;
    float nx, ny, nz;
    D3DCOLOR color;
};
constexpr DWORD kLitFvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE;

D3DLIGHT8 Light(D3DLIGHTTYPE type, float level) {
    D3DLIGHT8 l{};
    l.Type = type;
    l.Diffuse = {level, level, level, 1};
    l.Range = 100;
    l.Attenuation0 = 1;
    return l;
}

class RefLighting : public ::testing::Test {
protected:
    RefLighting() : canvas(64, 64) {
        UseDiffuseOnly(canvas.state);
        canvas.state.renderStates[D3DRS_LIGHTING] = TRUE;
        canvas.state.material.Diffuse = {1, 1, 1, 1};
    }

    void AddLight(const D3DLIGHT8& l) { canvas.state.lights[canvas.state.lightCount++] = l; }

    // Colour of a lit point at (x, 0, 0.5) with the given normal.
    D3DCOLOR LitAt(float x = 0, float nx = 0, float ny = 0, float nz = -1) {
        canvas.Clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0);
        std::vector<NormalVertex> v = {{x, 0, 0.5f, nx, ny, nz}};
        canvas.Draw(D3DPT_POINTLIST, 1, v, kNormalFvf);
        return canvas.Pixel(static_cast<int>(std::lround(32 + 32 * x)), 32);
    }

    Canvas canvas;
};

}  // namespace

TEST_F(RefLighting, DirectionalFollowsTheAngle) {
    D3DLIGHT8 l = Light(D3DLIGHT_DIRECTIONAL, 1);
    l.Diffuse = {1, 0.5f, 0.25f, 1};
    l.Direction = {0, 0, 2};  // along +z, towards the surface; need not be normalised
    AddLight(l);
    EXPECT_ARGB_NEAR(LitAt(), D3DCOLOR_ARGB(255, 255, 128, 64), 1);
    canvas.state.lights[0].Direction = {0, -1, 1};  // 45 degrees
    EXPECT_NEAR(R(LitAt()), 180, 1);
    canvas.state.lights[0].Direction = {0, 0, -1};  // from behind
    EXPECT_EQ(LitAt(), 0xff000000u);
}

TEST_F(RefLighting, AmbientAndEmissiveTerms) {
    canvas.state.renderStates[D3DRS_AMBIENT] = 0x00404040;
    canvas.state.material.Ambient = {1, 0.5f, 1, 1};
    canvas.state.material.Emissive = {0.1f, 0.2f, 0.3f, 0};
    // 0.251 * (1, 0.5, 1) + (0.1, 0.2, 0.3)
    EXPECT_ARGB_NEAR(LitAt(), D3DCOLOR_ARGB(255, 89, 83, 141), 1);
    D3DLIGHT8 l = Light(D3DLIGHT_DIRECTIONAL, 0);
    l.Direction = {0, 0, -1};  // lights nothing directly, adds ambient 0.25
    l.Ambient = {0.25f, 0.25f, 0.25f, 1};
    AddLight(l);
    EXPECT_ARGB_NEAR(LitAt(), D3DCOLOR_ARGB(255, 153, 115, 205), 1);
}

TEST_F(RefLighting, PointLightRangeAndAttenuation) {
    D3DLIGHT8 l = Light(D3DLIGHT_POINT, 1);
    l.Position = {0, 0, -1.5f};  // 2 units in front of the point
    AddLight(l);
    EXPECT_EQ(R(LitAt()), 255);
    D3DLIGHT8& p = canvas.state.lights[0];
    p.Attenuation0 = 0;
    p.Attenuation1 = 1;  // 1 / 2
    EXPECT_NEAR(R(LitAt()), 128, 1);
    p.Attenuation1 = 0;
    p.Attenuation2 = 0.25f;  // 1 / (0.25 * 4)
    EXPECT_EQ(R(LitAt()), 255);
    p.Attenuation2 = 0.5f;
    EXPECT_NEAR(R(LitAt()), 128, 1);
    p.Range = 1.5f;  // out of range
    EXPECT_EQ(LitAt(), 0xff000000u);
}

TEST_F(RefLighting, PointLightWithoutAttenuationFactorsIsUnattenuated) {
    // All three factors zero would divide by zero; the light then acts at full level.
    D3DLIGHT8 l{};
    l.Type = D3DLIGHT_POINT;
    l.Diffuse = {0.5f, 0.5f, 0.5f, 0.5f};
    l.Position = {0, 0, -1.5f};
    l.Range = 200;
    AddLight(l);
    EXPECT_NEAR(R(LitAt()), 128, 1);
}

TEST_F(RefLighting, SpotConeAndFalloff) {
    D3DLIGHT8 l = Light(D3DLIGHT_SPOT, 1);
    l.Position = {0, 0, -1.5f};
    l.Direction = {0, 0, 1};
    l.Theta = 0.2f;  // inner half angle 0.1
    l.Phi = 0.4f;    // outer half angle 0.2
    l.Falloff = 1;
    AddLight(l);
    // Points 2 units away at angles 0.05 (inside), 0.15 (between), 0.25 (outside) rad.
    EXPECT_EQ(R(LitAt(2 * std::tan(0.05f))), 255);
    EXPECT_NEAR(R(LitAt(2 * std::tan(0.15f))), 147, 1);  // t = 0.583, times N.L = cos 0.15
    EXPECT_EQ(R(LitAt(2 * std::tan(0.25f))), 0);
    canvas.state.lights[0].Falloff = 2;
    EXPECT_NEAR(R(LitAt(2 * std::tan(0.15f))), 86, 1);
}

TEST_F(RefLighting, MaterialSourcesTakeTheVertexColour) {
    canvas.state.material.Diffuse = {0, 0, 0, 0};
    D3DLIGHT8 l = Light(D3DLIGHT_DIRECTIONAL, 1);
    l.Direction = {0, 0, 1};
    AddLight(l);
    std::vector<LitVertex> v = {{0, 0, 0.5f, 0, 0, -1, 0x8000ff00}};
    canvas.Draw(D3DPT_POINTLIST, 1, v, kLitFvf);
    EXPECT_EQ(canvas.Pixel(32, 32), 0x8000ff00u);  // diffuse from the vertex, alpha too
    canvas.state.renderStates[D3DRS_DIFFUSEMATERIALSOURCE] = D3DMCS_MATERIAL;
    canvas.Draw(D3DPT_POINTLIST, 1, v, kLitFvf);
    EXPECT_EQ(canvas.Pixel(32, 32), 0x00000000u);  // the black, transparent material
}

TEST_F(RefLighting, ScaledNormalsAreNormalisedOnlyOnRequest) {
    D3DLIGHT8 l = Light(D3DLIGHT_DIRECTIONAL, 0.25f);
    l.Direction = {0, 0, 1};
    AddLight(l);
    canvas.state.world = Identity();
    canvas.state.world._11 = canvas.state.world._22 = canvas.state.world._33 = 0.5f;
    // The inverse transpose of a 0.5 scale doubles the normal: N.L = 2.
    EXPECT_NEAR(R(LitAt()), 128, 1);
    canvas.state.renderStates[D3DRS_NORMALIZENORMALS] = TRUE;
    EXPECT_NEAR(R(LitAt()), 64, 1);
}

TEST_F(RefLighting, LightingOffKeepsVertexColour) {
    canvas.state.renderStates[D3DRS_LIGHTING] = FALSE;
    std::vector<LitVertex> v = {{0, 0, 0.5f, 0, 0, -1, 0xff123456}};
    canvas.Draw(D3DPT_POINTLIST, 1, v, kLitFvf);
    EXPECT_EQ(canvas.Pixel(32, 32), 0xff123456u);
}
