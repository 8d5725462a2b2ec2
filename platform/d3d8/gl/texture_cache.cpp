#include "platform/d3d8/gl/texture_cache.h"

#include "platform/d3d8/format_info.h"
#include "platform/d3d8/pixel_convert.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace d3d8::gl {

namespace {

// One bump texel as (du, dv, luminance, 1).
void ConvertBumpTexel(D3DFORMAT format, const BYTE* p, float* out) {
    const BumpTexel b = ReadBump(format, p);
    out[0] = b.du;
    out[1] = b.dv;
    out[2] = b.luminance;
    out[3] = 1.0f;
}

GLint MinFilter(DWORD min, DWORD mip) {
    const bool linear = min == D3DTEXF_LINEAR;
    switch (mip) {
    case D3DTEXF_POINT: return linear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
    case D3DTEXF_LINEAR: return linear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
    default: return linear ? GL_LINEAR : GL_NEAREST;
    }
}

GLint AddressMode(DWORD mode, bool mirrorClamp) {
    switch (mode) {
    case D3DTADDRESS_MIRROR: return GL_MIRRORED_REPEAT;
    case D3DTADDRESS_CLAMP: return GL_CLAMP_TO_EDGE;
    case D3DTADDRESS_BORDER: return GL_CLAMP_TO_BORDER;
    case D3DTADDRESS_MIRRORONCE: return mirrorClamp ? GL_MIRROR_CLAMP_TO_EDGE : GL_MIRRORED_REPEAT;
    default: return GL_REPEAT;
    }
}

}  // namespace

StageTexture KindOfTexture(const TextureData* t) {
    if (!t || t->levelCount == 0 || !t->levels) return StageTexture::None;
    // Every level must have pixels and a size; otherwise the texture reads as unbound.
    for (UINT l = 0; l < t->levelCount; ++l)
        if (!t->levels[l].bits || t->levels[l].width == 0 || t->levels[l].height == 0) return StageTexture::None;
    GlFormat f;
    if (!GlFormatOf(t->format, f)) return StageTexture::None;
    return IsBumpFormat(t->format) ? StageTexture::Bump : StageTexture::Color;
}

void UploadSurface(const SurfaceData& s, const GlFormat& f, GLint level, bool allocate, std::vector<float>& scratch) {
    const GLsizei w = static_cast<GLsizei>(s.width), h = static_cast<GLsizei>(s.height);
    const void* data = s.bits;
    const UINT bpp = BytesPerPixel(s.format);
    GLint rowLength = 0;
    if (f.floatBump) {
        scratch.resize(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 4);
        for (GLsizei y = 0; y < h; ++y) {
            const BYTE* row = s.bits + static_cast<std::ptrdiff_t>(y) * s.pitch;
            for (GLsizei x = 0; x < w; ++x)
                ConvertBumpTexel(s.format, row + static_cast<std::size_t>(x) * bpp,
                          &scratch[(static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x)) * 4]);
        }
        data = scratch.data();
    } else if (bpp > 0 && s.pitch > 0 && static_cast<UINT>(s.pitch) % bpp == 0) {
        rowLength = s.pitch / static_cast<GLint>(bpp);
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, rowLength);
    if (allocate)
        glTexImage2D(GL_TEXTURE_2D, level, static_cast<GLint>(f.internalFormat), w, h, 0, f.format, f.type, data);
    else
        glTexSubImage2D(GL_TEXTURE_2D, level, 0, 0, w, h, f.format, f.type, data);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
}

TextureCache::~TextureCache() {
    for (auto& e : entries_) glDeleteTextures(1, &e.second.name);
    for (auto& s : samplers_) glDeleteSamplers(1, &s.second);
}

