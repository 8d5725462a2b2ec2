#include "resources/icon.h"

#include <algorithm>
#include <cmath>

namespace resources {

namespace {

constexpr float kUnits = 32.0f;  // the picture is drawn on a square of 32 x 32 units
constexpr int kSamples = 4;      // per pixel and axis

struct Sample {
    bool covered;
    float r, g, b;  // 0..1
};

// The picture at (x, y) in units, (0, 0) the top-left corner.
Sample Shade(float x, float y) {
    const float dx = x - kUnits / 2, dy = y - kUnits / 2;
    const float d = std::sqrt(dx * dx + dy * dy);
    const float tilt = dy + dx * 0.3f;  // > 0 on the ring's near half
    const float ringD = std::sqrt(dx * dx + tilt * tilt * 9.0f);
    if (ringD > 13.0f && ringD < 15.5f && (d >= 10.0f || tilt > 0.0f)) return {true, 0.85f, 0.8f, 0.7f};
    if (d < 10.0f) {
        const float light = std::clamp(0.3f + (-dx - dy) / 14.0f, 0.1f, 1.0f);
        return {true, 0.1f + 0.85f * light, 0.05f + 0.65f * light, 0.05f + 0.4f * light};
    }
    return {false, 0, 0, 0};
}

std::uint32_t Byte(float v) { return static_cast<std::uint32_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f)); }

}  // namespace

std::vector<std::uint32_t> DrawIcon(int size) {
    if (size < 1 || size > kMaxIconSize) return {};
    std::vector<std::uint32_t> px(static_cast<size_t>(size) * size, 0);
    const float unit = kUnits / size;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            int covered = 0;
            float r = 0, g = 0, b = 0;
            for (int sy = 0; sy < kSamples; ++sy)
                for (int sx = 0; sx < kSamples; ++sx) {
                    const Sample s = Shade((x + (sx + 0.5f) / kSamples) * unit, (y + (sy + 0.5f) / kSamples) * unit);
                    if (!s.covered) continue;
                    ++covered;
                    r += s.r;
                    g += s.g;
                    b += s.b;
                }
            if (covered == 0) continue;
            const float alpha = static_cast<float>(covered) / (kSamples * kSamples);
            px[static_cast<size_t>(y) * size + x] =
                (Byte(alpha) << 24) | (Byte(r / covered) << 16) | (Byte(g / covered) << 8) | Byte(b / covered);
        }
    return px;
}

std::vector<std::uint32_t> ColourKeyedIcon(const std::vector<std::uint32_t>& argb) {
    std::vector<std::uint32_t> keyed(argb.size(), 0);
    for (size_t i = 0; i < argb.size(); ++i) {
        if ((argb[i] >> 24) < 0x80) continue;
        const std::uint32_t rgb = argb[i] & 0xFFFFFF;
        keyed[i] = rgb == 0 ? 0x010101 : rgb;
    }
    return keyed;
}

}  // namespace resources
