// Load-time costs of the D3DX stand-in: decoding, scaling and mip chains of texture-sized
// pictures, and parsing a .x mesh of the size a production scene uses.
#include "tests/d3dx/image_files.h"

#include "platform/d3dx/image.h"
#include "platform/d3dx/image_ops.h"
#include "platform/d3dx/pixel_pack.h"
#include "platform/d3dx/xfile.h"
#include "platform/d3dx/constants.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <string>

namespace {

std::vector<DWORD> Picture(UINT w, UINT h) {
    std::vector<DWORD> px(size_t{w} * h);
    for (UINT y = 0; y < h; ++y)
        for (UINT x = 0; x < w; ++x)
            px[size_t{y} * w + x] = 0xff000000u | ((x * 255 / w) << 16) | ((y * 255 / h) << 8) | ((x ^ y) & 0xff);
    return px;
}

void BM_DecodePng512(benchmark::State& state) {
    const auto file = testimg::MakePng(512, 512, Picture(512, 512), true);
    for (auto _ : state) {
        d3dx::Image img;
        benchmark::DoNotOptimize(d3dx::DecodeImage(file.data(), file.size(), &img));
    }
}
BENCHMARK(BM_DecodePng512)->Unit(benchmark::kMillisecond);

void BM_DecodeJpeg512(benchmark::State& state) {
    const auto file = testimg::MakeJpeg(512, 512, Picture(512, 512), 90);
    for (auto _ : state) {
        d3dx::Image img;
        benchmark::DoNotOptimize(d3dx::DecodeImage(file.data(), file.size(), &img));
    }
}
BENCHMARK(BM_DecodeJpeg512)->Unit(benchmark::kMillisecond);

// A 640 x 480 picture made into a 1024 x 512 texture with a full chain, as the loader does.
void BM_ScaleAndMipChain(benchmark::State& state) {
    d3dx::Image src;
    src.width = 640;
    src.height = 480;
    src.pixels = Picture(640, 480);
    const DWORD filter = static_cast<DWORD>(state.range(0)) | D3DX_FILTER_MIRROR;
    std::vector<WORD> packed(1024 * 512);
    for (auto _ : state) {
        d3dx::Image level = d3dx::Resample(src, 1024, 512, filter);
        while (true) {
            d3dx::PackRow(level.pixels.data(), level.pixels.size(), D3DFMT_R5G6B5, reinterpret_cast<BYTE*>(packed.data()));
            if (level.width == 1 && level.height == 1) break;
            level = d3dx::NextMipLevel(level, filter);
        }
        benchmark::DoNotOptimize(packed.data());
    }
}
BENCHMARK(BM_ScaleAndMipChain)->Arg(D3DX_FILTER_POINT)->Arg(D3DX_FILTER_LINEAR)->Arg(D3DX_FILTER_TRIANGLE)
    ->Unit(benchmark::kMillisecond);

// A sphere of rings x segments quads with normals, texture coordinates and one material.
std::string SphereText(int rings, int segments) {
    std::string t = "xof 0303txt 0032\nFrame Root {\n FrameTransformMatrix { 1,0,0,0,0,1,0,0,0,0,1,0,0,0,0,1;; }\n Mesh {\n";
    const int verts = (rings + 1) * (segments + 1);
    std::string positions, uvs;
    for (int r = 0; r <= rings; ++r) {
        for (int s = 0; s <= segments; ++s) {
            const double th = M_PI * r / rings, ph = 2 * M_PI * s / segments;
            positions += std::to_string(std::sin(th) * std::cos(ph)) + ";" + std::to_string(std::cos(th)) + ";" +
                         std::to_string(std::sin(th) * std::sin(ph)) + ";,\n";
            uvs += std::to_string(double(s) / segments) + ";" + std::to_string(double(r) / rings) + ";,\n";
        }
    }
    std::string faces;
    for (int r = 0; r < rings; ++r)
        for (int s = 0; s < segments; ++s) {
            const int a = r * (segments + 1) + s;
            faces += "4;" + std::to_string(a) + "," + std::to_string(a + segments + 1) + "," +
                     std::to_string(a + segments + 2) + "," + std::to_string(a + 1) + ";,\n";
        }
    const std::string faceCount = std::to_string(rings * segments);
    t += std::to_string(verts) + ";\n" + positions + ";\n" + faceCount + ";\n" + faces + ";\n";
    t += "MeshNormals { " + std::to_string(verts) + ";\n" + positions + ";\n" + faceCount + ";\n" + faces + "; }\n";
    t += "MeshTextureCoords { " + std::to_string(verts) + ";\n" + uvs + "; }\n";
    t += "MeshMaterialList { 1; 1; 0;; Material { 1;1;1;1;; 10; 1;1;1;; 0;0;0;; TextureFilename { \"a.jpg\"; } } }\n";
    t += " }\n}\n";
    return t;
}

void BM_ParseSphere(benchmark::State& state) {
    const std::string text = SphereText(static_cast<int>(state.range(0)), static_cast<int>(state.range(0)) * 2);
    for (auto _ : state) {
        d3dx::XMeshData mesh;
        benchmark::DoNotOptimize(d3dx::ParseXFile(text.data(), text.size(), &mesh));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_ParseSphere)->Arg(32)->Arg(100)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
