// The banner of the device dialog, drawn by code: a night sky with stars, a ringed planet
// over a mountain ridge, and the title in block letters.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "resources/resource_ids.h"
#include "resources/resources.h"

namespace resources {

namespace {

struct Colour {
    float r, g, b;  // 0..1
};

Colour Mix(Colour a, Colour b, float t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

DWORD Pack(Colour c) {
    auto byte = [](float v) { return static_cast<DWORD>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f)); };
    return (byte(c.r) << 16) | (byte(c.g) << 8) | byte(c.b);
}

Colour Unpack(DWORD p) {
    return {static_cast<float>((p >> 16) & 0xFF) / 255.0f, static_cast<float>((p >> 8) & 0xFF) / 255.0f,
            static_cast<float>(p & 0xFF) / 255.0f};
}

// Integer hash to 0..1, for stars and texture.
float Hash(int x, int y) {
    std::uint32_t h = static_cast<std::uint32_t>(x) * 374761393u + static_cast<std::uint32_t>(y) * 668265263u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return static_cast<float>(h & 0xFFFFFF) / 16777215.0f;
}

// Ridge height in pixels above the bottom edge, at column x.
float Ridge(float x) {
    return 26.0f + 10.0f * std::sin(x * 0.021f) + 6.0f * std::sin(x * 0.057f + 1.3f) + 3.0f * std::sin(x * 0.13f + 0.4f);
}

// 5 x 7 block letters, one row a byte (bit 4 is the leftmost column).
const std::uint8_t* Glyph(char c) {
    static const std::uint8_t M[7] = {0x11, 0x1B, 0x15, 0x15, 0x11, 0x11, 0x11};
    static const std::uint8_t O[7] = {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E};
    static const std::uint8_t R[7] = {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11};
    static const std::uint8_t V[7] = {0x11, 0x11, 0x11, 0x11, 0x11, 0x0A, 0x04};
    static const std::uint8_t E[7] = {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F};
    static const std::uint8_t L[7] = {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F};
    static const std::uint8_t T[7] = {0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04};
    switch (c) {
        case 'M': return M;
        case 'O': return O;
        case 'R': return R;
        case 'V': return V;
        case 'E': return E;
        case 'L': return L;
        case 'T': return T;
        default: return nullptr;
    }
}

// True when (x, y) lies on a letter of `text` drawn with cells of `cell` pixels from (left, top).
bool OnText(const char* text, int left, int top, int cell, int x, int y) {
    int gx = (x - left) / cell, gy = (y - top) / cell;
    if (x < left || y < top || gy >= 7) return false;
    int index = gx / 6, column = gx % 6;
    for (int i = 0; text[i]; ++i) {
        if (i != index) continue;
        if (column >= 5) return false;
        const std::uint8_t* g = Glyph(text[i]);
        return g && ((g[gy] >> (4 - column)) & 1);
    }
    return false;
}

}  // namespace

std::vector<DWORD> DrawBanner() {
    const int w = kBannerWidth, h = kBannerHeight;
    std::vector<DWORD> px(static_cast<size_t>(w) * h);
    const Colour skyTop{0.02f, 0.02f, 0.10f}, skyLow{0.30f, 0.10f, 0.35f}, haze{0.95f, 0.45f, 0.30f};
    const float planetX = 300.0f, planetY = 58.0f, planetR = 34.0f;
    const char* title = "MORVELT";
    const int cell = 5, titleLeft = 24, titleTop = 30;

    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            float fy = static_cast<float>(y) / (h - 1);
            Colour c = Mix(skyTop, skyLow, fy * fy);
            c = Mix(c, haze, std::max(0.0f, fy - 0.65f) * 1.2f);
            // Stars, fewer towards the horizon.
            float s = Hash(x, y);
            if (s > 0.9965f - 0.002f * fy) c = Mix(c, {1, 1, 1}, 0.5f + 0.5f * Hash(y, x));

            // The planet, lit from the upper left, with a ring tilted across it.
            float dx = x - planetX, dy = y - planetY;
            float d = std::sqrt(dx * dx + dy * dy);
            float ringX = dx, ringY = (dy + dx * 0.25f) * 3.2f;
            float ringD = std::sqrt(ringX * ringX + ringY * ringY);
            bool ring = ringD > planetR * 1.35f && ringD < planetR * 1.9f;
            bool ringBehind = ring && (dy + dx * 0.25f) < 0.0f;
            if (ringBehind && d >= planetR) c = Mix(c, {0.85f, 0.75f, 0.60f}, 0.55f);
            if (d < planetR) {
                float nz = std::sqrt(std::max(0.0f, 1.0f - (d * d) / (planetR * planetR)));
                float light = std::clamp(0.15f + 0.85f * (-dx * 0.5f - dy * 0.6f + nz * planetR * 0.6f) / planetR, 0.0f, 1.0f);
                float bands = 0.5f + 0.5f * std::sin((dy + 3.0f * std::sin(dx * 0.1f)) * 0.45f);
                Colour body = Mix({0.55f, 0.30f, 0.20f}, {0.95f, 0.80f, 0.55f}, bands);
                c = Mix({0.02f, 0.01f, 0.03f}, body, light);
            } else if (d < planetR + 6.0f) {
                c = Mix(c, {0.9f, 0.6f, 0.5f}, 0.25f * (1.0f - (d - planetR) / 6.0f));
            }
            if (ring && !ringBehind) c = Mix(c, {0.90f, 0.80f, 0.65f}, 0.75f);

            // The ridge, with a rim of light along its crest.
            float top = h - Ridge(static_cast<float>(x));
            if (y > top) {
                float depth = (y - top) / 30.0f;
                c = Mix({0.10f, 0.04f, 0.10f}, {0.01f, 0.01f, 0.02f}, std::min(1.0f, depth));
                if (y - top < 1.5f) c = Mix(c, haze, 0.6f);
            }
            px[static_cast<size_t>(y) * w + x] = Pack(c);
        }
    }

    // Title: a soft glow, then the letters with a vertical gradient.
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            int glow = 0;
            for (int oy = -3; oy <= 3; oy += 3)
                for (int ox = -3; ox <= 3; ox += 3) glow += OnText(title, titleLeft, titleTop, cell, x + ox, y + oy);
            Colour c = Unpack(px[static_cast<size_t>(y) * w + x]);
            if (glow) c = Mix(c, {0.45f, 0.55f, 1.0f}, 0.06f * glow);
            if (OnText(title, titleLeft, titleTop, cell, x, y)) {
                float t = static_cast<float>(y - titleTop) / (7 * cell);
                c = Mix({1.0f, 1.0f, 1.0f}, {0.55f, 0.75f, 1.0f}, t);
            }
            px[static_cast<size_t>(y) * w + x] = Pack(c);
        }
    return px;
}

}  // namespace resources
