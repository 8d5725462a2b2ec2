#include "platform/d3dx/image_ops.h"

#include "platform/d3dx/constants.h"
#include "platform/d3dx/pixel_pack.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace d3dx {
namespace {

// One source pixel's share in a target pixel along one axis.
struct Tap {
    UINT index;
    float weight;
};

// For each target position, a run of taps into `taps`.
struct AxisKernel {
    std::vector<UINT> first;  // target count + 1 offsets into taps
    std::vector<Tap> taps;
};

// A source coordinate that may lie beyond [0, n), brought back by wrapping or mirroring.
UINT Fold(long i, UINT n, bool mirror) {
    const long size = static_cast<long>(n);
    if (mirror) {
        const long period = 2 * size;
        long m = i % period;
        if (m < 0) m += period;
        return static_cast<UINT>(m < size ? m : period - 1 - m);
    }
    long m = i % size;
    if (m < 0) m += size;
    return static_cast<UINT>(m);
}

AxisKernel BuildKernel(UINT srcSize, UINT dstSize, DWORD kernel, bool mirror) {
    AxisKernel k;
    k.first.reserve(dstSize + 1);
    const double scale = static_cast<double>(srcSize) / dstSize;
    for (UINT i = 0; i < dstSize; ++i) {
        k.first.push_back(static_cast<UINT>(k.taps.size()));
        switch (kernel) {
        case D3DX_FILTER_POINT: {
            UINT s = static_cast<UINT>((i + 0.5) * scale);
            k.taps.push_back({std::min(s, srcSize - 1), 1.0f});
            break;
        }
        case D3DX_FILTER_LINEAR: {
            const double centre = (i + 0.5) * scale - 0.5;
            const double base = std::floor(centre);
            const float frac = static_cast<float>(centre - base);
            const long i0 = static_cast<long>(base);
            k.taps.push_back({Fold(i0, srcSize, mirror), 1.0f - frac});
            if (frac > 0.0f) k.taps.push_back({Fold(i0 + 1, srcSize, mirror), frac});
            break;
        }
        default: {  // TRIANGLE, BOX: area coverage of [i, i+1) mapped into the source
            const double lo = i * scale, hi = (i + 1) * scale;
            UINT s = static_cast<UINT>(lo);
            const UINT end = std::min(srcSize, static_cast<UINT>(std::ceil(hi)));
            double total = 0;
            const UINT start = static_cast<UINT>(k.taps.size());
            for (; s < end; ++s) {
                const double w = std::min<double>(hi, s + 1.0) - std::max<double>(lo, s);
                if (w > 1e-9) {
                    k.taps.push_back({s, static_cast<float>(w)});
                    total += w;
                }
            }
            for (UINT t = start; t < k.taps.size(); ++t) k.taps[t].weight = static_cast<float>(k.taps[t].weight / total);
            break;
        }
        }
    }
    k.first.push_back(static_cast<UINT>(k.taps.size()));
    return k;
}

DWORD ToByte(float v) {
    if (!(v > 0.0f)) return 0;
    if (v >= 255.0f) return 255;
    return static_cast<DWORD>(v + 0.5f);
}

}  // namespace

size_t ApplyColorKey(Image& image, D3DCOLOR key) {
    if (key == 0) return 0;
    size_t changed = 0;
    for (DWORD& p : image.pixels) {
        if (p == key) {
            p = 0;
            ++changed;
        }
    }
    return changed;
}

bool IsValidFilter(DWORD filter) {
    const DWORD kernel = filter & 0xff;
    if (filter == D3DX_DEFAULT) return false;
    if (filter & ~(0xffu | D3DX_FILTER_MIRROR | D3DX_FILTER_DITHER)) return false;
    return kernel >= D3DX_FILTER_NONE && kernel <= D3DX_FILTER_BOX;
}

Image Resample(const Image& src, UINT width, UINT height, DWORD filter) {
    if (width == src.width && height == src.height) return src;
    Image dst;
    dst.width = width;
    dst.height = height;
    dst.hasAlpha = src.hasAlpha;
    dst.fileFormat = src.fileFormat;
    dst.fileMipLevels = src.fileMipLevels;
    dst.pixels.assign(static_cast<size_t>(width) * height, 0);
    const DWORD kernel = filter & 0xff;
    if (kernel == D3DX_FILTER_NONE) {
        const UINT w = std::min(width, src.width), h = std::min(height, src.height);
        for (UINT y = 0; y < h; ++y)
            std::memcpy(&dst.pixels[static_cast<size_t>(y) * width], &src.pixels[static_cast<size_t>(y) * src.width], w * sizeof(DWORD));
        return dst;
    }

    const AxisKernel kx = BuildKernel(src.width, width, kernel, (filter & D3DX_FILTER_MIRROR_U) != 0);
    const AxisKernel ky = BuildKernel(src.height, height, kernel, (filter & D3DX_FILTER_MIRROR_V) != 0);

    // Per target row: the vertical taps summed into one float row of the source's width,
    // then the horizontal taps; memory stays one source row of floats whatever the sizes.
    std::vector<float> row(static_cast<size_t>(src.width) * 4);
    for (UINT y = 0; y < height; ++y) {
        std::fill(row.begin(), row.end(), 0.0f);
        for (UINT t = ky.first[y]; t < ky.first[y + 1]; ++t) {
            const DWORD* in = &src.pixels[static_cast<size_t>(ky.taps[t].index) * src.width];
            const float w = ky.taps[t].weight;
            for (UINT x = 0; x < src.width; ++x) {
                const DWORD p = in[x];
                float* acc = &row[static_cast<size_t>(x) * 4];
                acc[0] += w * d3d8::AlphaOf(p), acc[1] += w * d3d8::RedOf(p), acc[2] += w * d3d8::GreenOf(p), acc[3] += w * d3d8::BlueOf(p);
            }
        }
        DWORD* out = &dst.pixels[static_cast<size_t>(y) * width];
        for (UINT x = 0; x < width; ++x) {
            float c[4] = {0, 0, 0, 0};
            for (UINT t = kx.first[x]; t < kx.first[x + 1]; ++t) {
                const float* in = &row[static_cast<size_t>(kx.taps[t].index) * 4];
                const float w = kx.taps[t].weight;
                for (int i = 0; i < 4; ++i) c[i] += w * in[i];
            }
            out[x] = (ToByte(c[0]) << 24) | (ToByte(c[1]) << 16) | (ToByte(c[2]) << 8) | ToByte(c[3]);
        }
    }
    return dst;
}

Image NextMipLevel(const Image& level, DWORD filter) {
    // NONE would only crop: a mip level is always a filtered reduction.
    if ((filter & 0xff) == D3DX_FILTER_NONE) filter = (filter & ~0xffu) | D3DX_FILTER_POINT;
    return Resample(level, std::max(1u, level.width / 2), std::max(1u, level.height / 2), filter);
}

UINT FullMipChainLength(UINT width, UINT height) {
    UINT levels = 1;
    while (width > 1 || height > 1) {
        width = std::max(1u, width / 2);
        height = std::max(1u, height / 2);
        ++levels;
    }
    return levels;
}

UINT NextPowerOfTwo(UINT n) {
    UINT p = 1;
    while (p < n && p < 0x80000000u) p <<= 1;
    return p;
}

// ---- packing --------------------------------------------------------------------------

bool PackRow(const DWORD* argb, size_t count, D3DFORMAT format, BYTE* dst) {
    if (!CanPackArgbTo(format)) return false;
    d3d8::WriteArgbRow(format, dst, argb, count);
    return true;
}

}  // namespace d3dx
