// Sharing a draw among threads: the row shares cover every row exactly once, the pool runs
// every part of a job exactly once whatever the number of threads, and draws of many
// triangles give the same bytes for any number.
#include "platform/d3d8/ref/ref_types.h"
#include "platform/d3d8/ref/worker_pool.h"
#include "ref_test_util.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

using namespace d3d8::ref;

TEST(RefRowShare, SharesCoverEveryRowOnceFromAnyStart) {
    constexpr int kRows = 200;
    for (int count : {1, 2, 3, 8, 32})
        for (int start : {0, 5, 16, 47, 150}) {
            std::vector<int> seen(kRows, 0);
            for (int index = 0; index < count; ++index) {
                const RowShare rows{index, count};
                for (int y = rows.First(start); y < kRows; y = rows.Next(y)) {
                    ASSERT_TRUE(rows.Owns(y)) << count << " " << index << " " << y;
                    ++seen[y];
                }
            }
            for (int y = 0; y < kRows; ++y)
                ASSERT_EQ(seen[y], y >= start ? 1 : 0) << "count " << count << " start " << start << " row " << y;
        }
}

TEST(RefWorkerPool, RunsEveryPartOnceForAnyThreadCount) {
    for (unsigned threads : {1u, 2u, 8u}) {
        WorkerPool pool(threads);
        EXPECT_EQ(pool.Threads(), threads);
        for (unsigned parts : {0u, 1u, 3u, 40u}) {
            std::vector<std::atomic<int>> runs(parts);
            for (int job = 0; job < 50; ++job)
                pool.Run([](void* c, unsigned p) { ++(*static_cast<std::vector<std::atomic<int>>*>(c))[p]; }, &runs,
                         parts);
            for (unsigned p = 0; p < parts; ++p) EXPECT_EQ(runs[p].load(), 50) << threads << " threads, part " << p;
        }
    }
}