GLuint TextureCache::Get(const TextureData& t, UINT maxMipLevel) {
    GlFormat format;
    if (t.levelCount == 0 || !t.levels || !GlFormatOf(t.format, format)) return 0;
    auto it = entries_.find(t.id);
    if (it == entries_.end()) {
        Entry e;
        glGenTextures(1, &e.name);
        glBindTexture(GL_TEXTURE_2D, e.name);
        glTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_RGBA, format.swizzle);
        it = entries_.emplace(t.id, e).first;
        Upload(it->second, t, format, true);
    } else {
        Entry& e = it->second;
        glBindTexture(GL_TEXTURE_2D, e.name);
        if (e.version != t.version || e.format != t.format || e.levels != t.levelCount ||
            e.width != t.levels[0].width || e.height != t.levels[0].height) {
            const bool reallocate = e.format != t.format || e.levels != t.levelCount || e.width != t.levels[0].width ||
                                    e.height != t.levels[0].height;
            if (reallocate) glTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_RGBA, format.swizzle);
            Upload(e, t, format, reallocate);
        }
    }
    Entry& e = it->second;
    const GLint base = static_cast<GLint>(std::min<UINT>(maxMipLevel, t.levelCount - 1));
    if (base != e.baseLevel) {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, base);
        e.baseLevel = base;
    }
    return e.name;
}

void TextureCache::Upload(Entry& e, const TextureData& t, const GlFormat& format, bool reallocate) {
    for (UINT level = 0; level < t.levelCount; ++level) {
        const SurfaceData& s = t.levels[level];
        if (!s.bits || s.width == 0 || s.height == 0) break;
        UploadSurface(s, format, static_cast<GLint>(level), reallocate, scratch_);
    }
    if (reallocate) glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, static_cast<GLint>(t.levelCount) - 1);
    e.version = t.version;
    e.format = t.format;
    e.levels = t.levelCount;
    e.width = t.levels[0].width;
    e.height = t.levels[0].height;
}

void TextureCache::Forget(std::uint64_t id) {
    auto it = entries_.find(id);
    if (it == entries_.end()) return;
    glDeleteTextures(1, &it->second.name);
    entries_.erase(it);
}

GLuint TextureCache::Sampler(const DWORD* ss) {
    auto small = [](DWORD v) { return std::min<DWORD>(v, 7); };
    SamplerKey key;
    key.modes = small(ss[D3DTSS_MAGFILTER]) | small(ss[D3DTSS_MINFILTER]) << 3 | small(ss[D3DTSS_MIPFILTER]) << 6 |
                small(ss[D3DTSS_ADDRESSU]) << 9 | small(ss[D3DTSS_ADDRESSV]) << 12;
    const bool border = ss[D3DTSS_ADDRESSU] == D3DTADDRESS_BORDER || ss[D3DTSS_ADDRESSV] == D3DTADDRESS_BORDER;
    key.border = border ? ss[D3DTSS_BORDERCOLOR] : 0;
    key.bias = ss[D3DTSS_MIPMAPLODBIAS];
    auto it = samplers_.find(key);
    if (it != samplers_.end()) return it->second;
    GLuint s = 0;
    glGenSamplers(1, &s);
    // Only LINEAR filters; every other filter (point, anisotropic, none) samples the nearest texel.
    glSamplerParameteri(s, GL_TEXTURE_MAG_FILTER, ss[D3DTSS_MAGFILTER] == D3DTEXF_LINEAR ? GL_LINEAR : GL_NEAREST);
    glSamplerParameteri(s, GL_TEXTURE_MIN_FILTER, MinFilter(ss[D3DTSS_MINFILTER], ss[D3DTSS_MIPFILTER]));
    glSamplerParameteri(s, GL_TEXTURE_WRAP_S, AddressMode(ss[D3DTSS_ADDRESSU], mirrorClamp_));
    glSamplerParameteri(s, GL_TEXTURE_WRAP_T, AddressMode(ss[D3DTSS_ADDRESSV], mirrorClamp_));
    const DWORD c = key.border;
    const float color[4] = {static_cast<float>((c >> 16) & 0xff) / 255.0f, static_cast<float>((c >> 8) & 0xff) / 255.0f,
                            static_cast<float>(c & 0xff) / 255.0f, static_cast<float>(c >> 24) / 255.0f};
    glSamplerParameterfv(s, GL_TEXTURE_BORDER_COLOR, color);
    float bias;
    std::memcpy(&bias, &key.bias, sizeof bias);
    glSamplerParameterf(s, GL_TEXTURE_LOD_BIAS, std::isfinite(bias) ? bias : 0.0f);
    samplers_.emplace(key, s);
    return s;
}

}  // namespace d3d8::gl
