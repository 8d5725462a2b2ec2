// Procedural pictures of the production. Each generator makes a picture for the way its
// scene draws it: black fade bases, additive glows on black, pictures with their own
// alpha for the layers drawn with BlendLayers, colour-keyed frames whose middle is
// exactly RGB (0, 64, 64), sphere maps indexed by the camera-space normal.
#include "textures.h"

#include "image_io.h"
#include "text.h"

#include <cstdio>

namespace cg {

namespace {

using namespace pal;

// ---------------------------------------------------------------- helpers

// Exact colour that the loader turns transparent (ARGB 0xFF004040).
const Rgb kKey = {0.f, 64.f / 255.f, 64.f / 255.f};

template <class F>
void ForEach(Image& img, F f)
{
    for (int y = 0; y < img.h; ++y)
        for (int x = 0; x < img.w; ++x) f(x, y, (x + 0.5f) / img.w, (y + 0.5f) / img.h);
}

void Fill(Image& img, Rgb c, float a = 1.f)
{
    ForEach(img, [&](int x, int y, float, float) { img.Set(x, y, c, a); });
}

// Stars on a dark sky: small soft points, a few brighter ones with a faint cross.
void Stars(Image& img, uint64_t seed, int count, float bright)
{
    Rng rng(seed);
    for (int i = 0; i < count; ++i) {
        float x = rng.Uniform() * img.w, y = rng.Uniform() * img.h;
        float b = std::pow(rng.Uniform(), 3.f) * bright;
        Rgb c = Mix(kIce, kAmber, rng.Uniform() < 0.15f ? 0.7f : 0.f);
        int r = b > 0.5f ? 3 : 1;
        for (int dy = -r; dy <= r; ++dy)
            for (int dx = -r; dx <= r; ++dx) {
                float d2 = (dx + (x - int(x)) - 0.5f) * (dx + (x - int(x)) - 0.5f) +
                           (dy + (y - int(y)) - 0.5f) * (dy + (y - int(y)) - 0.5f);
                img.Add(int(x) + dx, int(y) + dy, c, b * std::exp(-d2 * 1.6f));
            }
        if (b > 0.6f)
            for (int k = 4; k < 14; ++k) {
                float f = b * 0.25f * (1.f - k / 14.f);
                img.Add(int(x) + k, int(y), c, f); img.Add(int(x) - k, int(y), c, f);
                img.Add(int(x), int(y) + k, c, f); img.Add(int(x), int(y) - k, c, f);
            }
    }
}

// Soft radial light centred at (cx, cy) in 0..1 picture units.
void Glow(Image& img, float cx, float cy, float radius, Rgb c, float k)
{
    ForEach(img, [&](int x, int y, float u, float v) {
        float dx = (u - cx) * img.w / img.h, dy = v - cy;
        float d = std::sqrt(dx * dx + dy * dy) / radius;
        img.Add(x, y, c, k * std::exp(-d * d * 2.f));
    });
}

// Places a text mask into the picture, centred at (cx, cy) pixels, filled with a
// vertical gradient top..bottom and surrounded by a blurred glow; alpha follows the ink
// when `alphaFromInk` is set (pictures drawn with their own alpha).
void PlaceText(Image& img, const Mask& ink, int cx, int cy, Rgb top, Rgb bottom, Rgb glowColour,
               int glowRadius, float glowK, bool alphaFromInk)
{
    if (ink.w == 0) return;
    Mask padded = Pad(ink, glowRadius * 3);
    Mask glow = Blur(padded, glowRadius);
    int ox = cx - padded.w / 2, oy = cy - padded.h / 2;
    for (int y = 0; y < padded.h; ++y)
        for (int x = 0; x < padded.w; ++x) {
            int px = ox + x, py = oy + y;
            if (px < 0 || py < 0 || px >= img.w || py >= img.h) continue;
            float g = glow.At(x, y) * glowK, a = padded.At(x, y);
            float* p = img.At(px, py);
            float t = float(y) / padded.h;
            Rgb fill = Mix(top, bottom, SmoothStep(0.3f, 0.7f, t));
            if (alphaFromInk) {
                // Glow first (partially transparent), ink over it.
                float ga = Clamp01(g);
                float outA = a + ga * (1 - a);
                Rgb col = outA > 0 ? (fill * a + glowColour * (ga * (1 - a))) * (1.f / outA) : Rgb{};
                float baseA = p[3];
                float na = outA + baseA * (1 - outA);
                if (na > 0) {
                    for (int c = 0; c < 3; ++c) {
                        float s = c == 0 ? col.r : (c == 1 ? col.g : col.b);
                        p[c] = (s * outA + p[c] * baseA * (1 - outA)) / na;
                    }
                }
                p[3] = na;
            } else {
                img.Add(px, py, glowColour, g);
                img.Over(px, py, fill, a);
            }
        }
}

// Sphere map: the picture at (u, v) shows the colour for the camera-space normal
// n = (2u - 1, 1 - 2v, -sqrt(1 - x² - y²)), the normal facing the viewer at the centre.
// Outside the disc the edge colour continues so that filtering shows no seam.
template <class F>
Image SphereMap(int size, F colourForNormal)
{
    Image img(size, size);
    ForEach(img, [&](int x, int y, float u, float v) {
        float nx = 2 * u - 1, ny = 1 - 2 * v;
        float r2 = nx * nx + ny * ny;
        if (r2 > 0.999f) {
            float k = std::sqrt(0.999f / r2);
            nx *= k; ny *= k; r2 = 0.999f;
        }
        float nz = -std::sqrt(1 - r2);
        img.Set(x, y, colourForNormal(nx, ny, nz));
    });
    return img;
}

// A chrome-like environment: sky above, bright horizon, dark ground, a sun.
struct EnvStyle {
    Rgb skyTop, skyHorizon, ground, horizonLine, sun;
    float sunX, sunY, sunZ, sunSize, stripes;
    uint32_t seed;
};
Image Environment(int size, const EnvStyle& s)
{
    return SphereMap(size, [&](float nx, float ny, float nz) {
        // Reflected view ray for a viewer looking along +z.
        float rx = 2 * nz * nx, ry = 2 * nz * ny, rz = 2 * nz * nz - 1;
        rx = -rx; ry = -ry; rz = -rz;
        float elev = ry;
        Rgb c;
        if (elev > 0) c = Mix(s.skyHorizon, s.skyTop, std::pow(elev, 0.6f));
        else c = Mix(s.skyHorizon * 0.35f, s.ground, std::pow(-elev, 0.5f));
        c = c + s.horizonLine * std::exp(-elev * elev * 400.f);
        // Soft clouds / streaks along the azimuth.
        float az = std::atan2(rx, rz);
        float n = Fbm(az / (2 * kPi) + 0.5f, std::fabs(elev) * 0.5f, 6, 4, s.seed);
        c = c + s.skyHorizon * (s.stripes * (n - 0.45f) * (elev > 0 ? 1.f : 0.4f));
        float sd = rx * s.sunX + ry * s.sunY + rz * s.sunZ;
        c = c + s.sun * (std::pow(Clamp01(sd), s.sunSize) * 1.5f + std::pow(Clamp01(sd), 8.f) * 0.25f);
        // Rim light from behind the surface (grazing normals).
        float rim = std::pow(1 - std::fabs(nz), 3.f);
        c = c + s.skyHorizon * (rim * 0.3f);
        return c;
    });
}

Image Black(int w, int h) { return Image(w, h); }

// Fit a text mask into a box of bw × bh pixels (keeps its proportions, shrinks only).
Mask FitText(const char* font, const std::string& text, float px, float xScale, float tracking, int bw, int bh)
{
    Mask m = RenderText(font, text, px, xScale, tracking);
    if (m.w == 0) return m;
    float k = std::min(1.f, std::min(float(bw) / m.w, float(bh) / m.h));
    if (k < 1.f) m = RenderText(font, text, px * k, xScale, tracking * k);
    return m;
}

// ---------------------------------------------------------------- pictures

Image MakeQrnm()  // base texture of the morphing sphere: cold marble with glyph-like marks
{
    Image img(512, 512);
    ForEach(img, [&](int x, int y, float u, float v) {
        float n = Fbm(u + 0.3f * Fbm(u, v, 4, 3, 11), v, 4, 5, 7);
        float veins = std::pow(1 - std::fabs(std::sin((u * 6 + n * 5) * kPi)), 12.f);
        Rgb c = Mix(kNight, kViolet, n * 1.2f) + kCyan * (veins * 0.6f);
        float gx = std::fabs(std::fmod(u * 8, 1.f) - 0.5f), gy = std::fabs(std::fmod(v * 8, 1.f) - 0.5f);
        float grid = (gx > 0.47f || gy > 0.47f) ? 0.25f : 0.f;
        c = c + kIce * grid * n;
        img.Set(x, y, c);
    });
    // Amber dots on grid crossings.
    for (int j = 0; j < 8; ++j)
        for (int i = 0; i < 8; ++i)
            if (Hash2(i, j, 3) > 0.6f) Glow(img, i / 8.f, j / 8.f, 0.012f, kAmber, 0.9f);
    return img;
}

Image MakeQrbm()  // height field in the blue channel: rivets and plates
{
    Image img(256, 256);
    ForEach(img, [&](int x, int y, float u, float v) {
        float h = 0.35f + 0.25f * Fbm(u, v, 8, 4, 21);
        float cu = std::fmod(u * 8, 1.f) - 0.5f, cv = std::fmod(v * 8, 1.f) - 0.5f;
        float d = std::sqrt(cu * cu + cv * cv);
        h += 0.4f * SmoothStep(0.22f, 0.12f, d);                      // rivet
        if (std::fabs(cu) > 0.46f || std::fabs(cv) > 0.46f) h = 0.05f;  // seams
        h = Clamp01(h);
        img.Set(x, y, {h * 0.5f, h * 0.75f, h});
    });
    return img;
}

Image MakeBmenv()
{
    return Environment(256, {Hex(0x0a1a50), Hex(0x40c8ff), Hex(0x05020f), Hex(0x60d0ff) * 0.5f, kAmber,
                             0.5f, 0.4f, 0.77f, 30.f, 0.9f, 31});
}

Image MakeEnv()  // creature and logo: chrome with cyan sky and an amber sun
{
    return Environment(512, {Hex(0x101850), Hex(0x6ad8ff), Hex(0x0c0620), Hex(0xffffff) * 0.8f, kAmber,
                             -0.4f, 0.5f, 0.77f, 40.f, 0.8f, 41});
}

Image MakeEnv2()  // figures: violet and ice
{
    return Environment(512, {Hex(0x1a0a40), Hex(0x9a80ff), Hex(0x080418), kIce * 0.6f, kCyan,
                             0.6f, 0.6f, 0.5f, 25.f, 1.0f, 51});
}

Image MakeEnv3()  // scene 5 figure: warm gold against deep blue
{
    return Environment(512, {Hex(0x081040), Hex(0xffb050), Hex(0x100818), kAmber * 0.7f, Hex(0xffffff),
                             0.3f, 0.7f, 0.64f, 60.f, 0.7f, 61});
}

Image MakeEnvNr()  // numerals: bright chrome
{
    return Environment(512, {Hex(0x2040a0), Hex(0xe0f8ff), Hex(0x100c30), kIce, kOrange,
                             -0.5f, 0.3f, 0.81f, 20.f, 1.2f, 71});
}

// Aurora landscape for alven.jpg / alven2.jpg.
Image MakeVista(uint32_t seed, bool dusk)
{
    Image img(1024, 1024);
    ForEach(img, [&](int x, int y, float u, float v) {
        Rgb sky = Mix(Hex(0x1a2a80), kNight, std::pow(1 - v, 0.8f));
        if (dusk) sky = Mix(Hex(0x3a1850), kNight, std::pow(1 - v, 0.7f));
        // Aurora curtains.
        float wave = 0.32f + 0.06f * std::sin(u * 9 + Fbm(u, 0.2f, 3, 3, seed) * 6) + 0.03f * std::sin(u * 23);
        float curtain = std::exp(-std::pow((v - wave) / 0.09f, 2.f)) * (0.5f + 0.5f * Fbm(u * 4, v, 8, 4, seed + 1));
        float rays = std::pow(Fbm(u * 2, 0.5f, 32, 2, seed + 2), 2.f);
        sky = sky + Mix(kCyan, Hex(0x60ffb0), u) * (curtain * (0.6f + rays) * (dusk ? 0.6f : 1.f));
        // Mountains.
        float ridge = 0.62f + 0.12f * Fbm(u, 0.1f, 3, 5, seed + 3, false) - 0.05f * std::fabs(u - 0.5f);
        float ridge2 = 0.72f + 0.08f * Fbm(u, 0.6f, 5, 5, seed + 4, false);
        Rgb c = sky;
        if (v > ridge) c = Mix(Hex(0x0a0a28), Hex(0x040212), (v - ridge) * 3) + kCyan * (0.08f * std::exp(-(v - ridge) * 60));
        if (v > ridge2) c = Mix(Hex(0x05030f), Hex(0x000000), (v - ridge2) * 3);
        // Lake reflection of the aurora at the bottom.
        if (v > 0.86f) {
            float rv = 2 * 0.86f - v;
            float rwave = 0.32f + 0.06f * std::sin(u * 9 + Fbm(u, 0.2f, 3, 3, seed) * 6);
            float rc = std::exp(-std::pow((rv - rwave) / 0.09f, 2.f)) * 0.25f;
            float ripple = 0.6f + 0.4f * std::sin(v * 400 + Fbm(u, v, 16, 2, seed + 5) * 10);
            c = c + Mix(kCyan, Hex(0x60ffb0), u) * (rc * ripple);
        }
        img.Set(x, y, c);
    });
    Stars(img, seed + 9, 700, 0.9f);
    // Amber sun setting behind the ridge.
    Glow(img, dusk ? 0.7f : 0.3f, 0.63f, 0.06f, kAmber, dusk ? 1.2f : 0.7f);
    Glow(img, dusk ? 0.7f : 0.3f, 0.63f, 0.25f, kOrange, dusk ? 0.35f : 0.15f);
    // Re-darken below the near ridge so the sun sits behind it.
    ForEach(img, [&](int x, int y, float u, float v) {
        float ridge2 = 0.72f + 0.08f * Fbm(u, 0.6f, 5, 5, seed + 4, false);
        if (v > ridge2 && v < 0.86f) {
            float* p = img.At(x, y);
            p[0] *= 0.15f; p[1] *= 0.15f; p[2] *= 0.2f;
        }
    });
    return img;
}

Image MakeBg()  // deep space with a nebula and light shafts (drawn additively)
{
    Image img(1024, 1024);
    ForEach(img, [&](int x, int y, float u, float v) {
        float n = Fbm(u, v, 3, 6, 81);
        float m = Fbm(u + n * 0.3f, v - n * 0.2f, 4, 5, 82);
        Rgb c = kNight * 0.6f + kViolet * (std::pow(m, 2.5f) * 1.3f) + kCyan * (std::pow(n, 6.f) * 0.8f);
        float dx = u - 0.5f, dy = v - 0.45f;
        float ang = std::atan2(dy, dx), d = std::sqrt(dx * dx + dy * dy);
        float shaft = std::pow(0.5f + 0.5f * std::sin(ang * 9 + 0.5f * std::sin(ang * 3)), 8.f) * std::exp(-d * 3);
        c = c + kIce * (shaft * 0.12f);
        img.Set(x, y, c);
    });
    Stars(img, 83, 900, 1.f);
    Glow(img, 0.5f, 0.45f, 0.08f, kIce, 0.25f);
    return img;
}

Image MakeBg2()  // scrolling background behind the bump sphere: tiles vertically, alpha band
{
    Image img(512, 512);
    ForEach(img, [&](int x, int y, float u, float v) {
        float n = Fbm(u, v, 4, 5, 91);
        float streak = std::pow(Fbm(u * 1.f, v * 0.125f, 32, 3, 92), 3.f);
        float grid = std::pow(std::fabs(std::sin(v * kPi * 16)), 60.f) * 0.3f;
        Rgb c = Mix(kNight, Hex(0x1c2a78), n) + kCyan * (streak * 0.9f + grid * n);
        float a = 0.55f + 0.45f * n;
        img.Set(x, y, c, a);
    });
    return img;
}

Image MakeS6Over()  // pulse picture over the cave: rings and a starburst on black
{
    Image img(512, 512);
    ForEach(img, [&](int x, int y, float u, float v) {
        float dx = u - 0.5f, dy = v - 0.5f;
        float d = std::sqrt(dx * dx + dy * dy), a = std::atan2(dy, dx);
        float ring = std::exp(-std::pow((d - 0.33f) / 0.012f, 2.f)) * 0.8f +
                     std::exp(-std::pow((d - 0.41f) / 0.004f, 2.f)) * 0.5f;
        float burst = std::pow(0.5f + 0.5f * std::cos(a * 12), 20.f) * std::exp(-d * 7) * 0.7f;
        float ticks = (d > 0.44f && d < 0.47f && std::cos(a * 48) > 0.8f) ? 0.5f : 0.f;
        Rgb c = kCyan * (ring + ticks) + kAmber * burst + kIce * std::exp(-d * d * 300) * 0.6f;
        c = c * SmoothStep(0.5f, 0.46f, d);
        img.Set(x, y, c);
    });
    return img;
}

Image MakeBackS3()  // scene-3 bars, drawn additively: a horizontal light band
{
    Image img(512, 256);
    ForEach(img, [&](int x, int y, float u, float v) {
        float band = std::exp(-std::pow((v - 0.5f) / 0.16f, 2.f));
        float core = std::exp(-std::pow((v - 0.5f) / 0.03f, 2.f));
        float seg = (std::fmod(u * 24, 1.f) < 0.85f) ? 1.f : 0.3f;
        float fade = SmoothStep(0.f, 0.25f, u) * SmoothStep(1.f, 0.75f, u);
        Rgb c = (kIndigo * 1.5f * band + kCyan * (core * 0.6f * seg)) * fade;
        img.Set(x, y, c);
    });
    return img;
}

Image MakeNumeral(int digit)  // scene-8 flash: a huge numeral on black
{
    Image img(512, 512);
    ForEach(img, [&](int x, int y, float u, float v) {
        float dx = u - 0.5f, dy = v - 0.5f;
        img.Set(x, y, kViolet * (0.35f * std::exp(-(dx * dx + dy * dy) * 6)));
    });
    std::string s(1, char('0' + digit));
    Mask m = RenderText(fonts::kSansBold, s, 430.f);
    PlaceText(img, m, 256, 256, kIce, kAmber, kOrange, 14, 0.9f, false);
    // Thin frame lines.
    for (int i = 24; i < 488; ++i) {
        img.Add(i, 24, kCyan, 0.5f); img.Add(i, 487, kCyan, 0.5f);
        img.Add(24, i, kCyan, 0.5f); img.Add(487, i, kCyan, 0.5f);
    }
    return img;
}

Image MakeFrameJpg()  // shutter bar overlay, drawn additively: bright edges, dark middle
{
    Image img(512, 512);
    ForEach(img, [&](int x, int y, float u, float v) {
        float e = std::min(std::min(u, 1 - u), std::min(v, 1 - v));
        float edge = std::exp(-e * 60) * 0.9f + std::exp(-std::pow((e - 0.06f) / 0.004f, 2.f)) * 0.4f;
        float scan = 0.04f * (0.5f + 0.5f * std::sin(v * kPi * 128));
        Rgb c = kCyan * edge + kIndigo * scan;
        if (e < 0.1f && (u < 0.12f || u > 0.88f) && (v < 0.12f || v > 0.88f)) c = c + kAmber * 0.5f;
        img.Set(x, y, c);
    });
    return img;
}

Image MakePanel(int size, Rgb base, Rgb line, Rgb accent, uint32_t seed)  // box and object textures
{
    Image img(size, size);
    ForEach(img, [&](int x, int y, float u, float v) {
        float n = Fbm(u, v, 8, 4, seed);
        Rgb c = base * (0.6f + 0.6f * n);
        float cu = std::fmod(u * 4, 1.f), cv = std::fmod(v * 4, 1.f);
        float seam = (cu < 0.02f || cu > 0.98f || cv < 0.02f || cv > 0.98f) ? 1.f : 0.f;
        float inset = (cu > 0.1f && cu < 0.9f && cv > 0.1f && cv < 0.9f) &&
                      (cu < 0.12f || cu > 0.88f || cv < 0.12f || cv > 0.88f);
        c = c * (1 - 0.7f * seam) + line * (inset ? 0.5f : 0.f);
        int cell = int(u * 4) + 4 * int(v * 4);
        if (Hash2(cell, 0, seed) > 0.7f && cu > 0.3f && cu < 0.7f && std::fabs(cv - 0.5f) < 0.03f)
            c = c + accent * 0.9f;
        img.Set(x, y, c);
    });
    return img;
}

Image MakeRock()  // cave walls: mossy dark stone with cold veins
{
    Image img(512, 512);
    ForEach(img, [&](int x, int y, float u, float v) {
        float n = Fbm(u, v, 4, 6, 121);
        float cracks = std::pow(1 - std::fabs(2 * Fbm(u, v, 6, 3, 122) - 1), 16.f);
        Rgb c = Mix(Hex(0x1a1830), Hex(0x4a5a70), n) * (0.5f + n);
        c = Mix(c, Hex(0x18402a), Clamp01(Fbm(u, v, 3, 3, 123) * 2 - 0.9f));
        c = c + kCyan * (cracks * 0.35f);
        img.Set(x, y, c);
    });
    return img;
}

// A frame drawn around a middle: `middle` decides for each pixel whether it lies inside.
// For colour-keyed frames the middle is the exact key colour with hard edges.
enum class FrameKind { Countdown, Scanner, Credits, Figures, Cave };

Image MakeFrame(FrameKind kind, bool keyed)
{
    const int S = 1024;
    Image img(S, S);
    uint32_t seed = 200 + uint32_t(kind);
    // Inner window (0..1 units): left, top, right, bottom and corner cut.
    float l = 0.07f, t = 0.14f, r = 0.93f, b = 0.86f, cut = 0.05f;
    if (kind == FrameKind::Scanner) { l = 0.05f; t = 0.17f; r = 0.95f; b = 0.83f; cut = 0.02f; }
    if (kind == FrameKind::Credits) { l = 0.06f; t = 0.1f; r = 0.94f; b = 0.9f; cut = 0.07f; }
    if (kind == FrameKind::Figures) { l = 0.08f; t = 0.16f; r = 0.92f; b = 0.84f; cut = 0.03f; }
    if (kind == FrameKind::Cave) { l = 0.04f; t = 0.16f; r = 0.96f; b = 0.84f; cut = 0.08f; }
    // Signed distance to the window's edge (a rectangle with cut corners), in picture
    // units: negative inside. The maximum over the edge half-planes is exact on the edge.
    auto edge = [&](float u, float v, float grow) {
        float L = l - grow, T = t - grow, R = r + grow, B = b + grow, C = cut + grow * 0.586f;
        float d = std::max(std::max(L - u, u - R), std::max(T - v, v - B));
        const float k = 0.70710678f;
        d = std::max(d, (C - (u - L) - (v - T)) * k);
        d = std::max(d, (C - (R - u) - (v - T)) * k);
        d = std::max(d, (C - (u - L) - (B - v)) * k);
        d = std::max(d, (C - (R - u) - (B - v)) * k);
        return d;
    };
    auto inside = [&](float u, float v) { return edge(u, v, 0.f) < 0 ? 1.f : -1.f; };
    ForEach(img, [&](int x, int y, float u, float v) {
        float d = inside(u, v);
        if (d >= 0) {
            if (keyed) img.Set(x, y, kKey, 1.f);
            else img.Set(x, y, {0, 0, 0}, 0.f);
            return;
        }
        float n = Fbm(u, v, 6, 4, seed);
        float vert = std::fabs(v - 0.5f) * 2;
        Rgb c = Mix(Hex(0x0c0828), Hex(0x1e1050), n * (1 - vert * 0.5f));
        float scan = 0.5f + 0.5f * std::sin(v * S * kPi / 2);
        c = c * (0.85f + 0.15f * scan);
        // A faint hexagonal mesh in the border.
        float hx = u * 48, hy = v * 48 * 1.1547f;
        float cell = std::fabs(std::fmod(hx + std::floor(hy) * 0.5f, 1.f) - 0.5f) + std::fabs(std::fmod(hy, 1.f) - 0.5f) * 0.5f;
        c = c + kIndigo * (SmoothStep(0.45f, 0.5f, cell) * 0.35f);
        float alpha = keyed ? 1.f : 0.92f;
        img.Set(x, y, c, alpha);
    });
    // A bright cyan line on the window's edge and a fainter one further out.
    ForEach(img, [&](int x, int y, float u, float v) {
        if (inside(u, v) >= 0) return;
        float d0 = std::fabs(edge(u, v, 0.004f)), d1 = std::fabs(edge(u, v, 0.018f));
        float k = d0 < 0.0016f ? 1.f : (d1 < 0.0012f ? 0.4f : 0.f);
        if (k > 0) {
            float* p = img.At(x, y);
            Rgb c = kCyan * k;
            p[0] = std::max(p[0], c.r); p[1] = std::max(p[1], c.g); p[2] = std::max(p[2], c.b);
            p[3] = 1;
        }
    });
    // Level bars on the left and right edges, as on an instrument panel.
    for (int side = 0; side < 2; ++side)
        for (int i = 0; i < 12; ++i) {
            float v0 = 0.3f + i * 0.035f;
            float len = 0.008f + 0.022f * Hash2(i, side, seed);
            float u0 = side == 0 ? std::max(0.02f, l - 0.03f - len) : r + 0.03f;
            for (int y = int(v0 * S); y < int((v0 + 0.02f) * S); ++y)
                for (int x = int(u0 * S); x < int((u0 + len) * S); ++x)
                    if (inside((x + 0.5f) / S, (y + 0.5f) / S) < 0) img.Over(x, y, i % 4 == 0 ? kAmber : kCyan * 0.6f, 0.9f);
        }
    // Tick marks along the top and bottom bands, amber markers in the corners.
    for (int i = 0; i <= 40; ++i) {
        float u = 0.1f + 0.8f * i / 40.f;
        int x = int(u * S);
        int len = (i % 5 == 0) ? 14 : 7;
        for (int k = 0; k < len; ++k)
            for (int w = 0; w < 2; ++w) {
                img.Over(x + w, int((t - 0.03f) * S) - k, kIce * 0.7f, 1.f);
                img.Over(x + w, int((b + 0.03f) * S) + k, kIce * 0.7f, 1.f);
            }
    }
    for (int corner = 0; corner < 4; ++corner) {
        float cu = corner & 1 ? r + 0.01f : l - 0.01f;
        float cv = corner & 2 ? b + 0.045f : t - 0.045f;
        int x0 = int(cu * S), y0 = int(cv * S);
        for (int dy = -6; dy <= 6; ++dy)
            for (int dx = -30; dx <= 30; ++dx)
                if (std::abs(dy) <= 3) img.Over(x0 + dx, y0 + dy, kAmber, 1.f);
    }
    // Small captions in the bands.
    const char* caption = "MORVELT";
    const char* sub = "";
    switch (kind) {
    case FrameKind::Countdown: sub = "SEQUENCE 03  //  COUNT"; break;
    case FrameKind::Scanner: sub = "FIELD 04  //  SURFACE SCAN"; break;
    case FrameKind::Credits: sub = "THE MAKERS"; break;
    case FrameKind::Figures: sub = "FIGURES 05"; break;
    case FrameKind::Cave: sub = "DESCENT 06  //  GREETINGS"; break;
    }
    Mask m1 = RenderText(fonts::kMonoBold, caption, 26.f, 1.f, 6.f);
    Mask m2 = RenderText(fonts::kMonoBold, sub, 20.f, 1.f, 3.f);
    int bandTop = int((t - 0.03f) * S) - 40, bandBottom = int((b + 0.03f) * S) + 40;
    PlaceText(img, m1, int(0.1f * S) + m1.w / 2, std::max(30, bandTop), kIce, kCyan, kCyan, 4, 0.5f, false);
    PlaceText(img, m2, int(0.9f * S) - m2.w / 2, std::min(S - 30, bandBottom), kIce, kIce, kCyan, 3, 0.4f,
              false);
    if (keyed) {
        // Nothing but the middle may carry the key colour; and the middle must be exact.
        ForEach(img, [&](int x, int y, float u, float v) {
            float* p = img.At(x, y);
            bool isKey = ToByte(p[0]) == 0 && ToByte(p[1]) == 64 && ToByte(p[2]) == 64;
            if (inside(u, v) >= 0) {
                p[0] = kKey.r; p[1] = kKey.g; p[2] = kKey.b; p[3] = 1;
            } else if (isKey) {
                p[1] += 2.f / 255.f;
            }
        });
    }
    return img;
}

// Title pictures drawn with their own alpha: glowing letters on transparent black.
Image MakeTitle(const std::string& text, int w, int h, float xScale, Rgb top, Rgb bottom, Rgb glow,
                const char* font, float tracking)
{
    Image img(w, h);
    Fill(img, {0, 0, 0}, 0.f);
    Mask m = FitText(font, text, h * 0.62f, xScale, tracking, int(w * 0.9f), int(h * 0.7f));
    PlaceText(img, m, w / 2, h / 2, top, bottom, glow, std::max(3, h / 40), 0.8f, true);
    return img;
}

Image MakeLogoPng()
{
    Image img = MakeTitle("MORVELT", 512, 256, 1.f, kIce, kCyan, kCyan, fonts::kSansBold, 10.f);
    // An amber underline with a fading end.
    for (int x = 90; x < 422; ++x) {
        float f = 1 - std::fabs(x - 256) / 166.f;
        for (int y = 196; y < 200; ++y) img.Over(x, y, kAmber, f, f);
    }
    return img;
}

// Credits: role titles are shown on quads of aspect 4:3, names on 2:1; both textures
// are 512 × 256, so the titles are drawn with narrower letters to look right on screen.
Image MakeRole(const std::string& text)
{
    return MakeTitle(text, 512, 256, 0.66f, kAmber, kOrange, kOrange, fonts::kLiberationBold, 4.f);
}
Image MakeHandle(const std::string& text)
{
    return MakeTitle(text, 512, 256, 1.f, kIce, kCyan, kCyan, fonts::kSansBold, 8.f);
}

// Greetings: a square picture shown on a 5:3 quad, so letters are drawn at 0.6 width.
Image MakeGreeting(const std::string& group, uint32_t seed)
{
    Image img(512, 512);
    Fill(img, {0, 0, 0}, 0.f);
    Mask hello = FitText(fonts::kSerifItalic, "greetings to", 60.f, 0.6f, 1.f, 440, 80);
    PlaceText(img, hello, 256, 190, kAmber, kOrange, kOrange, 4, 0.6f, true);
    Mask name = FitText(fonts::kSansBold, group, 120.f, 0.6f, 4.f, 470, 140);
    PlaceText(img, name, 256, 290, kIce, kCyan, kCyan, 6, 0.8f, true);
    (void)seed;
    return img;
}

// Lens-flare spots: white light (tinted by the spot colour), intensity in the alpha.
Image MakeFlare(int kind)
{
    Image img(256, 256);
    ForEach(img, [&](int x, int y, float u, float v) {
        float dx = (u - 0.5f) * 2, dy = (v - 0.5f) * 2;
        float d = std::sqrt(dx * dx + dy * dy), a = std::atan2(dy, dx);
        float k = 0;
        switch (kind) {
        case 1: {  // glow with rays
            float rays = std::pow(0.5f + 0.5f * std::cos(a * 8), 30.f) * 0.3f +
                         std::pow(0.5f + 0.5f * std::cos(a * 2), 200.f) * 0.5f;
            k = std::exp(-d * d * 40) + 0.35f * std::exp(-d * 5) + rays * std::exp(-d * 2.5f);
            break;
        }
        case 2: k = std::exp(-std::pow((d - 0.7f) / 0.06f, 2.f)) + 0.1f * std::exp(-std::pow((d - 0.6f) / 0.2f, 2.f)); break;
        case 3: {  // hexagon with a soft edge and brighter rim
            float h = 0;
            for (int i = 0; i < 3; ++i) {
                float ang = i * kPi / 3;
                h = std::max(h, std::fabs(dx * std::cos(ang) + dy * std::sin(ang)));
            }
            k = SmoothStep(0.78f, 0.72f, h) * (0.35f + 0.65f * SmoothStep(0.5f, 0.74f, h));
            break;
        }
        default: k = std::pow(Clamp01(1 - d), 1.5f) * 0.9f; break;  // soft disc
        }
        k *= SmoothStep(1.f, 0.95f, d);  // nothing at the square's edge
        k = Clamp01(k);
        img.Set(x, y, {1, 1, 1}, k);
        float* p = img.At(x, y);
        p[0] = p[1] = p[2] = Clamp01(k * 1.2f);
    });
    return img;
}

// Particle sprites: light on black (drawn additively), alpha equal to the brightness.
Image MakeSprite(int kind)
{
    Image img(256, 256);
    ForEach(img, [&](int x, int y, float u, float v) {
        float dx = (u - 0.5f) * 2, dy = (v - 0.5f) * 2;
        float d = std::sqrt(dx * dx + dy * dy), a = std::atan2(dy, dx);
        float k = 0;
        Rgb c = {1, 1, 1};
        switch (kind) {
        case 0: k = std::exp(-d * d * 60) + 0.25f * std::exp(-d * d * 10); break;  // mote
        case 1: {                                                                 // spark: star
            float star = std::pow(0.5f + 0.5f * std::cos(a * 4), 40.f) * std::exp(-d * 4);
            k = std::exp(-d * d * 200) + star * 0.8f + 0.1f * std::exp(-d * d * 20);
            break;
        }
        default: {  // ember: small hot core with a warm halo
            k = std::exp(-d * d * 120) + 0.2f * std::exp(-d * d * 15);
            c = Mix(Rgb{1, 1, 1}, kAmber, SmoothStep(0.f, 0.4f, d));
            break;
        }
        }
        k *= SmoothStep(1.f, 0.9f, d);
        k = Clamp01(k);
        img.Set(x, y, c * k, k);
    });
    return img;
}

std::vector<Picture> BuildList()
{
    using F = PicFormat;
    std::vector<Picture> v;
    auto add = [&](std::string path, int w, int h, F f, std::function<Image()> make) {
        v.push_back({std::move(path), w, h, f, std::move(make)});
    };
    add("Textures/empty.jpg", 256, 256, F::Jpeg, [] { return Black(256, 256); });
    add("Textures/qrnm.jpg", 512, 512, F::Jpeg, MakeQrnm);
    add("Textures/qrbm.bmp", 256, 256, F::Bmp24, MakeQrbm);
    add("Textures/bmenv.jpg", 256, 256, F::Jpeg, MakeBmenv);
    add("Textures/bg2.png", 512, 512, F::PngRgba, MakeBg2);
    add("Textures/alven.jpg", 1024, 1024, F::Jpeg, [] { return MakeVista(401, false); });
    add("Textures/alven2.jpg", 1024, 1024, F::Jpeg, [] { return MakeVista(411, true); });
    add("Textures/env.jpg", 512, 512, F::Jpeg, MakeEnv);
    add("Textures/env2.jpg", 512, 512, F::Jpeg, MakeEnv2);
    add("Textures/env3.jpg", 512, 512, F::Jpeg, MakeEnv3);
    add("Textures/envnr.jpg", 512, 512, F::Jpeg, MakeEnvNr);
    add("Textures/bg.jpg", 1024, 1024, F::Jpeg, MakeBg);
    add("Textures/og1.png", 1024, 1024, F::PngRgba, [] { return MakeFrame(FrameKind::Figures, false); });
    add("Textures/og2.png", 1024, 1024, F::PngRgba, [] { return MakeFrame(FrameKind::Cave, false); });
    add("Textures/name.png", 512, 256, F::PngRgba, [] {
        return MakeTitle("QUILLRAND", 512, 256, 1.f, kAmber, kOrange, kOrange, fonts::kLiberationBold, 6.f);
    });
    add("Textures/s6over.jpg", 512, 512, F::Jpeg, MakeS6Over);
    add("Textures/back_s3.jpg", 512, 256, F::Jpeg, MakeBackS3);
    add("Textures/logo.png", 512, 256, F::PngRgba, MakeLogoPng);
    add("Textures/1.jpg", 512, 512, F::Jpeg, [] { return MakeNumeral(1); });
    add("Textures/2.jpg", 512, 512, F::Jpeg, [] { return MakeNumeral(2); });
    add("Textures/3.jpg", 512, 512, F::Jpeg, [] { return MakeNumeral(3); });
    add("Textures/frame.jpg", 512, 512, F::Jpeg, MakeFrameJpg);
    add("Textures/boxtex.jpg", 256, 256, F::Jpeg,
        [] { return MakePanel(256, Hex(0x3a4a90), kCyan, kAmber, 131); });
    add("Textures/s7cube.jpg", 512, 512, F::Jpeg,
        [] { return MakePanel(512, Hex(0x2a1a5a), Hex(0x8070ff), kOrange, 141); });
    const char* roles[][2] = {{"2d", "2d"}, {"3d", "3d"}, {"cod", "code"}, {"design", "design"},
                              {"gfx", "gfx"}, {"music", "music"}, {"script", "script"}};
    for (auto& r : roles) {
        std::string text = r[1];
        add(std::string("Textures/") + r[0] + ".png", 512, 256, F::PngRgba, [text] { return MakeRole(text); });
    }
    for (const char* h : {"ka", "lu", "mo", "ne", "ri", "su", "vo"}) {
        std::string text = h;
        add(std::string("Textures/") + h + ".png", 512, 256, F::PngRgba, [text] { return MakeHandle(text); });
    }
    const char* groups[] = {"Noctula", "Ferrowisp", "Glasmyr", "Tessaract Nine",
                            "Polar Orchard", "Kilncipher", "Umbral Lathe", "Velvetmoth"};
    for (int i = 0; i < 8; ++i) {
        std::string g = groups[i];
        add("Textures/g" + std::to_string(i + 1) + ".png", 512, 512, F::PngRgba,
            [g, i] { return MakeGreeting(g, 500 + i); });
    }
    for (int i = 1; i <= 4; ++i)
        add("Textures/lf" + std::to_string(i) + ".png", 256, 256, F::PngRgba, [i] { return MakeFlare(i); });
    add("Textures/Image1.png", 1024, 1024, F::PngRgb, [] { return MakeFrame(FrameKind::Countdown, true); });
    add("Textures/Image2.png", 1024, 1024, F::PngRgb, [] { return MakeFrame(FrameKind::Scanner, true); });
    add("Textures/Image3.png", 1024, 1024, F::PngRgb, [] { return MakeFrame(FrameKind::Credits, true); });
    // Textures of the particle scripts and of the cave mesh.
    add("Textures/mote.png", 256, 256, F::PngRgba, [] { return MakeSprite(0); });
    add("Textures/spark.png", 256, 256, F::PngRgba, [] { return MakeSprite(1); });
    add("Textures/ember.png", 256, 256, F::PngRgba, [] { return MakeSprite(3); });
    add("Textures/rock.jpg", 512, 512, F::Jpeg, MakeRock);
    return v;
}

}  // namespace

const std::vector<Picture>& AllPictures()
{
    static const std::vector<Picture> list = BuildList();
    return list;
}

bool WritePicture(const std::string& root, const Picture& pic, const Image& img)
{
    std::string path = root + "/" + pic.path;
    if (img.w != pic.w || img.h != pic.h) {
        std::fprintf(stderr, "contentgen: %s has size %dx%d, expected %dx%d\n", pic.path.c_str(), img.w, img.h,
                     pic.w, pic.h);
        return false;
    }
    switch (pic.format) {
    case PicFormat::Jpeg: return WriteJpeg(path, img);
    case PicFormat::PngRgb: return WritePng(path, img, false);
    case PicFormat::PngRgba: return WritePng(path, img, true);
    case PicFormat::Bmp24: return WriteBmp24(path, img);
    }
    return false;
}

}  // namespace cg