namespace {

// A canvas drawn by `threads` threads, diffuse colour only, no culling, blending SRCALPHA over
// INVSRCALPHA (overlaps show the order of drawing).
std::unique_ptr<reftest::Canvas> BlendingCanvas(unsigned threads, UINT width, UINT height) {
    setenv("MORVELT_THREADS", std::to_string(threads).c_str(), 1);
    auto c = std::make_unique<reftest::Canvas>(width, height);
    unsetenv("MORVELT_THREADS");
    reftest::UseDiffuseOnly(c->state);
    c->state.renderStates[D3DRS_CULLMODE] = D3DCULL_NONE;
    c->state.renderStates[D3DRS_ALPHABLENDENABLE] = TRUE;
    c->state.renderStates[D3DRS_SRCBLEND] = D3DBLEND_SRCALPHA;
    c->state.renderStates[D3DRS_DESTBLEND] = D3DBLEND_INVSRCALPHA;
    return c;
}

// Blended triangle lists, strips and fans over a target of many row bands, some triangles
// reaching past its edges and some through the near plane; the colour and depth bytes.
std::vector<BYTE> DrawManyTriangles(unsigned threads) {
    const std::unique_ptr<reftest::Canvas> canvas = BlendingCanvas(threads, 97, 203);
    reftest::Canvas& c = *canvas;
    std::mt19937 random(11);
    auto coord = [&](float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(random); };
    auto colour = [&] { return static_cast<D3DCOLOR>(random()) | 0x20000000u; };
    std::vector<reftest::TLVertex> list;
    for (int k = 0; k < 3 * 300; ++k) {
        const bool large = k % 90 < 3;
        const float x = coord(-10, 107), y = coord(-20, 223), reach = large ? 120.0f : 9.0f;
        list.push_back({x + coord(-reach, reach), y + coord(-reach, reach), coord(0, 1), 1, colour(), 0, 0});
    }
    c.Draw(D3DPT_TRIANGLELIST, 300, list, reftest::kTLFvf);
    std::vector<reftest::TLVertex> strip, fan = {{48, 100, 0.3f, 1, colour(), 0, 0}};
    for (int k = 0; k < 202; ++k)
        strip.push_back({coord(0, 97), k * 1.0f + coord(-3, 3), coord(0, 1), 1, colour(), 0, 0});
    for (int k = 0; k <= 100; ++k)
        fan.push_back({48 + 70 * std::cos(k * 0.0628f), 100 + 110 * std::sin(k * 0.0628f), 0.6f, 1, colour(), 0, 0});
    c.Draw(D3DPT_TRIANGLESTRIP, 200, strip, reftest::kTLFvf);
    c.Draw(D3DPT_TRIANGLEFAN, 100, fan, reftest::kTLFvf);
    // A ribbon from behind the eye to far ahead: its triangles are clipped at the near plane.
    c.state.projection = reftest::PerspectiveFov(1.5f, 97.0f / 203.0f, 1, 100);
    std::vector<reftest::ColorVertex> ribbon;
    for (int k = 0; k < 122; ++k)
        ribbon.push_back({(k & 1) ? 3.0f : -3.0f, coord(-2, 2), k * 0.5f - 10, colour(), 0, 0});
    c.Draw(D3DPT_TRIANGLESTRIP, 120, ribbon, reftest::kColorFvf);
    std::vector<BYTE> bytes = c.ColorBytes();
    const auto* depth = reinterpret_cast<const BYTE*>(c.DepthValues().data());
    bytes.insert(bytes.end(), depth, depth + c.DepthValues().size() * sizeof(float));
    return bytes;
}

// Point sprites up to 40 pixels wide, lines and triangles drawn as points over a target of
// many row bands, some reaching past its edges, and untransformed lines and points through
// the near plane: each band must get every primitive reaching into it; the colour bytes.
std::vector<BYTE> DrawPointsAndLines(unsigned threads) {
    const std::unique_ptr<reftest::Canvas> canvas = BlendingCanvas(threads, 101, 187);
    reftest::Canvas& c = *canvas;
    std::mt19937 random(23);
    auto coord = [&](float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(random); };
    auto colour = [&] { return static_cast<D3DCOLOR>(random()) | 0x20000000u; };
    std::vector<reftest::TLVertex> points, lines;
    for (int k = 0; k < 200; ++k) points.push_back({coord(-20, 121), coord(-20, 207), coord(0, 1), 1, colour(), 0, 0});
    for (int k = 0; k < 120; ++k) lines.push_back({coord(-10, 111), coord(-30, 217), coord(0, 1), 1, colour(), 0, 0});
    c.state.renderStates[D3DRS_POINTSPRITEENABLE] = TRUE;
    for (const float size : {3.0f, 17.0f, 40.0f}) {
        c.state.renderStates[D3DRS_POINTSIZE] = reftest::Bits(size);
        c.Draw(D3DPT_POINTLIST, 200, points, reftest::kTLFvf);
    }
    c.Draw(D3DPT_LINELIST, 60, lines, reftest::kTLFvf);
    c.Draw(D3DPT_LINESTRIP, 119, lines, reftest::kTLFvf);
    c.state.renderStates[D3DRS_FILLMODE] = D3DFILL_POINT;
    c.Draw(D3DPT_TRIANGLELIST, 40, lines, reftest::kTLFvf);
    c.state.renderStates[D3DRS_FILLMODE] = D3DFILL_SOLID;
    c.state.projection = reftest::PerspectiveFov(1.5f, 101.0f / 187.0f, 1, 100);
    std::vector<reftest::ColorVertex> depthward;
    for (int k = 0; k < 80; ++k) depthward.push_back({coord(-4, 4), coord(-6, 6), coord(-10, 30), colour(), 0, 0});
    c.Draw(D3DPT_LINELIST, 40, depthward, reftest::kColorFvf);
    c.Draw(D3DPT_POINTLIST, 80, depthward, reftest::kColorFvf);
    return c.ColorBytes();
}

// Hundreds of small blended draws, more vertices than one queue holds; the colour bytes.
std::vector<BYTE> DrawManySmallDraws(unsigned threads) {
    const std::unique_ptr<reftest::Canvas> canvas = BlendingCanvas(threads, 120, 90);
    reftest::Canvas& c = *canvas;
    std::mt19937 random(5);
    auto coord = [&](float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(random); };
    std::vector<reftest::TLVertex> list(3 * 100);
    for (int draw = 0; draw < 150; ++draw) {
        const float cx = coord(0, 120), cy = coord(0, 90);
        for (reftest::TLVertex& v : list)
            v = {cx + coord(-12, 12), cy + coord(-12, 12), coord(0, 1), 1, static_cast<D3DCOLOR>(random()) | 0x20000000u, 0, 0};
        c.Draw(D3DPT_TRIANGLELIST, 100, list, reftest::kTLFvf);
    }
    return c.ColorBytes();
}

}  // namespace

TEST(RefThreads, ManySmallDrawsGiveTheSameBytesForAnyThreadCount) {
    const std::vector<BYTE> one = DrawManySmallDraws(1);
    for (unsigned threads : {2u, 8u}) EXPECT_TRUE(DrawManySmallDraws(threads) == one) << threads << " threads";
}

TEST(RefThreads, DrawsOfManyTrianglesGiveTheSameBytesForAnyThreadCount) {
    const std::vector<BYTE> one = DrawManyTriangles(1);
    for (unsigned threads : {2u, 3u, 8u}) EXPECT_TRUE(DrawManyTriangles(threads) == one) << threads << " threads";
}

TEST(RefThreads, PointsAndLinesGiveTheSameBytesForAnyThreadCount) {
    const std::vector<BYTE> one = DrawPointsAndLines(1);
    for (unsigned threads : {2u, 3u, 8u}) EXPECT_TRUE(DrawPointsAndLines(threads) == one) << threads << " threads";
}
