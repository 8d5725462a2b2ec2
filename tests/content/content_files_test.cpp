// Every file of the asset manifest exists after the build, and nothing else; every picture
// decodes with the standard libraries in the kind the manifest names, and suits the way its
// scene draws it.
#include "decode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

namespace {

namespace fs = std::filesystem;

using assets::Kind;

bool IsPicture(Kind kind) { return kind == Kind::Jpeg || kind == Kind::Bmp || kind == Kind::PngRgb || kind == Kind::PngRgba; }

// Every file of the manifest, each once.
std::vector<assets::Asset> ManifestFiles()
{
    std::vector<assets::Asset> files;
    assets::ForEachFile([&](const assets::Asset& a, assets::Need) { files.push_back(a); });
    return files;
}

std::vector<assets::Asset> ManifestPictures()
{
    std::vector<assets::Asset> pictures;
    for (const assets::Asset& a : ManifestFiles())
        if (IsPicture(a.kind)) pictures.push_back(a);
    return pictures;
}

Decoded Load(const std::string& rel, Kind kind) { return DecodePicture(rel, kind); }

bool PowerOfTwoTextureSize(int v) { return v >= 256 && v <= 1024 && (v & (v - 1)) == 0; }

// The generated folders hold the files of the manifest, and nothing else: a file the
// generators make that no loader names, or one the manifest names that nothing makes, fails.
TEST(ContentFiles, TheGeneratedFoldersHoldExactlyTheManifestFiles)
{
    std::set<std::string> listed, found;
    for (const assets::Asset& a : ManifestFiles()) listed.insert(a.path);
    for (const char* folder : {"Textures", "Data", "data"})
        for (const auto& entry : fs::recursive_directory_iterator(ContentDir() + "/" + folder))
            if (!entry.is_directory()) found.insert(fs::relative(entry.path(), ContentDir()).string());
    EXPECT_EQ(found, listed);
}

TEST(ContentPictures, EveryManifestPictureDecodesInItsFormatWithAPowerOfTwoSize)
{
    for (const assets::Asset& e : ManifestPictures()) {
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
    for (const assets::Asset& e : ManifestPictures()) {
        if (e.kind != Kind::PngRgba || std::string(e.path) == assets::kBumpAlpha.path) continue;
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
    for (const assets::Asset& image : assets::kColourKeyedImages) {
        SCOPED_TRACE(image.path);
        Decoded d = Load(image.path, image.kind);
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
    for (const assets::Asset& flare : assets::kFlareTextures) {
        SCOPED_TRACE(flare.path);
        Decoded d = Load(flare.path, flare.kind);
        ASSERT_EQ(d.error, "");
        for (int i = 0; i < d.w; ++i) {
            EXPECT_EQ(d.At(i, 0)[3], 0);
            EXPECT_EQ(d.At(0, i)[3], 0);
        }
    }
}

// The scripts are checked by the script compiler's own tests; here: every script of the
// manifest is in place, is a particle system and names textures of the manifest that decode.
TEST(ContentScripts, EveryScriptIsInPlaceAndItsTexturesAreManifestPicturesThatDecode)
{
    for (const assets::Asset& script : assets::kParticleScripts) {
        SCOPED_TRACE(script.path);
        std::ifstream f(ContentDir() + "/" + script.path);
        ASSERT_TRUE(f.good());
        std::stringstream ss;
        ss << f.rdbuf();
        std::string text = ss.str();
        EXPECT_NE(text.find("ParticleSystem \""), std::string::npos);
        EXPECT_EQ(std::count(text.begin(), text.end(), '{'), std::count(text.begin(), text.end(), '}'));
        std::regex tex("Texture = \"([^\"]+)\"");
        int textures = 0;
        for (auto it = std::sregex_iterator(text.begin(), text.end(), tex); it != std::sregex_iterator(); ++it) {
            const std::string file = (*it)[1];
            const assets::Asset* listed = assets::Find(file);
            ASSERT_NE(listed, nullptr) << file << " is not in the asset manifest";
            EXPECT_EQ(Load(file, listed->kind).error, "") << file;
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
    for (const assets::Asset& script : assets::kParticleScripts) {
        std::ifstream f(ContentDir() + "/" + script.path);
        std::stringstream ss;
        ss << f.rdbuf();
        const std::string text = ss.str();
        size_t at = text.find("EventSequence");
        while (at != std::string::npos) {
            const size_t next = text.find("EventSequence", at + 1);
            const std::string sequence = text.substr(at, next == std::string::npos ? std::string::npos : next - at);
            SCOPED_TRACE(std::string(script.path) + ": " + sequence.substr(0, sequence.find('\n')));
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
