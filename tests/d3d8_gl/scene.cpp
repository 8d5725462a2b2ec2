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

DWORD FloatBits(float f) {
    DWORD d;
    std::memcpy(&d, &f, 4);
    return d;
}

D3DMATRIX Identity() {
    D3DMATRIX m{};
    m._11 = m._22 = m._33 = m._44 = 1;
    return m;
}

D3DMATRIX PerspectiveFovLH(float fovY, float aspect, float zn, float zf) {
    D3DMATRIX m{};
    const float h = 1.0f / std::tan(fovY / 2), w = h / aspect;
    m._11 = w;
    m._22 = h;
    m._33 = zf / (zf - zn);
    m._34 = 1;
    m._43 = -zn * zf / (zf - zn);
    return m;
}

d3d8::PipelineState DefaultState(UINT width, UINT height) {
    d3d8::PipelineState s;
    DWORD* rs = s.renderStates;
    rs[D3DRS_ZENABLE] = D3DZB_TRUE;
    rs[D3DRS_FILLMODE] = D3DFILL_SOLID;
    rs[D3DRS_SHADEMODE] = D3DSHADE_GOURAUD;
    rs[D3DRS_ZWRITEENABLE] = TRUE;
    rs[D3DRS_LASTPIXEL] = TRUE;
    rs[D3DRS_SRCBLEND] = D3DBLEND_ONE;
    rs[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
    rs[D3DRS_CULLMODE] = D3DCULL_CCW;
    rs[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
    rs[D3DRS_ALPHAFUNC] = D3DCMP_ALWAYS;
    rs[D3DRS_FOGSTART] = FloatBits(0);
    rs[D3DRS_FOGEND] = FloatBits(1);
    rs[D3DRS_FOGDENSITY] = FloatBits(1);
    rs[D3DRS_TEXTUREFACTOR] = 0xffffffff;
    rs[D3DRS_CLIPPING] = TRUE;
    rs[D3DRS_LIGHTING] = TRUE;
    rs[D3DRS_COLORVERTEX] = TRUE;
    rs[D3DRS_DIFFUSEMATERIALSOURCE] = D3DMCS_COLOR1;
    rs[D3DRS_SPECULARMATERIALSOURCE] = D3DMCS_COLOR2;
    rs[D3DRS_POINTSIZE] = FloatBits(1);
    rs[D3DRS_POINTSIZE_MIN] = FloatBits(0);
    rs[D3DRS_POINTSIZE_MAX] = FloatBits(64);
    rs[D3DRS_POINTSCALE_A] = FloatBits(1);
    rs[D3DRS_MULTISAMPLEMASK] = 0xffffffff;
    rs[D3DRS_COLORWRITEENABLE] = 0xf;
    rs[D3DRS_BLENDOP] = D3DBLENDOP_ADD;
    for (UINT i = 0; i < d3d8::kMaxStages; ++i) {
        DWORD* ss = s.stageStates[i];
        ss[D3DTSS_COLOROP] = i == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
        ss[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
        ss[D3DTSS_COLORARG2] = D3DTA_CURRENT;
        ss[D3DTSS_ALPHAOP] = i == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
        ss[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
        ss[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
        ss[D3DTSS_TEXCOORDINDEX] = i;
        ss[D3DTSS_ADDRESSU] = ss[D3DTSS_ADDRESSV] = D3DTADDRESS_WRAP;
        ss[D3DTSS_MAGFILTER] = ss[D3DTSS_MINFILTER] = D3DTEXF_POINT;
        ss[D3DTSS_MIPFILTER] = D3DTEXF_NONE;
        s.textureTransforms[i] = Identity();
    }
    s.world = s.view = s.projection = Identity();
    s.viewport = {0, 0, width, height, 0.0f, 1.0f};
    return s;
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
