#include "sheet.h"

#include "image_io.h"
#include "text.h"
#include "textures.h"

#include <cmath>
#include <limits>

namespace cg {

namespace {

const Image* FindImage(const std::vector<Image>& images, const std::string& path)
{
    const auto& pics = AllPictures();
    for (size_t i = 0; i < pics.size() && i < images.size(); ++i)
        if (pics[i].path == path) return &images[i];
    return nullptr;
}

// Bounding sphere of a mesh (box centre, half diagonal).
void Bounds(const Mesh& m, Vec3& centre, float& radius)
{
    Vec3 lo{1e9f, 1e9f, 1e9f}, hi{-1e9f, -1e9f, -1e9f};
    for (const Vertex& v : m.verts) {
        lo = {std::min(lo.x, v.p.x), std::min(lo.y, v.p.y), std::min(lo.z, v.p.z)};
        hi = {std::max(hi.x, v.p.x), std::max(hi.y, v.p.y), std::max(hi.z, v.p.z)};
    }
    centre = (lo + hi) * 0.5f;
    Vec3 d = hi - lo;
    radius = 0.5f * std::sqrt(Dot(d, d));
}

}  // namespace

Image RenderMesh(const Mesh& mesh, int w, int h, Vec3 eye, Vec3 target, float fovY, const std::vector<Image>& images)
{
    Image img(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) img.Set(x, y, Mix(Hex(0x101028), Hex(0x040410), float(y) / h));
    std::vector<float> depth(size_t(w) * h, std::numeric_limits<float>::max());
    // Left-handed look-at basis.
    Vec3 zAxis = Normalize(target - eye);
    Vec3 xAxis = Normalize(Cross({0, 1, 0}, zAxis));
    Vec3 yAxis = Cross(zAxis, xAxis);
    const float f = 1.f / std::tan(fovY / 2), aspect = float(w) / h, nearZ = 0.05f;
    struct Proj {
        float x, y, z;
        bool ok;
    };
    std::vector<Proj> proj(mesh.verts.size());
    for (size_t i = 0; i < mesh.verts.size(); ++i) {
        Vec3 d = mesh.verts[i].p - eye;
        float cx = Dot(d, xAxis), cy = Dot(d, yAxis), cz = Dot(d, zAxis);
        proj[i] = {(cx * f / aspect / cz * 0.5f + 0.5f) * w, (0.5f - cy * f / cz * 0.5f) * h, cz, cz > nearZ};
    }
    const Vec3 light = Normalize(zAxis * -1.f + yAxis * 0.6f + xAxis * 0.4f);
    for (size_t t = 0; t < mesh.TriangleCount(); ++t) {
        unsigned ia = mesh.tris[t * 3], ib = mesh.tris[t * 3 + 1], ic = mesh.tris[t * 3 + 2];
        const Proj &a = proj[ia], &b = proj[ib], &c = proj[ic];
        if (!a.ok || !b.ok || !c.ok) continue;
        const Material& mat = mesh.materials[mesh.triMat[t]];
        const Image* tex = mat.texture.empty() ? nullptr : FindImage(images, mat.texture);
        // Screen-space area: positive when the corners run clockwise on screen (front face).
        float area = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
        if (std::fabs(area) < 1e-6f) continue;
        bool front = area > 0;
        int x0 = std::max(0, int(std::floor(std::min({a.x, b.x, c.x}))));
        int x1 = std::min(w - 1, int(std::ceil(std::max({a.x, b.x, c.x}))));
        int y0 = std::max(0, int(std::floor(std::min({a.y, b.y, c.y}))));
        int y1 = std::min(h - 1, int(std::ceil(std::max({a.y, b.y, c.y}))));
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) {
                float px = x + 0.5f, py = y + 0.5f;
                float w0 = ((b.x - px) * (c.y - py) - (b.y - py) * (c.x - px)) / area;
                float w1 = ((c.x - px) * (a.y - py) - (c.y - py) * (a.x - px)) / area;
                float w2 = 1 - w0 - w1;
                if (w0 < 0 || w1 < 0 || w2 < 0) continue;
                // Perspective-correct interpolation.
                float iz = w0 / a.z + w1 / b.z + w2 / c.z;
                float z = 1 / iz;
                float& dz = depth[size_t(y) * w + x];
                if (z >= dz) continue;
                dz = z;
                auto interp = [&](float va, float vb, float vc) { return (w0 * va / a.z + w1 * vb / b.z + w2 * vc / c.z) * z; };
                const Vertex &va = mesh.verts[ia], &vb = mesh.verts[ib], &vc = mesh.verts[ic];
                Vec3 n = Normalize({interp(va.n.x, vb.n.x, vc.n.x), interp(va.n.y, vb.n.y, vc.n.y),
                                    interp(va.n.z, vb.n.z, vc.n.z)});
                float lambert = std::max(0.f, Dot(n, light)) * 0.8f + 0.25f;
                Rgb base{mat.r, mat.g, mat.b};
                if (tex) {
                    float u = interp(va.u, vb.u, vc.u), v = interp(va.v, vb.v, vc.v);
                    u -= std::floor(u);
                    v -= std::floor(v);
                    float s[4];
                    tex->Sample(u * (tex->w - 1), v * (tex->h - 1), s);
                    base = {base.r * s[0], base.g * s[1], base.b * s[2]};
                }
                Rgb col = base * lambert + Rgb{mat.er, mat.eg, mat.eb};
                if (!front) col = Rgb{0.6f, 0.1f, 0.1f} * lambert;
                if (mat.a < 1) {
                    float* p = img.At(x, y);
                    col = Mix({p[0], p[1], p[2]}, col, mat.a);
                }
                img.Set(x, y, col);
            }
    }
    return img;
}

