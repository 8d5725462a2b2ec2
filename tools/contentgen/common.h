// Shared pieces of the content generator: a float RGBA canvas, a seeded generator,
// value noise and small vector helpers. Everything here is deterministic: the same
// inputs give the same bytes on every run.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace cg {

constexpr float kPi = 3.14159265358979f;

inline float Clamp01(float v) { return v < 0.f ? 0.f : (v > 1.f ? 1.f : v); }
inline float Lerp(float a, float b, float t) { return a + (b - a) * t; }
inline float SmoothStep(float e0, float e1, float x)
{
    float t = Clamp01((x - e0) / (e1 - e0));
    return t * t * (3.f - 2.f * t);
}

struct Rgb {
    float r = 0, g = 0, b = 0;
};
inline Rgb operator*(Rgb c, float k) { return {c.r * k, c.g * k, c.b * k}; }
inline Rgb operator+(Rgb a, Rgb b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
inline Rgb Mix(Rgb a, Rgb b, float t) { return {Lerp(a.r, b.r, t), Lerp(a.g, b.g, t), Lerp(a.b, b.b, t)}; }
inline Rgb Hex(uint32_t v)
{
    return {((v >> 16) & 255) / 255.f, ((v >> 8) & 255) / 255.f, (v & 255) / 255.f};
}

// The palette of the production: deep blue-violet darkness, cold cyan light,
// amber and orange accents.
namespace pal {
inline const Rgb kNight = Hex(0x06041a);
inline const Rgb kViolet = Hex(0x2a1460);
inline const Rgb kIndigo = Hex(0x141c5a);
inline const Rgb kCyan = Hex(0x40e0ff);
inline const Rgb kIce = Hex(0xc8f6ff);
inline const Rgb kAmber = Hex(0xffb030);
inline const Rgb kOrange = Hex(0xff6a10);
}  // namespace pal

// Small deterministic generator (splitmix64); floats in 0..1.
class Rng {
public:
    explicit Rng(uint64_t seed) : m_state(seed) {}
    uint64_t Next()
    {
        uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    float Uniform() { return float(Next() >> 40) / float(1u << 24); }
    float Range(float a, float b) { return a + (b - a) * Uniform(); }

private:
    uint64_t m_state;
};

// Hash of an integer lattice point to 0..1.
inline float Hash2(int x, int y, uint32_t seed)
{
    uint32_t h = uint32_t(x) * 0x8da6b343u ^ uint32_t(y) * 0xd8163841u ^ seed * 0xcb1ab31fu;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    return float(h & 0xffffff) / float(0xffffff);
}

// Value noise on a lattice that wraps every `period` cells (period <= 0: no wrap).
inline float ValueNoise(float x, float y, int period, uint32_t seed)
{
    int xi = int(std::floor(x)), yi = int(std::floor(y));
    float fx = x - xi, fy = y - yi;
    auto w = [period](int v) { return period > 0 ? ((v % period) + period) % period : v; };
    float a = Hash2(w(xi), w(yi), seed), b = Hash2(w(xi + 1), w(yi), seed);
    float c = Hash2(w(xi), w(yi + 1), seed), d = Hash2(w(xi + 1), w(yi + 1), seed);
    fx = fx * fx * (3 - 2 * fx);
    fy = fy * fy * (3 - 2 * fy);
    return Lerp(Lerp(a, b, fx), Lerp(c, d, fx), fy);
}

// Fractal sum of value noise, 0..1; u, v in 0..1 tile when `tile` is set.
inline float Fbm(float u, float v, int baseFreq, int octaves, uint32_t seed, bool tile = true)
{
    float sum = 0, amp = 0.5f, norm = 0;
    int f = baseFreq;
    for (int o = 0; o < octaves; ++o) {
        sum += amp * ValueNoise(u * f, v * f, tile ? f : 0, seed + o * 101);
        norm += amp;
        amp *= 0.5f;
        f *= 2;
    }
    return sum / norm;
}

// Floating-point RGBA canvas, rows top to bottom, components nominally 0..1.
struct Image {
    int w = 0, h = 0;
    std::vector<float> px;  // r, g, b, a per pixel
    Image() = default;
    Image(int width, int height) : w(width), h(height), px(size_t(width) * height * 4, 0.f)
    {
        for (size_t i = 3; i < px.size(); i += 4) px[i] = 1.f;
    }
    float* At(int x, int y) { return &px[(size_t(y) * w + x) * 4]; }
    const float* At(int x, int y) const { return &px[(size_t(y) * w + x) * 4]; }
    void Set(int x, int y, Rgb c, float a = 1.f)
    {
        float* p = At(x, y);
        p[0] = c.r; p[1] = c.g; p[2] = c.b; p[3] = a;
    }
    // Adds light: colour times strength onto RGB.
    void Add(int x, int y, Rgb c, float k)
    {
        if (x < 0 || y < 0 || x >= w || y >= h) return;
        float* p = At(x, y);
        p[0] += c.r * k; p[1] += c.g * k; p[2] += c.b * k;
    }
    // Draws `c` with coverage `k` over the pixel (alpha compositing).
    void Over(int x, int y, Rgb c, float k, float alpha = 1.f)
    {
        if (x < 0 || y < 0 || x >= w || y >= h || k <= 0) return;
        float* p = At(x, y);
        k = Clamp01(k);
        p[0] = Lerp(p[0], c.r, k); p[1] = Lerp(p[1], c.g, k); p[2] = Lerp(p[2], c.b, k);
        p[3] = Lerp(p[3], alpha, k);
    }
    // Bilinear sample with clamping; u, v in pixels.
    void Sample(float u, float v, float out[4]) const
    {
        u = std::clamp(u, 0.f, float(w - 1));
        v = std::clamp(v, 0.f, float(h - 1));
        int x0 = int(u), y0 = int(v);
        int x1 = std::min(x0 + 1, w - 1), y1 = std::min(y0 + 1, h - 1);
        float fx = u - x0, fy = v - y0;
        for (int c = 0; c < 4; ++c) {
            float a = At(x0, y0)[c], b = At(x1, y0)[c], d = At(x0, y1)[c], e = At(x1, y1)[c];
            out[c] = Lerp(Lerp(a, b, fx), Lerp(d, e, fx), fy);
        }
    }
};

// Smooth box downscale/upscale to a new size.
Image Resize(const Image& src, int w, int h);

}  // namespace cg
