// Rules both rasterizers read: where the texture-stage cascade ends, how normals reach eye space.
#include "platform/d3d8/fixed_function.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using namespace d3d8;

void SetStage(PipelineState& s, UINT i, DWORD colorOp, DWORD arg1) {
    s.stageStates[i][D3DTSS_COLOROP] = colorOp;
    s.stageStates[i][D3DTSS_COLORARG1] = arg1;
    s.stageStates[i][D3DTSS_COLORARG2] = D3DTA_CURRENT;
}

TEST(CascadeLength, EndsAtADisabledStageOrAMissingTexture) {
    const TextureData texture{};
    PipelineState s;
    for (UINT i = 0; i < kMaxStages; ++i) SetStage(s, i, D3DTOP_MODULATE, D3DTA_DIFFUSE);
    EXPECT_EQ(CascadeLengthWithTextures(s), kMaxStages);  // every stage on

    SetStage(s, 2, D3DTOP_DISABLE, D3DTA_DIFFUSE);  // later stages stay out even though enabled
    EXPECT_EQ(CascadeLengthWithTextures(s), 2u);
    EXPECT_EQ(CascadeLength(s), 2u);
    SetStage(s, 1, 0, D3DTA_DIFFUSE);  // never set: ends like DISABLE
    EXPECT_EQ(CascadeLengthWithTextures(s), 1u);
    EXPECT_EQ(CascadeLength(s), 1u);

    SetStage(s, 1, D3DTOP_SELECTARG1, D3DTA_TEXTURE | D3DTA_COMPLEMENT);  // reads a texture not bound
    EXPECT_EQ(CascadeLengthWithTextures(s), 1u);
    s.textures[1] = &texture;
    EXPECT_EQ(CascadeLengthWithTextures(s), 2u);
    SetStage(s, 0, D3DTOP_MODULATE, D3DTA_DIFFUSE);
    s.stageStates[0][D3DTSS_COLORARG2] = D3DTA_TEXTURE;  // only the first argument decides
    EXPECT_EQ(CascadeLengthWithTextures(s), 2u);

    s.activeStages = 1;  // the rasterizers run no more than the device let through
    EXPECT_EQ(CascadeLength(s), 1u);
}

D3DMATRIX Scaling(float x, float y, float z) {
    D3DMATRIX m{};
    m._11 = x;
    m._22 = y;
    m._33 = z;
    m._44 = 1;
    return m;
}

TEST(EyeTransform, NormalsStayPerpendicularUnderWorldThenView) {
    PipelineState s;
    s.world = Scaling(2, 1, 1);  // stretches x: a normal tilted in x must lean the other way
    s.view = Scaling(1, 1, 1);
    s.view._33 = 0;  // view swaps y and z
    s.view._23 = 1;
    s.view._32 = 1;
    s.view._41 = 5;  // translation leaves normals alone
    const EyeTransform eye = ComputeEyeTransform(s);
    EXPECT_FLOAT_EQ(eye.worldView._11, 2);  // world first, then view
    EXPECT_FLOAT_EQ(eye.worldView._23, 1);
    EXPECT_FLOAT_EQ(eye.worldView._41, 5);
    EXPECT_FALSE(eye.normalize);

    // The surface x + y = 0 has normal (1, 1, 0) and tangent (1, -1, 0).
    const float n[3] = {1, 1, 0}, t[3] = {1, -1, 0};
    float en[3], et[3];
    for (int c = 0; c < 3; ++c) {
        en[c] = n[0] * eye.normal[c][0] + n[1] * eye.normal[c][1] + n[2] * eye.normal[c][2];
        et[c] = t[0] * eye.worldView.m[0][c] + t[1] * eye.worldView.m[1][c] + t[2] * eye.worldView.m[2][c];
    }
    EXPECT_NEAR(en[0] * et[0] + en[1] * et[1] + en[2] * et[2], 0, 1e-6);
    EXPECT_NEAR(en[0], 0.5f, 1e-6);
    EXPECT_NEAR(en[2], 1, 1e-6);  // y went to z

    s.renderStates[D3DRS_NORMALIZENORMALS] = TRUE;
    EXPECT_TRUE(ComputeEyeTransform(s).normalize);
}

TEST(EyeTransform, SingularMatrixKeepsItsOwnRows) {
    PipelineState s;
    s.world = Scaling(3, 0, 1);  // flattens y
    s.view = Scaling(1, 1, 1);
    const EyeTransform eye = ComputeEyeTransform(s);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) EXPECT_EQ(eye.normal[r][c], eye.worldView.m[r][c]) << r << c;
}

}  // namespace
