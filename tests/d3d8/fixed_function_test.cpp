// Where the texture-stage cascade ends, as both rasterizers read it.
#include "platform/d3d8/fixed_function.h"

#include <gtest/gtest.h>

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

}  // namespace