Image ViewMesh(const Mesh& m, const std::string& name, int size, const std::vector<Image>& images)
{
    Vec3 c;
    float r;
    Bounds(m, c, r);
    Vec3 eye = c + Normalize({0.6f, 0.45f, -1.f}) * (r * 2.4f);
    Vec3 target = c;
    float fov = 0.8f;
    if (name == "cave") {  // from inside: the first camera of the flight, in mesh units
        eye = {0, 20 / 1.5f, 10 / 1.5f};
        target = {5 / 1.5f, 15 / 1.5f, -100 / 1.5f};
        fov = 1.2f;
    } else if (name == "boxy") {
        eye = {10 / 6.f, 3 / 6.f, -10 / 6.f};
        target = {0, 0, 0};
        fov = 2.0f;
    } else if (name == "logo") {
        eye = c + Vec3{0, r * 0.3f, -r * 2.6f};
    }
    return RenderMesh(m, size, size, eye, target, fov, images);
}

bool WriteContactSheet(const std::string& path, const std::string& root, const std::vector<Image>& images,
                       const std::vector<Mesh>& meshes)
{
    (void)root;
    const auto& pics = AllPictures();
    const auto& meshFiles = AllMeshes();
    const int cell = 200, thumb = 176, cols = 8;
    const int count = int(pics.size() + meshes.size());
    const int rows = (count + cols - 1) / cols;
    Image sheet(cols * cell, rows * cell + 40);
    for (int y = 0; y < sheet.h; ++y)
        for (int x = 0; x < sheet.w; ++x) sheet.Set(x, y, Hex(0x202028));
    // Checkerboard behind pictures with alpha, so transparency shows.
    auto place = [&](const Image& src, int ox, int oy, bool alpha) {
        for (int y = 0; y < src.h; ++y)
            for (int x = 0; x < src.w; ++x) {
                const float* p = src.At(x, y);
                Rgb bg = ((x / 8 + y / 8) % 2) ? Hex(0x505058) : Hex(0x383840);
                float a = alpha ? p[3] : 1.f;
                sheet.Set(ox + x, oy + y, Mix(bg, Rgb{p[0], p[1], p[2]}, a));
            }
    };
    auto label = [&](const std::string& text, int cx, int y) {
        Mask m = RenderText(fonts::kSans, text, 12.f);
        for (int j = 0; j < m.h; ++j)
            for (int i = 0; i < m.w; ++i) sheet.Over(cx - m.w / 2 + i, y + j, {1, 1, 1}, m.At(i, j));
    };
    Mask title = RenderText(fonts::kSansBold, "Morvelt content", 20.f);
    for (int j = 0; j < title.h; ++j)
        for (int i = 0; i < title.w; ++i) sheet.Over(12 + i, 10 + j, {1, 1, 1}, title.At(i, j));
    int index = 0;
    auto slot = [&](int& ox, int& oy) {
        ox = (index % cols) * cell + (cell - thumb) / 2;
        oy = 40 + (index / cols) * cell + 4;
        ++index;
    };
    for (size_t i = 0; i < pics.size() && i < images.size(); ++i) {
        const Image& img = images[i];
        float k = float(thumb) / std::max(img.w, img.h);
        Image small = Resize(img, std::max(1, int(img.w * k)), std::max(1, int(img.h * k)));
        int ox, oy;
        slot(ox, oy);
        bool alpha = pics[i].format == PicFormat::PngRgba;
        if (pics[i].format == PicFormat::PngRgb) {
            // Colour-keyed: show the key colour as transparent.
            for (size_t p = 0; p < small.px.size(); p += 4)
                if (ToByte(small.px[p]) < 8 && std::abs(ToByte(small.px[p + 1]) - 64) < 8 &&
                    std::abs(ToByte(small.px[p + 2]) - 64) < 8)
                    small.px[p + 3] = 0;
            alpha = true;
        }
        place(small, ox + (thumb - small.w) / 2, oy + (thumb - small.h) / 2, alpha);
        char buf[96];
        std::snprintf(buf, sizeof buf, "%s %dx%d", pics[i].path.c_str() + pics[i].path.find('/') + 1, img.w, img.h);
        label(buf, ox + thumb / 2, oy + thumb + 2);
    }
    for (size_t i = 0; i < meshes.size(); ++i) {
        const Mesh& m = meshes[i];
        const std::string& p = meshFiles[i].path;
        Image shot = ViewMesh(m, p.substr(5, p.size() - 7), thumb, images);
        int ox, oy;
        slot(ox, oy);
        place(shot, ox, oy, false);
        char buf[96];
        std::snprintf(buf, sizeof buf, "%s %zu tris", p.c_str() + 5, m.TriangleCount());
        label(buf, ox + thumb / 2, oy + thumb + 2);
    }
    return WritePng(path, sheet, false);
}

}  // namespace cg
