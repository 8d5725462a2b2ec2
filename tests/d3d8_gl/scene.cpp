#include "scene.h"

#include <algorithm>
#include <cmath>

namespace scene {

Surface::Surface(D3DFORMAT format, UINT width, UINT height, UINT bpp) : memory(size_t{width} * height * bpp) {
    data.format = format;
    data.width = width;
    data.height = height;
    data.pitch = static_cast<INT>(width * bpp);
    data.bits = memory.data();
}

DWORD Surface::Pixel(int x, int y) const {
    DWORD v = 0;
    const UINT bpp = data.pitch / data.width;
    std::memcpy(&v, memory.data() + static_cast<size_t>(y) * data.pitch + static_cast<size_t>(x) * bpp, bpp);
    return v;
}

float Surface::Depth(int x, int y) const {
    float v = 0;
    std::memcpy(&v, memory.data() + static_cast<size_t>(y) * data.pitch + static_cast<size_t>(x) * 4, 4);
    return v;
}

Texture::Texture(D3DFORMAT format, UINT width, UINT height, UINT levelCount, UINT bytesPerPixel) : bpp(bytesPerPixel) {
    static std::uint64_t nextId = 1000;
    memory.resize(levelCount);
    levels.resize(levelCount);
    for (UINT l = 0; l < levelCount; ++l) {
        const UINT w = std::max(1u, width >> l), h = std::max(1u, height >> l);
        memory[l].assign(size_t{w} * h * bpp, 0);
        levels[l] = {format, w, h, static_cast<INT>(w * bpp), memory[l].data()};
    }
    data.id = nextId++;
    data.version = 1;
    data.format = format;
    data.levelCount = levelCount;
    data.levels = levels.data();
}

void Texture::Set(UINT level, int x, int y, DWORD raw) {
    std::memcpy(memory[level].data() + static_cast<size_t>(y) * levels[level].pitch + static_cast<size_t>(x) * bpp, &raw,
                bpp);
}

d3d8::PipelineState FlatColorState(UINT width, UINT height) {
    d3d8::PipelineState s = DefaultState(width, height);
    s.renderStates[D3DRS_LIGHTING] = FALSE;
    s.renderStates[D3DRS_CULLMODE] = D3DCULL_NONE;
    s.stageStates[0][D3DTSS_COLOROP] = D3DTOP_SELECTARG1;
    s.stageStates[0][D3DTSS_COLORARG1] = D3DTA_DIFFUSE;
    s.stageStates[0][D3DTSS_ALPHAARG1] = D3DTA_DIFFUSE;
    s.fvf = kTlFvf;
    return s;
}

std::vector<TlVertex> Quad(float x0, float y0, float x1, float y1, DWORD color, float z) {
    x0 -= 0.5f, y0 -= 0.5f, x1 -= 0.5f, y1 -= 0.5f;
    return {{x0, y0, z, 1, color, 0, 0}, {x1, y0, z, 1, color, 1, 0}, {x0, y1, z, 1, color, 0, 1},
            {x1, y0, z, 1, color, 1, 0}, {x1, y1, z, 1, color, 1, 1}, {x0, y1, z, 1, color, 0, 1}};
}

int Difference(DWORD a, DWORD b, bool alpha) {
    int d = std::max({std::abs(R(a) - R(b)), std::abs(G(a) - G(b)), std::abs(B(a) - B(b))});
    if (alpha) d = std::max(d, std::abs(A(a) - A(b)));
    return d;
}

}  // namespace scene
