#include "production/bump_maps.h"

#include "platform/d3dx8.h"

#include <algorithm>
#include <cmath>

namespace bump_maps {
namespace {

struct HeightField {
    const BYTE* bits;
    INT pitch;
    UINT width;
    UINT height;

    // Height of the pixel at linear index i (row-major), clamped to the image.
    int At(long i) const {
        const long last = static_cast<long>(width) * height - 1;
        i = std::clamp(i, 0L, last);
        const long y = i / width, x = i % width;
        return bits[y * pitch + x * 4];
    }
};

void StoreTexel(BYTE* texel, D3DFORMAT format, int du, int dv, int luminance) {
    switch (format) {
    case D3DFMT_V8U8:
        texel[0] = static_cast<BYTE>(du);
        texel[1] = static_cast<BYTE>(dv);
        break;
    case D3DFMT_L6V5U5: {
        const WORD packed = static_cast<WORD>(((du >> 3) & 0x1F) | (((dv >> 3) & 0x1F) << 5) |
                                              (((luminance >> 2) & 0x3F) << 10));
        texel[0] = static_cast<BYTE>(packed);
        texel[1] = static_cast<BYTE>(packed >> 8);
        break;
    }
    case D3DFMT_X8L8V8U8:
        texel[0] = static_cast<BYTE>(du);
        texel[1] = static_cast<BYTE>(dv);
        texel[2] = static_cast<BYTE>(luminance);
        texel[3] = 0;
        break;
    default:
        break;
    }
}

UINT TexelSize(D3DFORMAT format) { return format == D3DFMT_X8L8V8U8 ? 4 : 2; }

}  // namespace

void WriteFromHeightField(const BYTE* source, INT sourcePitch, UINT width, UINT height, D3DFORMAT format,
                          BYTE* destination, INT destinationPitch) {
    const HeightField field{source, sourcePitch, width, height};
    const UINT texelSize = TexelSize(format);
    for (UINT y = 0; y < height; ++y) {
        BYTE* row = destination + static_cast<long>(y) * destinationPitch;
        const UINT upRow = y == 0 ? y : y - 1;
        const UINT downRow = y + 1 == height ? y : y + 1;
        for (UINT x = 0; x < width; ++x) {
            const long i = static_cast<long>(y) * width + x;
            const int c = field.At(i);
            const int r = field.At(i + 1);
            const int l = field.At(i - 1);
            const int d = field.At(static_cast<long>(downRow) * width + x);
            const int u = field.At(static_cast<long>(upRow) * width + x);
            int du = l - r;
            const int dv = u - d;
            if (c < l && c < r) {
                du = l - c;
                if (du < c - r) du = c - r;
            }
            const int luminance = c <= 1 ? 127 : 63;
            StoreTexel(row + x * texelSize, format, du, dv, luminance);
        }
    }
}

void WriteWave(BYTE* destination, INT destinationPitch) {
    for (UINT y = 0; y < kWaveSize; ++y) {
        BYTE* row = destination + static_cast<long>(y) * destinationPitch;
        for (UINT x = 0; x < kWaveSize; ++x) {
            const float fx = x / 256.0f - 0.5f;
            const float fy = y / 256.0f - 0.5f;
            const float a = 4.0f * D3DX_PI * (fx + fy);
            row[x * 2] = static_cast<BYTE>(static_cast<int>(64.0f * std::cos(a)));
            row[x * 2 + 1] = static_cast<BYTE>(static_cast<int>(64.0f * std::sin(a)));
        }
    }
}

}  // namespace bump_maps
