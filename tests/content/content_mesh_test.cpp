// The meshes: each `.x` file parses with consistent counts, names textures that exist,
// keeps a modest triangle count, faces the right way, has the size its scene expects,
// and the cave holds every camera of the cave flight.
#include "decode.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <fstream>
#include <sstream>

namespace {

struct V3 {
    double x, y, z;
};
V3 operator-(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
V3 Cross(V3 a, V3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double Dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

struct XMesh {
    std::string error;
    std::vector<V3> pos, normals;
    std::vector<unsigned> tris;
    size_t texCoords = 0;
    std::vector<unsigned> faceMaterial;
    size_t materials = 0;
    std::vector<std::string> textures;
    std::vector<double> alphas;
};

// Reads the text `.x` layout our generator writes: separators ';' and ',' are blanks.
XMesh ParseX(const std::string& path)
{
    XMesh m;
    std::ifstream f(path, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    std::string text = ss.str();
    if (text.compare(0, 16, "xof 0303txt 0032") != 0) {
        m.error = "bad header";
        return m;
    }
    std::vector<std::string> tok;
    for (size_t i = 16; i < text.size();) {
        char c = text[i];
        if (std::isspace(static_cast<unsigned char>(c)) || c == ';' || c == ',') { ++i; continue; }
        if (c == '{' || c == '}') { tok.emplace_back(1, c); ++i; continue; }
        if (c == '"') {
            size_t e = text.find('"', i + 1);
            tok.push_back(text.substr(i, e - i + 1));
            i = e + 1;
            continue;
        }
        size_t e = i;
        while (e < text.size() && !std::isspace(static_cast<unsigned char>(text[e])) && text[e] != ';' && text[e] != ',' &&
               text[e] != '{' && text[e] != '}')
            ++e;
        tok.push_back(text.substr(i, e - i));
        i = e;
    }
    size_t at = 0;
    auto find = [&](const std::string& word) {
        while (at < tok.size() && tok[at] != word) ++at;
        if (at < tok.size()) ++at;
        while (at < tok.size() && tok[at] != "{") ++at;
        ++at;
        return at <= tok.size();
    };
    auto num = [&]() { return at < tok.size() ? std::stod(tok[at++]) : 0.0; };
    if (!find("Mesh")) { m.error = "no Mesh"; return m; }
    size_t nv = size_t(num());
    for (size_t i = 0; i < nv; ++i) m.pos.push_back({num(), num(), num()});
    size_t nf = size_t(num());
    for (size_t i = 0; i < nf; ++i) {
        if (num() != 3) { m.error = "face is not a triangle"; return m; }
        for (int k = 0; k < 3; ++k) m.tris.push_back(unsigned(num()));
    }
    if (!find("MeshNormals")) { m.error = "no normals"; return m; }
    size_t nn = size_t(num());
    for (size_t i = 0; i < nn; ++i) m.normals.push_back({num(), num(), num()});
    if (!find("MeshTextureCoords")) { m.error = "no texture coordinates"; return m; }
    m.texCoords = size_t(num());
    at += m.texCoords * 2;
    if (!find("MeshMaterialList")) { m.error = "no material list"; return m; }
    m.materials = size_t(num());
    size_t ni = size_t(num());
    for (size_t i = 0; i < ni; ++i) m.faceMaterial.push_back(unsigned(num()));
    for (size_t k = 0; k < m.materials; ++k) {
        if (!find("Material")) { m.error = "missing material"; return m; }
        num(); num(); num();
        m.alphas.push_back(num());
        at += 7;
        if (at < tok.size() && tok[at] == "TextureFilename") {
            at += 2;
            std::string name = tok[at];
            m.textures.push_back(name.substr(1, name.size() - 2));
        }
    }
    return m;
}

XMesh Load(const std::string& name) { return ParseX(ContentDir() + "/Data/" + name + ".x"); }
XMesh Load(const assets::Asset& file) { return ParseX(ContentDir() + "/" + file.path); }

double SignedVolume(const XMesh& m)
{
    double v = 0;
    for (size_t i = 0; i < m.tris.size(); i += 3) v += Dot(m.pos[m.tris[i]], Cross(m.pos[m.tris[i + 1]], m.pos[m.tris[i + 2]]));
    return v / 6;
}

void Bounds(const XMesh& m, V3& lo, V3& hi)
{
    lo = {1e9, 1e9, 1e9};
    hi = {-1e9, -1e9, -1e9};
    for (const V3& p : m.pos) {
        lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
        hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
    }
}

TEST(ContentMeshes, EveryMeshParsesWithConsistentCountsAndTexturesOfTheManifest)
{
    size_t total = 0;
    for (const assets::Asset& file : assets::kMeshes) {
        SCOPED_TRACE(file.path);
        XMesh m = Load(file);
        ASSERT_EQ(m.error, "");
        ASSERT_FALSE(m.pos.empty());
        EXPECT_EQ(m.normals.size(), m.pos.size());
        EXPECT_EQ(m.texCoords, m.pos.size());
        EXPECT_EQ(m.faceMaterial.size() * 3, m.tris.size());
        EXPECT_GE(m.materials, 1u);
        for (const V3& p : m.pos) ASSERT_TRUE(std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z));
        for (unsigned i : m.tris) ASSERT_LT(i, m.pos.size());
        for (unsigned i : m.faceMaterial) ASSERT_LT(i, m.materials);
        for (const V3& n : m.normals) ASSERT_NEAR(Dot(n, n), 1.0, 1e-3);
        for (const std::string& t : m.textures) {
            const assets::Asset* listed = assets::Find(t);
            ASSERT_NE(listed, nullptr) << t << " is not in the asset manifest";
            EXPECT_EQ(DecodePicture(t, listed->kind).error, "") << t;
        }
        total += m.tris.size() / 3;
    }
    EXPECT_LT(total, 60000u);
}

TEST(ContentMeshes, TriangleCountsStayModest)
{
    // The grid draws 392 copies of objfaen.
    EXPECT_LE(Load("objfaen").tris.size() / 3, 500u);
    for (const assets::Asset& file : assets::kMeshes) EXPECT_LE(Load(file).tris.size() / 3, 20000u) << file.path;
}

TEST(ContentMeshes, SolidsFaceOutwardsAndRoomsInwards)
{
    for (const char* name : {"one", "two", "three", "four", "five", "logo", "fem", "alien", "shape", "objfaen",
                             "squidlikething", "saklig", "halo"})
        EXPECT_GT(SignedVolume(Load(name)), 0) << name;
    EXPECT_LT(SignedVolume(Load("boxy")), 0);
    EXPECT_LT(SignedVolume(Load("cave")), 0);
}

TEST(ContentMeshes, SizesFitTheSceneTransforms)
{
    struct Size {
        const char* name;
        double minExtent, maxExtent;  // largest bounding-box side, mesh units
    };
    // Numerals at scale 9 fill a third of the count-down view; shapes at scale 6 stand
    // 40 units away; the figures at scale 2 stand 5 to 10 units away; objfaen at
    // scale 0.15 to 0.2 sits on a grid of unit spacing.
    const Size sizes[] = {{"one", 1.0, 1.5},  {"five", 1.0, 1.5},  {"shape", 5, 8},      {"saklig", 6, 9},
                          {"fem", 1.6, 2.4},  {"alien", 1.2, 2.0}, {"objfaen", 1.6, 2.4}, {"logo", 8, 11},
                          {"boxy", 4.9, 5.1}, {"halo", 1.6, 2.4},  {"squidlikething", 3, 6}};
    for (const Size& s : sizes) {
        V3 lo, hi;
        Bounds(Load(s.name), lo, hi);
        double ext = std::max({hi.x - lo.x, hi.y - lo.y, hi.z - lo.z});
        EXPECT_GE(ext, s.minExtent) << s.name;
        EXPECT_LE(ext, s.maxExtent) << s.name;
    }
}

TEST(ContentMeshes, HaloHasAnOpaqueAndATranslucentSubset)
{
    XMesh m = Load("halo");
    bool opaque = false, translucent = false;
    for (double a : m.alphas) (a >= 1.0 ? opaque : translucent) = true;
    EXPECT_TRUE(opaque);
    EXPECT_TRUE(translucent);
}

// Ray-cast parity: a point is inside a closed mesh when a ray from it crosses the
// surface an odd number of times.
bool Inside(const XMesh& m, V3 p, double scale)
{
    const V3 dir = {0.3127, 0.5431, 0.7795};
    int hits = 0;
    for (size_t i = 0; i < m.tris.size(); i += 3) {
        V3 a = m.pos[m.tris[i]], b = m.pos[m.tris[i + 1]], c = m.pos[m.tris[i + 2]];
        a = {a.x * scale, a.y * scale, a.z * scale};
        b = {b.x * scale, b.y * scale, b.z * scale};
        c = {c.x * scale, c.y * scale, c.z * scale};
        V3 e1 = b - a, e2 = c - a, h = Cross(dir, e2);
        double det = Dot(e1, h);
        if (std::fabs(det) < 1e-12) continue;
        V3 s = p - a;
        double u = Dot(s, h) / det;
        if (u < 0 || u > 1) continue;
        V3 q = Cross(s, e1);
        double v = Dot(dir, q) / det;
        if (v < 0 || u + v > 1) continue;
        if (Dot(e2, q) / det > 0) ++hits;
    }
    return hits % 2 == 1;
}

// Only the hall (material 0), not the pillars inside it.
XMesh CaveHall()
{
    XMesh m = Load("cave");
    XMesh hall = m;
    hall.tris.clear();
    for (size_t t = 0; t < m.faceMaterial.size(); ++t)
        if (m.faceMaterial[t] == 0) hall.tris.insert(hall.tris.end(), {m.tris[t * 3], m.tris[t * 3 + 1], m.tris[t * 3 + 2]});
    return hall;
}

TEST(ContentMeshes, CaveHoldsEveryEyeTargetAndLightOfTheFlightAtScale15)
{
    XMesh cave = Load("cave");
    ASSERT_EQ(cave.error, "");
    XMesh hall = CaveHall();
    // Eight paths of 3.375 s each; path 7 lasts to the end of the scene (26 s in all).
    auto check = [&](int path, double c) {
        double s = std::sin(c), co = std::cos(c);
        V3 eye{}, target{}, light{};
        switch (path) {
        case 0: eye = {0, 20, 10 - 20 * c}; target = {5, 15, 5 * c - 100}; light = {0, 15, 10 - 3 * c}; break;
        case 1: case 6: eye = {-10, 20, 5 * c - 80}; target = {5, 14, 5 * c - 85}; light = {0, 15, 10 - 3 * c}; break;
        case 2: eye = {0, 20, -110}; target = {-41, 15, 200}; light = {0, 15, 10 - 3 * c}; break;
        case 3: case 7: eye = {-c, 20, 2.5 * c - 110}; target = {-100, 15, 200}; light = {-120, 15, -110}; break;
        case 4: eye = {20 * s, 20, 2.5 * c - 110}; target = {-100 * s, 15, 200 * co}; light = {-120, 15, -110}; break;
        default: eye = {20 * s, 5 * std::sin(c / 3) + 10, 3 * c - 110}; target = {-50 * s, 30, 10 * co}; light = {-120, 15, -110}; break;
        }
        EXPECT_TRUE(Inside(cave, eye, 1.5)) << "eye of path " << path << " at c = " << c;
        EXPECT_TRUE(Inside(hall, target, 1.5)) << "target of path " << path << " at c = " << c;
        EXPECT_TRUE(Inside(hall, light, 1.5)) << "light of path " << path << " at c = " << c;
    };
    for (int path = 0; path < 8; ++path) {
        double c0 = path * 3.375, c1 = path == 7 ? 26.0 : c0 + 3.375;
        for (double c = c0; c <= c1 + 1e-9; c += 0.125) check(path, c);
    }
    // The particle emitter of the cave stands inside too.
    EXPECT_TRUE(Inside(cave, {0, 10, -90}, 1.5));
}

}  // namespace
