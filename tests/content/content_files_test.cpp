// Every picture the production loads exists after the build, decodes with the standard
// libraries in the format its extension names, and suits the way its scene draws it.
#include "decode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <regex>
#include <sstream>

namespace {

enum class Kind { Jpeg, PngRgb, PngRgba, Bmp };

struct Expected {
    const char* path;
    Kind kind;
};

// The textures of the asset manifest, with the format each is loaded as.
const Expected kManifest[] = {
    {"Textures/empty.jpg", Kind::Jpeg},   {"Textures/qrnm.jpg", Kind::Jpeg},    {"Textures/qrbm.bmp", Kind::Bmp},
    {"Textures/bmenv.jpg", Kind::Jpeg},   {"Textures/bg2.png", Kind::PngRgba},  {"Textures/alven.jpg", Kind::Jpeg},
    {"Textures/alven2.jpg", Kind::Jpeg},  {"Textures/env.jpg", Kind::Jpeg},     {"Textures/env2.jpg", Kind::Jpeg},
    {"Textures/bg.jpg", Kind::Jpeg},      {"Textures/og1.png", Kind::PngRgba},  {"Textures/og2.png", Kind::PngRgba},
    {"Textures/name.png", Kind::PngRgba}, {"Textures/s6over.jpg", Kind::Jpeg},  {"Textures/back_s3.jpg", Kind::Jpeg},
    {"Textures/env3.jpg", Kind::Jpeg},    {"Textures/logo.png", Kind::PngRgba}, {"Textures/envnr.jpg", Kind::Jpeg},
    {"Textures/1.jpg", Kind::Jpeg},       {"Textures/2.jpg", Kind::Jpeg},       {"Textures/3.jpg", Kind::Jpeg},
    {"Textures/frame.jpg", Kind::Jpeg},   {"Textures/boxtex.jpg", Kind::Jpeg},  {"Textures/s7cube.jpg", Kind::Jpeg},
    {"Textures/2d.png", Kind::PngRgba},   {"Textures/3d.png", Kind::PngRgba},   {"Textures/ka.png", Kind::PngRgba},
    {"Textures/lu.png", Kind::PngRgba},   {"Textures/cod.png", Kind::PngRgba},  {"Textures/mo.png", Kind::PngRgba},
    {"Textures/design.png", Kind::PngRgba}, {"Textures/gfx.png", Kind::PngRgba}, {"Textures/ne.png", Kind::PngRgba},
    {"Textures/music.png", Kind::PngRgba}, {"Textures/script.png", Kind::PngRgba}, {"Textures/ri.png", Kind::PngRgba},
    {"Textures/su.png", Kind::PngRgba},   {"Textures/vo.png", Kind::PngRgba},   {"Textures/g1.png", Kind::PngRgba},
    {"Textures/g2.png", Kind::PngRgba},   {"Textures/g3.png", Kind::PngRgba},   {"Textures/g4.png", Kind::PngRgba},
    {"Textures/g5.png", Kind::PngRgba},   {"Textures/g6.png", Kind::PngRgba},   {"Textures/g7.png", Kind::PngRgba},
    {"Textures/g8.png", Kind::PngRgba},   {"Textures/lf1.png", Kind::PngRgba},  {"Textures/lf2.png", Kind::PngRgba},
    {"Textures/lf3.png", Kind::PngRgba},  {"Textures/lf4.png", Kind::PngRgba},  {"Textures/Image1.png", Kind::PngRgb},
    {"Textures/Image2.png", Kind::PngRgb}, {"Textures/Image3.png", Kind::PngRgb},
};

Decoded Load(const std::string& rel, Kind kind)
{
    std::string path = ContentDir() + "/" + rel;
    switch (kind) {
    case Kind::Jpeg: return DecodeJpeg(path);
    case Kind::Bmp: return DecodeBmp(path);
    default: return DecodePng(path);
    }
}

bool PowerOfTwoTextureSize(int v) { return v >= 256 && v <= 1024 && (v & (v - 1)) == 0; }

TEST(ContentPictures, EveryManifestPictureDecodesInItsFormatWithAPowerOfTwoSize)
{
    for (const Expected& e : kManifest) {
        SCOPED_TRACE(e.path);
        Decoded d = Load(e.path, e.kind);
        ASSERT_EQ(d.error, "");
        EXPECT_TRUE(PowerOfTwoTextureSize(d.w)) << d.w;
        EXPECT_TRUE(PowerOfTwoTextureSize(d.h)) << d.h;
        if (e.kind == Kind::PngRgba) {
            EXPECT_EQ(d.channels, 4);
        } else if (e.kind == Kind::PngRgb) {
            EXPECT_EQ(d.channels, 3);
        } else if (e.kind == Kind::Jpeg) {
            EXPECT_TRUE(IsBaselineJpeg(ContentDir() + "/" + e.path));
        }
    }
}

TEST(ContentPictures, PicturesDrawnWithTheirOwnAlphaAreTransparentAroundOpaqueInk)
{
    for (const Expected& e : kManifest) {
        if (e.kind != Kind::PngRgba || std::string(e.path) == "Textures/bg2.png") continue;
        SCOPED_TRACE(e.path);
        Decoded d = Load(e.path, e.kind);
        ASSERT_EQ(d.error, "");
        uint8_t lo = 255, hi = 0;
        for (size_t i = 3; i < d.rgba.size(); i += 4) {
            lo = std::min(lo, d.rgba[i]);
            hi = std::max(hi, d.rgba[i]);
        }
        EXPECT_EQ(lo, 0);
        EXPECT_GE(hi, 200);
        const std::string path = e.path;
        if (path == "Textures/og1.png" || path == "Textures/og2.png") {
            // Full-screen frames: opaque border, clear middle.
            EXPECT_EQ(d.At(d.w / 2, d.h / 2)[3], 0);
            EXPECT_GT(d.At(0, 0)[3], 200);
        } else {
            // Corners clear, so nothing shows at the quad's edge.
            EXPECT_LT(d.At(0, 0)[3], 40);
            EXPECT_LT(d.At(d.w - 1, d.h - 1)[3], 40);
        }
    }
}

TEST(ContentPictures, ColourKeyedFramesHaveAnExactKeyColouredMiddleAndAFrameAround)
{
    for (const char* name : {"Textures/Image1.png", "Textures/Image2.png", "Textures/Image3.png"}) {
        SCOPED_TRACE(name);
        Decoded d = Load(name, Kind::PngRgb);
        ASSERT_EQ(d.error, "");
        auto isKey = [](const uint8_t* p) { return p[0] == 0 && p[1] == 64 && p[2] == 64; };
        EXPECT_TRUE(isKey(d.At(d.w / 2, d.h / 2)));
        for (auto [x, y] : {std::pair{0, 0}, {d.w - 1, 0}, {0, d.h - 1}, {d.w - 1, d.h - 1}, {d.w / 2, 2}})
            EXPECT_FALSE(isKey(d.At(x, y))) << x << "," << y;
        size_t keyed = 0, near = 0;
        for (int y = 0; y < d.h; ++y)
            for (int x = 0; x < d.w; ++x) {
                const uint8_t* p = d.At(x, y);
                if (isKey(p)) ++keyed;
                // Colours a step away from the key would show as a teal fringe.
                else if (std::abs(p[0] - 0) <= 2 && std::abs(p[1] - 64) <= 1 && std::abs(p[2] - 64) <= 1) ++near;
            }
        double share = double(keyed) / (double(d.w) * d.h);
        EXPECT_GT(share, 0.4);
        EXPECT_LT(share, 0.9);
        EXPECT_EQ(near, 0u);
    }
}

TEST(ContentPictures, FadeBaseIsBlack)
{
    Decoded d = Load("Textures/empty.jpg", Kind::Jpeg);
    ASSERT_EQ(d.error, "");
    for (size_t i = 0; i < d.rgba.size(); i += 4) ASSERT_LE(std::max({d.rgba[i], d.rgba[i + 1], d.rgba[i + 2]}), 2);
}

TEST(ContentPictures, BumpSourceIsAnUncompressedBitmapWithAHeightFieldInBlue)
{
    std::vector<uint8_t> raw = ReadAll(ContentDir() + "/Textures/qrbm.bmp");
    ASSERT_GE(raw.size(), 54u);
    EXPECT_EQ(raw[30], 0);  // BI_RGB
    Decoded d = DecodeBmp(ContentDir() + "/Textures/qrbm.bmp");
    ASSERT_EQ(d.error, "");
    uint8_t lo = 255, hi = 0;
    for (size_t i = 2; i < d.rgba.size(); i += 4) {
        lo = std::min(lo, d.rgba[i]);
        hi = std::max(hi, d.rgba[i]);
    }
    EXPECT_GT(hi - lo, 120);
}

TEST(ContentPictures, FlareSpotsFadeToNothingAtTheirEdges)
{
    for (const char* name : {"Textures/lf1.png", "Textures/lf2.png", "Textures/lf3.png", "Textures/lf4.png"}) {
        SCOPED_TRACE(name);
        Decoded d = Load(name, Kind::PngRgba);
        ASSERT_EQ(d.error, "");
        for (int i = 0; i < d.w; ++i) {
            EXPECT_EQ(d.At(i, 0)[3], 0);
            EXPECT_EQ(d.At(0, i)[3], 0);
        }
    }
}

// The scripts are checked by the script compiler's own tests; here: every script of the
// manifest is in place, is a particle system and names textures that exist and decode.
TEST(ContentScripts, EveryScriptIsInPlaceAndItsTexturesDecode)
{
    for (const char* name : {"tunnel", "cdown", "alven", "darkelf", "cave"}) {
        SCOPED_TRACE(name);
        std::ifstream f(ContentDir() + "/data/" + name + ".dps");
        ASSERT_TRUE(f.good());
        std::stringstream ss;
        ss << f.rdbuf();
        std::string text = ss.str();
        EXPECT_NE(text.find("ParticleSystem \""), std::string::npos);
        EXPECT_EQ(std::count(text.begin(), text.end(), '{'), std::count(text.begin(), text.end(), '}'));
        std::regex tex("Texture = \"([^\"]+)\"");
        int textures = 0;
        for (auto it = std::sregex_iterator(text.begin(), text.end(), tex); it != std::sregex_iterator(); ++it) {
            std::string file = (*it)[1];
            Decoded d = DecodePng(ContentDir() + "/" + file);
            EXPECT_EQ(d.error, "") << file;
            ++textures;
        }
        EXPECT_GT(textures, 0);
    }
}

// Lifetimes are random between two bounds while "final" is the longest one: an alpha fade
// that ends at "final" leaves short-lived particles visible when they vanish. Every sequence
// must reach alpha 0 no later than its shortest lifetime and stay there.
TEST(ContentScripts, EveryParticleFadesOutBeforeItDies)
{
    const std::regex lifetime(R"(Lifetime = (?:Random\(\s*([0-9.]+)\s*,\s*([0-9.]+)\s*\)|([0-9.]+)))");
    const std::regex alphaFade(R"(fade so (final|at ([0-9.]+)) Alpha = ([0-9.]+))");
    for (const char* name : {"tunnel", "cdown", "alven", "darkelf", "cave"}) {
        std::ifstream f(ContentDir() + "/data/" + name + ".dps");
        std::stringstream ss;
        ss << f.rdbuf();
        const std::string text = ss.str();
        size_t at = text.find("EventSequence");
        while (at != std::string::npos) {
            const size_t next = text.find("EventSequence", at + 1);
            const std::string sequence = text.substr(at, next == std::string::npos ? std::string::npos : next - at);
            SCOPED_TRACE(std::string(name) + ": " + sequence.substr(0, sequence.find('\n')));
            std::smatch life;
            ASSERT_TRUE(std::regex_search(sequence, life, lifetime));
            const double shortest = std::stod(life[3].matched ? life[3].str() : life[1].str());
            const bool fixed = life[3].matched || life[1].str() == life[2].str();
            double zeroFrom = -1;  // when alpha has reached 0 for good, -1 while it has not
            for (auto it = std::sregex_iterator(sequence.begin(), sequence.end(), alphaFade); it != std::sregex_iterator();
                 ++it) {
                const bool final = (*it)[1] == "final";
                const double when = final ? (fixed ? shortest : 1e9) : std::stod((*it)[2]);
                zeroFrom = std::stod((*it)[3]) == 0.0 ? when : -1;
            }
            EXPECT_GE(zeroFrom, 0.0) << "alpha does not end at 0";
            EXPECT_LE(zeroFrom, shortest) << "alpha reaches 0 only after the shortest lifetime";
            at = next;
        }
    }
}

}  // namespace
