// Drawing in the steady state allocates nothing: the rasterizer keeps its scratch buffers.
// This program counts every operator new; the first draws may grow the buffers, repeated
// draws of the same or smaller size must not.
#include "ref_test_util.h"

#include "tests/support/allocation_counter.h"

#include <gtest/gtest.h>

using namespace reftest;

TEST(RefAllocation, RepeatedDrawsAllocateNothing) {
    Canvas c(64, 64);
    Texture tex(D3DFMT_X8R8G8B8, 16, 16, 5, [](UINT l, UINT x, UINT y) { return D3DCOLOR_XRGB(x * 16, y * 16, l * 50); });
    c.state.textures[0] = &tex.data;
    c.state.stageStates[0][D3DTSS_MIPFILTER] = D3DTEXF_LINEAR;
    c.state.projection = PerspectiveFov(1.5f, 1, 1, 100);
    c.state.renderStates[D3DRS_CULLMODE] = D3DCULL_NONE;
    std::vector<ColorVertex> tris;
    for (int i = 0; i < 60; ++i) {
        const float a = static_cast<float>(i);
        tris.push_back({std::sin(a) * 3, std::cos(a) * 3, 0.5f + i % 7, 0xffffffff, 0, 0});
    }
    std::vector<ColorVertex> points(tris.begin(), tris.begin() + 30);
    auto frame = [&] {
        c.Clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0);
        c.state.renderStates[D3DRS_POINTSPRITEENABLE] = FALSE;
        c.Draw(D3DPT_TRIANGLELIST, 20, tris, kColorFvf);
        c.Draw(D3DPT_TRIANGLESTRIP, 10, tris, kColorFvf);
        c.state.renderStates[D3DRS_FILLMODE] = D3DFILL_WIREFRAME;
        c.Draw(D3DPT_TRIANGLELIST, 20, tris, kColorFvf);
        c.state.renderStates[D3DRS_FILLMODE] = D3DFILL_SOLID;
        c.state.renderStates[D3DRS_POINTSPRITEENABLE] = TRUE;
        c.Draw(D3DPT_POINTLIST, 30, points, kColorFvf);
    };
    frame();  // grows the scratch buffers
    const long before = AllocationCount();
    for (int i = 0; i < 5; ++i) frame();
    EXPECT_EQ(AllocationCount() - before, 0);
}
