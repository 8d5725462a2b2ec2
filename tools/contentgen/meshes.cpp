// Procedural meshes: surfaces are built as parts (parametric grids, swept tubes,
// bevelled strokes), each part oriented so that its normals face outwards (or inwards
// for rooms and the cave) and given smooth or flat normals, then collected into one
// mesh with a material per part.
#include "meshes.h"

#include "common.h"
#include "image_io.h"

#include <cmath>
#include <cstdio>
#include <map>
#include <tuple>

namespace cg {

Vec3 Normalize(Vec3 v)
{
    float l = std::sqrt(Dot(v, v));
    return l > 1e-12f ? v * (1.f / l) : Vec3{0, 1, 0};
}

namespace {

// One piece of geometry before it joins a mesh.
struct Part {
    std::vector<Vertex> verts;
    std::vector<unsigned> tris;

    unsigned Add(Vec3 p, float u = 0, float v = 0)
    {
        verts.push_back({p, {}, u, v});
        return unsigned(verts.size() - 1);
    }
    void Tri(unsigned a, unsigned b, unsigned c) { tris.insert(tris.end(), {a, b, c}); }
    void Quad(unsigned a, unsigned b, unsigned c, unsigned d)
    {
        Tri(a, b, c);
        Tri(a, c, d);
    }
};

// Signed volume of a closed part: positive when its faces point outwards.
float SignedVolume(const Part& p)
{
    double v = 0;
    for (size_t i = 0; i < p.tris.size(); i += 3) {
        Vec3 a = p.verts[p.tris[i]].p, b = p.verts[p.tris[i + 1]].p, c = p.verts[p.tris[i + 2]].p;
        v += Dot(a, Cross(b, c));
    }
    return float(v / 6);
}

void FlipFaces(Part& p)
{
    for (size_t i = 0; i < p.tris.size(); i += 3) std::swap(p.tris[i + 1], p.tris[i + 2]);
}

// Smooth normals: area-weighted face normals summed over all vertices at the same place.
void SmoothNormals(Part& p)
{
    std::map<std::tuple<long, long, long>, Vec3> acc;
    auto key = [](Vec3 v) {
        return std::make_tuple(std::lround(v.x * 1e4), std::lround(v.y * 1e4), std::lround(v.z * 1e4));
    };
    for (size_t i = 0; i < p.tris.size(); i += 3) {
        Vec3 a = p.verts[p.tris[i]].p, b = p.verts[p.tris[i + 1]].p, c = p.verts[p.tris[i + 2]].p;
        Vec3 n = Cross(b - a, c - a);
        for (int k = 0; k < 3; ++k) {
            Vec3& s = acc[key(p.verts[p.tris[i + k]].p)];
            s = s + n;
        }
    }
    for (Vertex& v : p.verts) v.n = Normalize(acc[key(v.p)]);
}

// Flat normals: every triangle gets its own three vertices.
void FlatNormals(Part& p)
{
    std::vector<Vertex> verts;
    std::vector<unsigned> tris;
    for (size_t i = 0; i < p.tris.size(); i += 3) {
        Vertex a = p.verts[p.tris[i]], b = p.verts[p.tris[i + 1]], c = p.verts[p.tris[i + 2]];
        Vec3 n = Normalize(Cross(b.p - a.p, c.p - a.p));
        a.n = b.n = c.n = n;
        for (const Vertex& v : {a, b, c}) {
            tris.push_back(unsigned(verts.size()));
            verts.push_back(v);
        }
    }
    p.verts.swap(verts);
    p.tris.swap(tris);
}

enum class Facing { Out, In };
enum class Shading { Smooth, Flat };

class Builder {
public:
    unsigned AddMaterial(const Material& m)
    {
        m_mesh.materials.push_back(m);
        return unsigned(m_mesh.materials.size() - 1);
    }
    // Adds a closed part; faces are turned to point out (or in) and normals computed.
    void AddPart(Part p, unsigned material, Facing facing = Facing::Out, Shading shading = Shading::Smooth)
    {
        float vol = SignedVolume(p);
        if ((vol < 0) == (facing == Facing::Out)) FlipFaces(p);
        AddOriented(std::move(p), material, shading);
    }
    // Adds a part whose winding is already right (open surfaces).
    void AddOriented(Part p, unsigned material, Shading shading = Shading::Smooth)
    {
        if (shading == Shading::Smooth) SmoothNormals(p);
        else FlatNormals(p);
        unsigned base = unsigned(m_mesh.verts.size());
        m_mesh.verts.insert(m_mesh.verts.end(), p.verts.begin(), p.verts.end());
        for (unsigned i : p.tris) m_mesh.tris.push_back(base + i);
        m_mesh.triMat.insert(m_mesh.triMat.end(), p.tris.size() / 3, material);
    }
    // Moves every vertex so that the bounding box is centred on the origin.
    void Centre()
    {
        Vec3 lo{1e9f, 1e9f, 1e9f}, hi{-1e9f, -1e9f, -1e9f};
        for (const Vertex& v : m_mesh.verts) {
            lo = {std::min(lo.x, v.p.x), std::min(lo.y, v.p.y), std::min(lo.z, v.p.z)};
            hi = {std::max(hi.x, v.p.x), std::max(hi.y, v.p.y), std::max(hi.z, v.p.z)};
        }
        Vec3 c = (lo + hi) * 0.5f;
        for (Vertex& v : m_mesh.verts) v.p = v.p - c;
    }
    Mesh Take() { return std::move(m_mesh); }

private:
    Mesh m_mesh;
};

// Grid over (u, v) in 0..1, nu × nv cells; wrapU joins the last column to the first.
// Poles: when a whole row maps to one point the degenerate triangles are dropped.
template <class F>
Part Grid(int nu, int nv, bool wrapU, F f, float uvScaleU = 1, float uvScaleV = 1)
{
    Part p;
    int cols = nu + 1;
    for (int j = 0; j <= nv; ++j)
        for (int i = 0; i <= nu; ++i) {
            float u = float(i) / nu, v = float(j) / nv;
            p.Add(f(wrapU && i == nu ? 0.f : u, v), u * uvScaleU, v * uvScaleV);
        }
    for (int j = 0; j < nv; ++j)
        for (int i = 0; i < nu; ++i) {
            unsigned a = j * cols + i, b = a + 1, c = a + cols + 1, d = a + cols;
            auto same = [&](unsigned x, unsigned y) {
                Vec3 e = p.verts[x].p - p.verts[y].p;
                return Dot(e, e) < 1e-12f;
            };
            if (!same(a, b) && !same(b, c) && !same(a, c)) p.Tri(a, b, c);
            if (!same(a, c) && !same(c, d) && !same(a, d)) p.Tri(a, c, d);
        }
    return p;
}

// Ellipsoid with radii r around centre c.
Part Ellipsoid(Vec3 c, Vec3 r, int nu = 20, int nv = 12)
{
    return Grid(nu, nv, true, [&](float u, float v) {
        float th = u * 2 * kPi, ph = v * kPi;
        return Vec3{c.x + r.x * std::sin(ph) * std::cos(th), c.y + r.y * std::cos(ph), c.z + r.z * std::sin(ph) * std::sin(th)};
    });
}

// Tube along a path of centres with a radius per centre; ends closed with a point.
Part Tube(const std::vector<Vec3>& path, const std::vector<float>& radius, int sides, float flatten = 1.f)
{
    const int n = int(path.size());
    std::vector<Vec3> tangent(n), normal(n), binormal(n);
    for (int i = 0; i < n; ++i) {
        Vec3 a = path[std::max(i - 1, 0)], b = path[std::min(i + 1, n - 1)];
        tangent[i] = Normalize(b - a);
    }
    // Parallel transport of a frame along the path.
    Vec3 up = std::fabs(tangent[0].y) < 0.9f ? Vec3{0, 1, 0} : Vec3{1, 0, 0};
    normal[0] = Normalize(Cross(tangent[0], up));
    for (int i = 0; i < n; ++i) {
        if (i > 0) {
            Vec3 nn = normal[i - 1] - tangent[i] * Dot(normal[i - 1], tangent[i]);
            normal[i] = Normalize(nn);
        }
        binormal[i] = Cross(tangent[i], normal[i]);
    }
    Part p;
    int cols = sides + 1;
    for (int i = 0; i < n; ++i)
        for (int s = 0; s <= sides; ++s) {
            float a = float(s % sides) / sides * 2 * kPi;
            Vec3 off = normal[i] * (std::cos(a) * radius[i]) + binormal[i] * (std::sin(a) * radius[i] * flatten);
            p.Add(path[i] + off, float(s) / sides, float(i) / (n - 1));
        }
    for (int i = 0; i + 1 < n; ++i)
        for (int s = 0; s < sides; ++s) {
            unsigned a = i * cols + s, b = a + 1, c = a + cols + 1, d = a + cols;
            p.Quad(a, b, c, d);
        }
    // Caps.
    unsigned c0 = p.Add(path[0] - tangent[0] * (radius[0] * 0.5f), 0.5f, 0);
    unsigned c1 = p.Add(path[n - 1] + tangent[n - 1] * (radius[n - 1] * 0.5f), 0.5f, 1);
    for (int s = 0; s < sides; ++s) {
        p.Tri(c0, s + 1, s);
        p.Tri(c1, (n - 1) * cols + s, (n - 1) * cols + s + 1);
    }
    return p;
}

// Solid of revolution around the y axis; profile gives (radius, y) for t in 0..1 from
// top to bottom. Radii of 0 at the ends close the solid.
template <class F>
Part Lathe(Vec3 c, int sides, int rows, F profile, float squashZ = 1.f)
{
    return Grid(sides, rows, true, [&](float u, float v) {
        float r, y;
        std::tie(r, y) = profile(v);
        float th = u * 2 * kPi;
        return Vec3{c.x + r * std::cos(th), c.y + y, c.z + r * std::sin(th) * squashZ};
    });
}

// Bevelled bar from a to b (in the x-y plane), width w, depth d, chamfer ch, with its
// ends pushed out by `ext` so that joined strokes overlap.
Part Stroke(Vec3 a, Vec3 b, float w, float d, float ch, float ext)
{
    Vec3 t = Normalize(b - a);
    a = a - t * ext;
    b = b + t * ext;
    Vec3 n = {-t.y, t.x, 0};  // in-plane side
    Vec3 z = {0, 0, 1};
    float hw = w / 2, hd = d / 2;
    // Octagon of the cross-section: corners cut by ch.
    const float oct[8][2] = {{hw, hd - ch}, {hw - ch, hd}, {-hw + ch, hd}, {-hw, hd - ch},
                             {-hw, -hd + ch}, {-hw + ch, -hd}, {hw - ch, -hd}, {hw, -hd + ch}};
    Part p;
    for (int e = 0; e < 2; ++e) {
        Vec3 base = e == 0 ? a : b;
        for (int k = 0; k < 8; ++k)
            p.Add(base + n * oct[k][0] + z * oct[k][1], oct[k][0] / w + 0.5f, float(e));
    }
    for (int k = 0; k < 8; ++k) p.Quad(k, (k + 1) % 8, 8 + (k + 1) % 8, 8 + k);
    for (int k = 1; k < 7; ++k) {
        p.Tri(0, k + 1, k);
        p.Tri(8, 8 + k, 8 + k + 1);
    }
    return p;
}

void AddStrokePath(Builder& b, unsigned mat, std::vector<Vec3> pts, float w, float d, float ch, float ext)
{
    const int n = int(pts.size());
    if (n < 2) return;
    pts[0] = pts[0] - Normalize(pts[1] - pts[0]) * ext;
    pts[n - 1] = pts[n - 1] + Normalize(pts[n - 1] - pts[n - 2]) * ext;
    const float hw = w / 2, hd = d / 2;
    const float oct[8][2] = {{hw, hd - ch}, {hw - ch, hd}, {-hw + ch, hd}, {-hw, hd - ch},
                             {-hw, -hd + ch}, {-hw + ch, -hd}, {hw - ch, -hd}, {hw, -hd + ch}};
    std::vector<Vec3> side(n);
    for (int i = 0; i < n; ++i) {
        Vec3 t0 = Normalize(pts[std::min(i + 1, n - 1)] - pts[std::max(i - 1, 0)]);
        Vec3 nrm = {-t0.y, t0.x, 0};
        float k = 1.f;
        if (i > 0 && i < n - 1) {  // mitre: keep the width constant across the corner
            Vec3 ta = Normalize(pts[i] - pts[i - 1]);
            k = 1.f / std::max(0.5f, Dot(nrm, Vec3{-ta.y, ta.x, 0}));
        }
        side[i] = nrm * k;
    }
    auto ring = [&](int i, int k) { return pts[i] + side[i] * oct[k][0] + Vec3{0, 0, oct[k][1]}; };
    // Decide the winding once on the closed solid, then build the pieces with it.
    Part solid;
    for (int i = 0; i < n; ++i)
        for (int k = 0; k < 8; ++k) solid.Add(ring(i, k));
    for (int i = 0; i + 1 < n; ++i)
        for (int k = 0; k < 8; ++k) solid.Quad(i * 8 + k, i * 8 + (k + 1) % 8, (i + 1) * 8 + (k + 1) % 8, (i + 1) * 8 + k);
    for (int k = 1; k < 7; ++k) {
        solid.Tri(0, k + 1, k);
        solid.Tri((n - 1) * 8, (n - 1) * 8 + k, (n - 1) * 8 + k + 1);
    }
    const bool flip = SignedVolume(solid) < 0;
    auto emit = [&](Part& p, unsigned a, unsigned bb, unsigned c) {
        if (flip) p.Tri(a, c, bb);
        else p.Tri(a, bb, c);
    };
    float len = 0;
    std::vector<float> along(n, 0.f);
    for (int i = 1; i < n; ++i) along[i] = (len += std::sqrt(Dot(pts[i] - pts[i - 1], pts[i] - pts[i - 1])));
    for (int k = 0; k < 8; ++k) {
        Part strip;
        for (int i = 0; i < n; ++i) {
            strip.Add(ring(i, k), float(k) / 8, along[i]);
            strip.Add(ring(i, (k + 1) % 8), float(k + 1) / 8, along[i]);
        }
        for (int i = 0; i + 1 < n; ++i) {
            unsigned a = i * 2, c = (i + 1) * 2;
            emit(strip, a, a + 1, c + 1);
            emit(strip, a, c + 1, c);
        }
        b.AddOriented(std::move(strip), mat, Shading::Smooth);
    }
    Part caps;
    for (int e = 0; e < 2; ++e) {
        int i = e == 0 ? 0 : n - 1;
        unsigned base = unsigned(caps.verts.size());
        for (int k = 0; k < 8; ++k) caps.Add(ring(i, k), oct[k][0] / w + 0.5f, oct[k][1] / d + 0.5f);
        for (int k = 1; k < 7; ++k) {
            if (e == 0) emit(caps, base, base + k + 1, base + k);
            else emit(caps, base, base + k, base + k + 1);
        }
    }
    b.AddOriented(std::move(caps), mat, Shading::Flat);
}

// Stroke glyphs in a cell of height 1 (x 0..0.6); arcs given by centre, radii, angles.
struct Seg {
    float x0, y0, x1, y1;
};
struct Arc {
    float cx, cy, rx, ry, a0, a1;  // degrees, counter-clockwise from +x
};
struct Glyph {
    std::vector<Seg> segs;
    std::vector<Arc> arcs;
};

Glyph GlyphFor(char ch)
{
    switch (ch) {
    case '1': return {{{0.34f, 0, 0.34f, 1}, {0.34f, 1, 0.12f, 0.8f}, {0.12f, 0, 0.56f, 0}}, {}};
    case '2': return {{{0.48f, 0.56f, 0.06f, 0.02f}, {0.06f, 0, 0.56f, 0}}, {{0.3f, 0.72f, 0.25f, 0.26f, 170, -40}}};
    case '3': return {{}, {{0.28f, 0.75f, 0.24f, 0.24f, 160, -90}, {0.28f, 0.27f, 0.27f, 0.27f, 90, -160}}};
    case '4': return {{{0.44f, 1, 0.04f, 0.3f}, {0.04f, 0.3f, 0.6f, 0.3f}, {0.44f, 1, 0.44f, 0}}, {}};
    case '5':
        return {{{0.56f, 1, 0.1f, 1}, {0.1f, 1, 0.08f, 0.56f}}, {{0.3f, 0.32f, 0.27f, 0.3f, 128, -150}}};
    case 'M': return {{{0, 0, 0, 1}, {0, 1, 0.3f, 0.42f}, {0.3f, 0.42f, 0.6f, 1}, {0.6f, 1, 0.6f, 0}}, {}};
    case 'O': return {{}, {{0.3f, 0.5f, 0.3f, 0.5f, 0, 360}}};
    case 'R':
        return {{{0, 0, 0, 1}, {0, 1, 0.32f, 1}, {0.32f, 0.5f, 0, 0.5f}, {0.28f, 0.5f, 0.6f, 0}},
                {{0.32f, 0.75f, 0.25f, 0.25f, 90, -90}}};
    case 'V': return {{{0, 1, 0.3f, 0}, {0.3f, 0, 0.6f, 1}}, {}};
    case 'E': return {{{0, 0, 0, 1}, {0, 1, 0.55f, 1}, {0, 0.5f, 0.45f, 0.5f}, {0, 0, 0.55f, 0}}, {}};
    case 'L': return {{{0, 1, 0, 0}, {0, 0, 0.55f, 0}}, {}};
    case 'T': return {{{0, 1, 0.6f, 1}, {0.3f, 1, 0.3f, 0}}, {}};
    default: return {};
    }
}

// Adds a glyph as bevelled strokes; `scale` is the glyph height, `origin` its lower left.
void AddGlyph(Builder& b, unsigned mat, char ch, Vec3 origin, float scale, float w, float d, float ch2)
{
    Glyph g = GlyphFor(ch);
    auto P = [&](float x, float y) { return Vec3{origin.x + x * scale, origin.y + y * scale, origin.z}; };
    for (const Seg& s : g.segs) AddStrokePath(b, mat, {P(s.x0, s.y0), P(s.x1, s.y1)}, w, d, ch2, w / 2);
    for (const Arc& a : g.arcs) {
        int steps = std::max(4, int(std::fabs(a.a1 - a.a0) / 10));
        std::vector<Vec3> pts;
        for (int i = 0; i <= steps; ++i) {
            float t = (a.a0 + (a.a1 - a.a0) * i / steps) * kPi / 180;
            pts.push_back(P(a.cx + a.rx * std::cos(t), a.cy + a.ry * std::sin(t)));
        }
        AddStrokePath(b, mat, pts, w, d, ch2, std::fabs(a.a1 - a.a0) >= 359 ? 0.f : w * 0.15f);
    }
}

Material Chrome()
{
    Material m;
    m.r = 0.8f; m.g = 0.85f; m.b = 0.95f;
    m.power = 40; m.sr = m.sg = m.sb = 0.8f;
    return m;
}

// ---------------------------------------------------------------- the meshes

Mesh MakeDigit(char digit)
{
    Builder b;
    unsigned m = b.AddMaterial(Chrome());
    AddGlyph(b, m, digit, {0, 0, 0}, 1.2f, 0.2f, 0.28f, 0.06f);
    b.Centre();
    return b.Take();
}

Mesh MakeLogo()
{
    Builder b;
    unsigned m = b.AddMaterial(Chrome());
    Material amber;
    amber.r = 1; amber.g = 0.6f; amber.b = 0.15f;
    amber.er = 0.4f; amber.eg = 0.2f;
    unsigned ma = b.AddMaterial(amber);
    const std::string word = "MORVELT";
    const float h = 1.5f, advance = 0.9f * h;
    for (size_t i = 0; i < word.size(); ++i)
        AddGlyph(b, m, word[i], {float(i) * advance, 0, 0}, h, 0.22f, 0.45f, 0.07f);
    // An amber underline.
    b.AddPart(Stroke({0, -0.45f, 0.1f}, {6 * advance + 0.6f * h, -0.45f, 0.1f}, 0.1f, 0.2f, 0.03f, 0), ma,
              Facing::Out, Shading::Flat);
    b.Centre();
    return b.Take();
}

Mesh MakeSquid()
{
    Builder b;
    Material skin;
    skin.r = 0.6f; skin.g = 0.7f; skin.b = 1.f;
    unsigned m = b.AddMaterial(skin);
    Material eye;
    eye.r = 1; eye.g = 0.6f; eye.b = 0.1f; eye.er = 0.5f; eye.eg = 0.3f;
    unsigned me = b.AddMaterial(eye);
    // Mantle: a long bulb with a pointed top and fins.
    b.AddPart(Lathe({0, 0, 0}, 24, 20, [](float t) {
        float y = 1.9f - t * 1.9f;
        float r = 0.55f * std::pow(std::max(0.f, std::sin(kPi * std::pow(t, 0.7f))), 0.8f) * (1 + 0.15f * std::sin(t * 9));
        return std::make_pair(r, y);
    }), m);
    for (int s = -1; s <= 1; s += 2) {
        std::vector<Vec3> fin;
        std::vector<float> fr;
        for (int i = 0; i <= 10; ++i) {
            float t = i / 10.f;
            fin.push_back({s * (0.35f + 0.5f * std::sin(t * kPi)), 1.75f - 0.9f * t, 0});
            fr.push_back(0.03f + 0.08f * std::sin(t * kPi));
        }
        b.AddPart(Tube(fin, fr, 8, 0.3f), m);
    }
    // Eyes.
    b.AddPart(Ellipsoid({0.3f, 0.25f, -0.38f}, {0.1f, 0.12f, 0.08f}, 12, 8), me);
    b.AddPart(Ellipsoid({-0.3f, 0.25f, -0.38f}, {0.1f, 0.12f, 0.08f}, 12, 8), me);
    // Eight curling tentacles.
    for (int k = 0; k < 8; ++k) {
        float a0 = k / 8.f * 2 * kPi + 0.2f;
        std::vector<Vec3> path;
        std::vector<float> rad;
        const int n = 24;
        float len = 2.0f + 0.3f * std::sin(k * 1.7f);
        for (int i = 0; i <= n; ++i) {
            float t = float(i) / n;
            float a = a0 + 0.9f * t * t * (k % 2 ? 1 : -1);
            float reach = 0.3f + len * 0.55f * t + 0.25f * std::sin(t * kPi * 2 + k);
            float y = 0.05f - len * t + 0.5f * t * t * t;
            float curl = t > 0.7f ? (t - 0.7f) * 2.5f : 0;
            path.push_back({std::cos(a) * reach * (1 - 0.4f * curl), y + curl * 0.4f, std::sin(a) * reach * (1 - 0.4f * curl)});
            rad.push_back(0.13f * (1 - t) + 0.012f);
        }
        b.AddPart(Tube(path, rad, 8), m);
    }
    b.Centre();
    return b.Take();
}

Mesh MakeHalo()
{
    Builder b;
    Material ring;
    ring.r = 0.7f; ring.g = 0.95f; ring.b = 1; ring.a = 1;
    ring.er = 0.5f; ring.eg = 0.85f; ring.eb = 1;
    unsigned mr = b.AddMaterial(ring);
    Material glow;
    glow.r = 0.3f; glow.g = 0.7f; glow.b = 1; glow.a = 0.35f;
    glow.er = 0.2f; glow.eg = 0.55f; glow.eb = 1;
    unsigned mg = b.AddMaterial(glow);
    Material core;
    core.r = 1; core.g = 0.65f; core.b = 0.2f; core.er = 1; core.eg = 0.55f; core.eb = 0.1f;
    unsigned mc = b.AddMaterial(core);
    const float tilt = 0.35f;
    auto place = [&](Vec3 p) {  // tilt the ring towards the viewer around x
        return Vec3{p.x, p.y * std::cos(tilt) - p.z * std::sin(tilt), p.y * std::sin(tilt) + p.z * std::cos(tilt)};
    };
    auto torus = [&](float major, float minorR, float minorZ, int nu, int nv) {
        return Grid(nu, nv, true, [&](float u, float v) {
            float a = u * 2 * kPi, c = v * 2 * kPi;
            float r = major + minorR * std::cos(c);
            return place({r * std::cos(a), r * std::sin(a), minorZ * std::sin(c)});
        });
    };
    b.AddPart(torus(0.8f, 0.05f, 0.05f, 64, 8), mr);
    b.AddPart(torus(0.8f, 0.28f, 0.012f, 64, 8), mg);
    b.AddPart(torus(0.58f, 0.02f, 0.02f, 48, 6), mc);
    b.AddPart(torus(1.02f, 0.015f, 0.015f, 64, 6), mc);
    return b.Take();
}

Mesh MakeShape()  // a (3, 2) torus knot, radius about 3
{
    Builder b;
    Material m;
    m.r = 0.55f; m.g = 0.65f; m.b = 1; m.power = 30; m.sr = m.sg = m.sb = 0.6f;
    m.texture = "Textures/env2.jpg";
    unsigned mi = b.AddMaterial(m);
    std::vector<Vec3> path;
    std::vector<float> rad;
    const int n = 240;
    for (int i = 0; i <= n; ++i) {
        float t = float(i) / n * 2 * kPi;
        float r = 2.f + 0.9f * std::cos(3 * t);
        path.push_back({r * std::cos(2 * t), 0.9f * std::sin(3 * t) * 1.3f, r * std::sin(2 * t)});
        rad.push_back(0.42f + 0.08f * std::sin(6 * t));
    }
    path.back() = path.front();
    b.AddPart(Tube(path, rad, 12), mi);
    return b.Take();
}

Mesh MakeSaklig()  // spiked shell: opaque core, translucent glowing spikes
{
    Builder b;
    Material core;
    core.r = 0.6f; core.g = 0.5f; core.b = 1; core.texture = "Textures/qrnm.jpg";
    unsigned mc = b.AddMaterial(core);
    Material spike;
    spike.r = 1; spike.g = 0.6f; spike.b = 0.2f; spike.a = 0.6f; spike.er = 0.6f; spike.eg = 0.3f;
    unsigned ms = b.AddMaterial(spike);
    b.AddPart(Grid(40, 24, true, [](float u, float v) {
        float th = u * 2 * kPi, ph = v * kPi;
        float r = 2.2f + 0.35f * std::cos(5 * th) * std::sin(ph) * std::sin(ph) + 0.25f * std::cos(4 * ph);
        return Vec3{r * std::sin(ph) * std::cos(th), r * std::cos(ph), r * std::sin(ph) * std::sin(th)};
    }), mc);
    // Spikes along a spiral on a sphere (golden angle).
    const int count = 26;
    for (int i = 0; i < count; ++i) {
        float y = 1 - 2 * (i + 0.5f) / count;
        float r = std::sqrt(1 - y * y), a = i * 2.39996f;
        Vec3 d = {r * std::cos(a), y, r * std::sin(a)};
        std::vector<Vec3> path;
        std::vector<float> rad;
        for (int k = 0; k <= 4; ++k) {
            float t = k / 4.f;
            path.push_back(d * (1.8f + 2.0f * t));
            rad.push_back(0.28f * (1 - t) + 0.01f);
        }
        b.AddPart(Tube(path, rad, 6), ms);
    }
    return b.Take();
}

Mesh MakeBoxy()  // a room seen from inside: walls, corner pillars, light panels
{
    Builder b;
    Material wall;
    wall.r = wall.g = wall.b = 0.9f; wall.texture = "Textures/s7cube.jpg";
    unsigned mw = b.AddMaterial(wall);
    Material lamp;
    lamp.r = 1; lamp.g = 0.7f; lamp.b = 0.3f; lamp.er = 0.9f; lamp.eg = 0.55f; lamp.eb = 0.2f;
    unsigned ml = b.AddMaterial(lamp);
    const float s = 2.5f;
    const int n = 10;
    // Six walls as one closed box, turned to face inwards.
    Part box;
    auto face = [&](Vec3 o, Vec3 du, Vec3 dv) {
        unsigned base = unsigned(box.verts.size());
        for (int j = 0; j <= n; ++j)
            for (int i = 0; i <= n; ++i)
                box.Add(o + du * (float(i) / n) + dv * (float(j) / n), 2.f * i / n, 2.f * j / n);
        for (int j = 0; j < n; ++j)
            for (int i = 0; i < n; ++i) {
                unsigned a = base + j * (n + 1) + i;
                box.Quad(a, a + 1, a + n + 2, a + n + 1);
            }
    };
    // Each face with du × dv pointing out of the box.
    face({-s, -s, -s}, {0, 2 * s, 0}, {2 * s, 0, 0});   // front (z = -s), normal -z
    face({-s, -s, s}, {2 * s, 0, 0}, {0, 2 * s, 0});    // back (z = +s), normal +z
    face({-s, -s, -s}, {0, 0, 2 * s}, {0, 2 * s, 0});   // left (x = -s), normal -x
    face({s, -s, -s}, {0, 2 * s, 0}, {0, 0, 2 * s});    // right, normal +x
    face({-s, -s, -s}, {2 * s, 0, 0}, {0, 0, 2 * s});   // floor, normal -y
    face({-s, s, -s}, {0, 0, 2 * s}, {2 * s, 0, 0});    // ceiling, normal +y
    b.AddPart(std::move(box), mw, Facing::In, Shading::Flat);
    // Pillars in the corners and light strips on the ceiling.
    for (int c = 0; c < 4; ++c) {
        float x = (c & 1 ? 1 : -1) * (s - 0.25f), z = (c & 2 ? 1 : -1) * (s - 0.25f);
        b.AddPart(Stroke({x, -s, z}, {x, s, z}, 0.35f, 0.35f, 0.06f, 0), mw, Facing::Out, Shading::Flat);
    }
    for (int k = -1; k <= 1; ++k) {
        Part strip = Stroke({-s + 0.6f, 0, 0}, {s - 0.6f, 0, 0}, 0.12f, 0.12f, 0.03f, 0);
        for (Vertex& v : strip.verts) {
            std::swap(v.p.y, v.p.z);
            v.p.y += s - 0.07f;
            v.p.z += k * 1.4f;
        }
        b.AddPart(std::move(strip), ml, Facing::Out, Shading::Flat);
    }
    return b.Take();
}

// Limb from a to b with radii ra, rb, slightly bulging in the middle.
Part Limb(Vec3 a, Vec3 b, float ra, float rb, int sides = 10, int rows = 8)
{
    std::vector<Vec3> path;
    std::vector<float> rad;
    for (int i = 0; i <= rows; ++i) {
        float t = float(i) / rows;
        path.push_back(a + (b - a) * t);
        rad.push_back(Lerp(ra, rb, t) * (1 + 0.15f * std::sin(t * kPi)));
    }
    return Tube(path, rad, sides);
}

Mesh MakeFem()  // stylised standing figure, about 2 units tall, centred
{
    Builder b;
    Material m = Chrome();
    unsigned mi = b.AddMaterial(m);
    b.AddPart(Ellipsoid({0, 1.72f, 0}, {0.12f, 0.15f, 0.13f}, 16, 10), mi);        // head
    b.AddPart(Ellipsoid({0, 1.78f, 0.06f}, {0.14f, 0.13f, 0.14f}, 16, 10), mi);    // hair
    b.AddPart(Limb({0, 1.62f, 0.04f}, {0, 1.8f, 0.34f}, 0.06f, 0.02f, 8, 6), mi);  // pony tail
    b.AddPart(Limb({0, 1.45f, 0}, {0, 1.6f, 0}, 0.05f, 0.045f), mi);               // neck
    b.AddPart(Lathe({0, 0, 0}, 20, 14, [](float t) {                              // torso and skirt
        float y = 1.47f - t * 0.8f;
        float r = t < 0.1f ? 0.05f + 1.3f * t : 0.18f - 0.06f * std::sin((t - 0.1f) / 0.45f * kPi);
        if (t > 0.55f) r = 0.16f + (t - 0.55f) * 0.6f;
        if (t > 0.98f) r *= (1 - t) * 50;
        return std::make_pair(r, y);
    }, 0.7f), mi);
    b.AddPart(Ellipsoid({0, 1.27f, -0.08f}, {0.2f, 0.1f, 0.08f}, 14, 8), mi);      // chest
    for (int s = -1; s <= 1; s += 2) {
        float x = float(s);
        b.AddPart(Ellipsoid({x * 0.19f, 1.4f, 0}, {0.07f, 0.06f, 0.07f}, 10, 6), mi);  // shoulder
        b.AddPart(Limb({x * 0.2f, 1.4f, 0}, {x * 0.3f, 1.1f, -0.02f}, 0.045f, 0.037f), mi);
        b.AddPart(Limb({x * 0.3f, 1.1f, -0.02f}, {x * 0.34f, 0.82f, -0.08f}, 0.037f, 0.028f), mi);
        b.AddPart(Ellipsoid({x * 0.345f, 0.76f, -0.09f}, {0.03f, 0.06f, 0.02f}, 8, 6), mi);  // hand
        b.AddPart(Limb({x * 0.09f, 0.72f, 0}, {x * 0.1f, 0.35f, 0}, 0.075f, 0.05f), mi);
        b.AddPart(Limb({x * 0.1f, 0.35f, 0}, {x * 0.11f, 0.04f, 0.02f}, 0.05f, 0.035f), mi);
        b.AddPart(Ellipsoid({x * 0.11f, 0.02f, -0.05f}, {0.04f, 0.025f, 0.09f}, 8, 6), mi);  // foot
    }
    b.Centre();
    return b.Take();
}

Mesh MakeAlien()  // big-headed figure with long arms, about 1.6 units tall, centred
{
    Builder b;
    Material skin;
    skin.r = 0.5f; skin.g = 0.9f; skin.b = 0.7f; skin.power = 30; skin.sr = skin.sg = skin.sb = 0.6f;
    unsigned ms = b.AddMaterial(skin);
    Material eye;
    eye.r = eye.g = eye.b = 0.02f; eye.power = 80; eye.sr = eye.sg = eye.sb = 1;
    unsigned me = b.AddMaterial(eye);
    b.AddPart(Lathe({0, 1.2f, 0}, 20, 14, [](float t) {  // cranium tapering to the chin
        float y = 0.42f - t * 0.45f;
        float r = std::sin(kPi * std::pow(t, 0.65f)) * (0.26f - 0.12f * t * t);
        return std::make_pair(r, y);
    }), ms);
    for (int s = -1; s <= 1; s += 2) {
        Part e = Ellipsoid({0, 0, 0}, {0.085f, 0.04f, 0.03f}, 12, 8);
        float ang = s * 0.45f;
        for (Vertex& v : e.verts) {
            Vec3 p = v.p;
            v.p = {p.x * std::cos(ang) - p.y * std::sin(ang) + s * 0.1f, p.x * std::sin(ang) + p.y * std::cos(ang) + 1.28f,
                   p.z - 0.19f};
        }
        b.AddPart(std::move(e), me);
    }
    b.AddPart(Limb({0, 0.98f, 0}, {0, 1.12f, 0}, 0.035f, 0.03f), ms);  // neck
    b.AddPart(Lathe({0, 0, 0}, 16, 10, [](float t) {                   // thin torso
        float y = 1.0f - t * 0.5f;
        float r = std::sin(kPi * std::pow(t, 0.8f)) * 0.12f + 0.02f;
        if (t > 0.97f || t < 0.03f) r = 0.02f;
        return std::make_pair(r, y);
    }, 0.7f), ms);
    for (int s = -1; s <= 1; s += 2) {
        float x = float(s);
        b.AddPart(Limb({x * 0.1f, 0.95f, 0}, {x * 0.22f, 0.65f, -0.04f}, 0.03f, 0.025f), ms);
        b.AddPart(Limb({x * 0.22f, 0.65f, -0.04f}, {x * 0.26f, 0.3f, -0.1f}, 0.025f, 0.02f), ms);
        for (int f = -1; f <= 1; ++f)  // three long fingers
            b.AddPart(Limb({x * 0.26f, 0.3f, -0.1f}, {x * (0.26f + 0.03f * f), 0.17f, -0.13f + 0.02f * f}, 0.012f,
                           0.006f, 6, 4), ms);
        b.AddPart(Limb({x * 0.06f, 0.52f, 0}, {x * 0.09f, 0.25f, -0.03f}, 0.04f, 0.03f), ms);
        b.AddPart(Limb({x * 0.09f, 0.25f, -0.03f}, {x * 0.1f, 0.0f, 0.02f}, 0.03f, 0.022f), ms);
        b.AddPart(Ellipsoid({x * 0.1f, -0.01f, -0.03f}, {0.035f, 0.02f, 0.07f}, 8, 6), ms);
    }
    b.Centre();
    return b.Take();
}

Mesh MakeObjFaen()  // small rounded cube with six spikes, radius about 1
{
    Builder b;
    Material m;
    m.texture = "Textures/boxtex.jpg";
    unsigned mi = b.AddMaterial(m);
    b.AddPart(Grid(12, 8, true, [](float u, float v) {  // superellipsoid core
        float th = u * 2 * kPi - kPi, ph = v * kPi - kPi / 2;
        auto sp = [](float c, float e) { return (c < 0 ? -1.f : 1.f) * std::pow(std::fabs(c), e); };
        float e = 0.35f;
        float x = sp(std::cos(ph), e) * sp(std::cos(th), e), z = sp(std::cos(ph), e) * sp(std::sin(th), e);
        float y = sp(std::sin(ph), e);
        return Vec3{0.55f * x, -0.55f * y, 0.55f * z};
    }), mi);
    const Vec3 dirs[6] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    for (const Vec3& d : dirs) {
        std::vector<Vec3> path = {d * 0.5f, d * 0.75f, d * 1.0f};
        std::vector<float> rad = {0.22f, 0.12f, 0.01f};
        b.AddPart(Tube(path, rad, 6), mi, Facing::Out, Shading::Flat);
    }
    return b.Take();
}

// The cave: a wide hall around every camera path of the cave flight (mesh units are
// world units / 1.5): floor near y 0 with bumps, ceiling with hanging rock, walls far
// out, pillars away from the flight corridor.
namespace cave {
constexpr float kX0 = -92, kX1 = 76, kY0 = -2, kY1 = 32, kZ0 = -146, kZ1 = 146;
}

Mesh MakeCave()
{
    using namespace cave;
    Builder b;
    Material rock;
    rock.r = 0.75f; rock.g = 0.8f; rock.b = 0.9f; rock.power = 10; rock.sr = rock.sg = rock.sb = 0.1f;
    rock.texture = "Textures/rock.jpg";
    unsigned mr = b.AddMaterial(rock);
    Material crystal;
    crystal.r = 0.4f; crystal.g = 0.9f; crystal.b = 1; crystal.er = 0.1f; crystal.eg = 0.35f; crystal.eb = 0.45f;
    unsigned mc = b.AddMaterial(crystal);

    const Vec3 lo{kX0, kY0, kZ0}, hi{kX1, kY1, kZ1};
    const Vec3 centre = (lo + hi) * 0.5f, half = (hi - lo) * 0.5f;
    // Cells of about 5 units on floor and ceiling, fewer on the walls.
    const int nx = 30, ny = 8, nz = 56;
    Part hall;
    auto displace = [&](Vec3 q) {  // q on the unit cube surface
        Vec3 p = {centre.x + q.x * half.x, centre.y + q.y * half.y, centre.z + q.z * half.z};
        float n = Fbm(p.x / 90.f + 0.5f, p.z / 90.f + 0.5f, 4, 4, 601, false);
        float m = Fbm(p.x / 40.f + 3.f, p.y / 40.f + p.z / 70.f, 4, 3, 602, false);
        Vec3 inward = Normalize({-q.x * 0.6f, -q.y, -q.z * 0.6f});
        float amount = 3.5f * n + 3.f * m;
        if (q.y > 0.99f) amount += 6.f * std::pow(Fbm(p.x / 30.f, p.z / 30.f, 5, 2, 603, false), 3.f) * 2.f;  // hanging rock
        if (q.y < -0.99f) amount = 2.5f * n + 1.5f * m;  // gentle floor
        return p + inward * amount;
    };
    auto face = [&](Vec3 o, Vec3 du, Vec3 dv, int nu, int nv, float uvU, float uvV) {
        unsigned base = unsigned(hall.verts.size());
        for (int j = 0; j <= nv; ++j)
            for (int i = 0; i <= nu; ++i) {
                Vec3 q = o + du * (float(i) / nu) + dv * (float(j) / nv);
                hall.Add(displace(q), uvU * i / nu, uvV * j / nv);
            }
        for (int j = 0; j < nv; ++j)
            for (int i = 0; i < nu; ++i) {
                unsigned a = base + j * (nu + 1) + i;
                hall.Quad(a, a + 1, a + nu + 2, a + nu + 1);
            }
    };
    face({-1, -1, -1}, {2, 0, 0}, {0, 0, 2}, nx, nz, 8, 14);  // floor
    face({-1, 1, -1}, {0, 0, 2}, {2, 0, 0}, nz, nx, 14, 8);   // ceiling
    face({-1, -1, -1}, {0, 0, 2}, {0, 2, 0}, nz, ny, 14, 2);  // left
    face({1, -1, -1}, {0, 2, 0}, {0, 0, 2}, ny, nz, 2, 14);   // right
    face({-1, -1, -1}, {0, 2, 0}, {2, 0, 0}, ny, nx, 2, 8);   // near end
    face({-1, -1, 1}, {2, 0, 0}, {0, 2, 0}, nx, ny, 8, 2);    // far end
    b.AddPart(std::move(hall), mr, Facing::In, Shading::Smooth);

    // Pillars and crystal clusters, kept out of the flight corridor.
    Rng rng(611);
    int placed = 0;
    for (int tries = 0; tries < 400 && placed < 22; ++tries) {
        float x = rng.Range(kX0 + 8, kX1 - 8), z = rng.Range(kZ0 + 8, kZ1 - 8);
        bool inCorridor = x > -32 && x < 28 && z > -90 && z < 40;
        if (inCorridor) continue;
        ++placed;
        float r = rng.Range(1.5f, 3.5f);
        std::vector<Vec3> path;
        std::vector<float> rad;
        for (int i = 0; i <= 8; ++i) {
            float t = i / 8.f;
            path.push_back({x + 1.5f * std::sin(t * 5 + x), kY0 + 1 + t * (kY1 - kY0 - 2), z + 1.5f * std::cos(t * 4 + z)});
            float waist = 1 - 0.6f * std::sin(t * kPi);
            rad.push_back(r * waist * (1 + 0.6f * (t < 0.1f || t > 0.9f)));
        }
        b.AddPart(Tube(path, rad, 10), mr);
        // A few crystals at the foot of the pillar.
        for (int c = 0; c < 3; ++c) {
            float a = rng.Range(0, 2 * kPi);
            Vec3 base{x + std::cos(a) * (r + 1.5f), kY0 + 1.5f, z + std::sin(a) * (r + 1.5f)};
            Vec3 tip = base + Normalize({std::cos(a) * 0.5f, 1.f, std::sin(a) * 0.5f}) * rng.Range(2.f, 5.f);
            b.AddPart(Tube({base, tip}, {0.5f, 0.02f}, 6), mc, Facing::Out, Shading::Flat);
        }
    }
    return b.Take();
}

std::vector<MeshFile> BuildList()
{
    return {
        {"Data/squidlikething.x", MakeSquid},
        {"Data/halo.x", MakeHalo},
        {"Data/logo.x", MakeLogo},
        {"Data/shape.x", MakeShape},
        {"Data/one.x", [] { return MakeDigit('1'); }},
        {"Data/two.x", [] { return MakeDigit('2'); }},
        {"Data/three.x", [] { return MakeDigit('3'); }},
        {"Data/four.x", [] { return MakeDigit('4'); }},
        {"Data/five.x", [] { return MakeDigit('5'); }},
        {"Data/boxy.x", MakeBoxy},
        {"Data/fem.x", MakeFem},
        {"Data/alien.x", MakeAlien},
        {"Data/cave.x", MakeCave},
        {"Data/objfaen.x", MakeObjFaen},
        {"Data/saklig.x", MakeSaklig},
    };
}

}  // namespace

const std::vector<MeshFile>& AllMeshes()
{
    static const std::vector<MeshFile> list = BuildList();
    return list;
}

Mesh MakeMeshByName(const std::string& name)
{
    for (const MeshFile& m : AllMeshes())
        if (m.path == "Data/" + name + ".x") return m.make();
    return {};
}

bool WriteXFile(const std::string& path, const Mesh& mesh)
{
    if (!MakeParentDirs(path)) return false;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        std::fprintf(stderr, "contentgen: cannot write %s\n", path.c_str());
        return false;
    }
    const size_t nv = mesh.verts.size(), nt = mesh.TriangleCount();
    std::fprintf(f, "xof 0303txt 0032\n\n");
    std::fprintf(f, "Header {\n 1;\n 0;\n 1;\n}\n\n");
    std::fprintf(f, "Frame Root {\n FrameTransformMatrix {\n  1.000000,0.000000,0.000000,0.000000,\n"
                    "  0.000000,1.000000,0.000000,0.000000,\n  0.000000,0.000000,1.000000,0.000000,\n"
                    "  0.000000,0.000000,0.000000,1.000000;;\n }\n\n");
    std::fprintf(f, " Mesh Body {\n  %zu;\n", nv);
    for (size_t i = 0; i < nv; ++i) {
        const Vec3& p = mesh.verts[i].p;
        std::fprintf(f, "  %.6f;%.6f;%.6f;%s\n", p.x, p.y, p.z, i + 1 < nv ? "," : ";");
    }
    std::fprintf(f, "  %zu;\n", nt);
    for (size_t t = 0; t < nt; ++t)
        std::fprintf(f, "  3;%u,%u,%u;%s\n", mesh.tris[t * 3], mesh.tris[t * 3 + 1], mesh.tris[t * 3 + 2],
                     t + 1 < nt ? "," : ";");
    std::fprintf(f, "\n  MeshNormals {\n   %zu;\n", nv);
    for (size_t i = 0; i < nv; ++i) {
        const Vec3& n = mesh.verts[i].n;
        std::fprintf(f, "   %.6f;%.6f;%.6f;%s\n", n.x, n.y, n.z, i + 1 < nv ? "," : ";");
    }
    std::fprintf(f, "   %zu;\n", nt);
    for (size_t t = 0; t < nt; ++t)
        std::fprintf(f, "   3;%u,%u,%u;%s\n", mesh.tris[t * 3], mesh.tris[t * 3 + 1], mesh.tris[t * 3 + 2],
                     t + 1 < nt ? "," : ";");
    std::fprintf(f, "  }\n\n  MeshTextureCoords {\n   %zu;\n", nv);
    for (size_t i = 0; i < nv; ++i)
        std::fprintf(f, "   %.6f;%.6f;%s\n", mesh.verts[i].u, mesh.verts[i].v, i + 1 < nv ? "," : ";");
    std::fprintf(f, "  }\n\n  MeshMaterialList {\n   %zu;\n   %zu;\n", mesh.materials.size(), nt);
    for (size_t t = 0; t < nt; ++t) std::fprintf(f, "   %u%s\n", mesh.triMat[t], t + 1 < nt ? "," : ";;");
    for (const Material& m : mesh.materials) {
        std::fprintf(f, "\n   Material {\n    %.6f;%.6f;%.6f;%.6f;;\n    %.6f;\n    %.6f;%.6f;%.6f;;\n"
                        "    %.6f;%.6f;%.6f;;\n",
                     m.r, m.g, m.b, m.a, m.power, m.sr, m.sg, m.sb, m.er, m.eg, m.eb);
        if (!m.texture.empty()) std::fprintf(f, "\n    TextureFilename {\n     \"%s\";\n    }\n", m.texture.c_str());
        std::fprintf(f, "   }\n");
    }
    std::fprintf(f, "  }\n }\n}\n");
    bool ok = std::ferror(f) == 0;
    ok = std::fclose(f) == 0 && ok;
    return ok;
}

}  // namespace cg
