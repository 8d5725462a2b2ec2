#include "platform/d3d8/gl/targets.h"

#include "platform/d3d8/format_info.h"
#include "platform/d3d8/gl/gl_rasterizer.h"
#include "platform/win32/debug_output.h"

#include <algorithm>
#include <atomic>

namespace d3d8::gl {

namespace {

GlFormat DepthFormat() {
    GlFormat f;
    f.internalFormat = GL_DEPTH_COMPONENT32F;  // one float per pixel, as the surface's memory
    f.format = GL_DEPTH_COMPONENT;
    f.type = GL_FLOAT;
    return f;
}

}  // namespace

Targets::Targets() {
    glGenFramebuffers(1, &readColor_);
    glGenFramebuffers(1, &readDepth_);
    glBindFramebuffer(GL_FRAMEBUFFER, readDepth_);
    glDrawBuffer(GL_NONE);
    glReadBuffer(GL_NONE);
}

Targets::~Targets() {
    for (auto& s : surfaces_) glDeleteTextures(1, &s.second.texture);
    for (auto& f : framebuffers_)
        if (f.name) glDeleteFramebuffers(1, &f.name);
    glDeleteFramebuffers(1, &readColor_);
    glDeleteFramebuffers(1, &readDepth_);
}

Targets::Surface* Targets::Get(const SurfaceData& data, bool depth) {
    if (!data.bits || data.width == 0 || data.height == 0) return nullptr;
    GlFormat format;
    if (depth)
        format = DepthFormat();
    else if (!GlTargetFormatOf(data.format, format))
        return nullptr;
    auto it = surfaces_.find(data.bits);
    if (it != surfaces_.end()) {
        Surface& s = it->second;
        if (s.depth == depth && s.format == data.format && s.width == data.width && s.height == data.height) return &s;
        Drop(s);  // the memory now belongs to another surface
        surfaces_.erase(it);
    }
    Surface s;
    s.depth = depth;
    s.format = data.format;
    s.width = data.width;
    s.height = data.height;
    s.gl = format;
    s.newer = Newer::Memory;
    glGenTextures(1, &s.texture);
    glBindTexture(GL_TEXTURE_2D, s.texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_RGBA, format.swizzle);
    glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(format.internalFormat), static_cast<GLsizei>(data.width),
                 static_cast<GLsizei>(data.height), 0, format.format, format.type, nullptr);
    return &surfaces_.emplace(data.bits, s).first->second;
}

void Targets::Upload(const SurfaceData& data, Surface& s) {
    glBindTexture(GL_TEXTURE_2D, s.texture);
    UploadSurface(data, s.gl, 0, false, scratch_);
}

void Targets::BeginGlWrite(const SurfaceData& data, Surface& s, bool whole) {
    if (s.newer == Newer::Memory && !whole) Upload(data, s);
    s.newer = Newer::Gl;
}

bool Targets::Bind(Surface& color, Surface* depth) {
    const GLuint depthTexture = depth ? depth->texture : 0;
    for (const Framebuffer& f : framebuffers_) {
        if (f.color == color.texture && f.depth == depthTexture) {
            if (!f.name) return false;  // known not to work (reported when first tried)
            glBindFramebuffer(GL_FRAMEBUFFER, f.name);
            return true;
        }
    }
    Framebuffer f{color.texture, depthTexture, 0};
    glGenFramebuffers(1, &f.name);
    glBindFramebuffer(GL_FRAMEBUFFER, f.name);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, color.texture, 0);
    if (depth) glFramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_TEXTURE_2D, depthTexture, 0);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        OutputDebugStringA("IDirect3DDevice8::SetRenderTarget: OpenGL cannot draw into this target\n");
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glDeleteFramebuffers(1, &f.name);
        f.name = 0;
        framebuffers_.push_back(f);
        return false;
    }
    framebuffers_.push_back(f);
    return true;
}

namespace {

std::atomic<unsigned long long> g_readBacks{0};

}  // namespace

unsigned long long ReadBackCount() { return g_readBacks.load(); }

void Targets::ReadBack(const SurfaceData& data) {
    auto it = surfaces_.find(data.bits);
    if (it == surfaces_.end()) return;
    Surface& s = it->second;
    if (s.width != data.width || s.height != data.height || s.format != data.format) return;
    if (s.newer == Newer::Gl) {
        ++g_readBacks;
        const GLuint fbo = s.depth ? readDepth_ : readColor_;
        glBindFramebuffer(GL_FRAMEBUFFER, fbo);
        glFramebufferTexture2D(GL_FRAMEBUFFER, s.depth ? GL_DEPTH_ATTACHMENT : GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D,
                               s.texture, 0);
        if (!s.depth) glReadBuffer(GL_COLOR_ATTACHMENT0);
        const UINT bpp = BytesPerPixel(data.format);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glPixelStorei(GL_PACK_ROW_LENGTH, bpp ? data.pitch / static_cast<GLint>(bpp) : 0);
        glReadPixels(0, 0, static_cast<GLsizei>(data.width), static_cast<GLsizei>(data.height), s.gl.format, s.gl.type,
                     data.bits);
        glPixelStorei(GL_PACK_ROW_LENGTH, 0);
        glFramebufferTexture2D(GL_FRAMEBUFFER, s.depth ? GL_DEPTH_ATTACHMENT : GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, 0, 0);
    }
    s.newer = Newer::Memory;
}

bool Targets::BlitToWindow(const SurfaceData& data, int x, int y, int width, int height) {
    if (!Get(data, false)) return false;
    const GLuint texture = TextureOf(data);
    if (!texture) return false;
    glBindFramebuffer(GL_READ_FRAMEBUFFER, readColor_);
    glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    glBlitFramebuffer(0, 0, static_cast<GLint>(data.width), static_cast<GLint>(data.height), x, y + height,
                      x + width, y, GL_COLOR_BUFFER_BIT, GL_LINEAR);
    glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, 0, 0);
    return true;
}

GLuint Targets::TextureOf(const SurfaceData& level0) {
    auto it = surfaces_.find(level0.bits);
    if (it == surfaces_.end()) return 0;
    Surface& s = it->second;
    if (s.depth || s.width != level0.width || s.height != level0.height || s.format != level0.format) return 0;
    if (s.newer == Newer::Memory) {
        Upload(level0, s);
        s.newer = Newer::Same;
    } else {
        glBindTexture(GL_TEXTURE_2D, s.texture);
    }
    return s.texture;
}

void Targets::Drop(Surface& s) {
    for (auto f = framebuffers_.begin(); f != framebuffers_.end();) {
        if (f->color == s.texture || f->depth == s.texture) {
            if (f->name) glDeleteFramebuffers(1, &f->name);
            f = framebuffers_.erase(f);
        } else {
            ++f;
        }
    }
    glDeleteTextures(1, &s.texture);
    s.texture = 0;
}

void Targets::Forget(const BYTE* bits) {
    auto it = surfaces_.find(bits);
    if (it == surfaces_.end()) return;
    Drop(it->second);
    surfaces_.erase(it);
}

}  // namespace d3d8::gl
