// Render targets in OpenGL. Every colour or depth surface drawn into (the back buffer, a
// render target, a render-target texture's level, a depth buffer) gets a GL texture, and each
// pair of colour and depth textures a framebuffer object. Two copies of the pixels exist: the
// surface's memory and the GL texture. Whichever was written last is the newer one; the other
// is refreshed only when needed: memory -> GL before GL draws into or samples it, GL -> memory
// when the device reads it back for the CPU. Surfaces are known by the address of their memory.
#pragma once

#include "platform/d3d8/gl/texture_cache.h"

#include <epoxy/gl.h>

#include <unordered_map>
#include <vector>

namespace d3d8::gl {

class Targets {
public:
    enum class Newer { Memory, Gl, Same };

    struct Surface {
        GLuint texture = 0;
        bool depth = false;
        D3DFORMAT format = D3DFMT_UNKNOWN;
        UINT width = 0, height = 0;
        Newer newer = Newer::Memory;
        GlFormat gl;
    };

    Targets();
    ~Targets();
    Targets(const Targets&) = delete;
    Targets& operator=(const Targets&) = delete;

    // The GL copy of a surface (made on first use, remade when its size or format changed);
    // null when OpenGL cannot render into its format.
    Surface* Get(const SurfaceData& surface, bool depth);

    // Call before GL writes into the surface: brings the GL copy up to date unless the write
    // covers all of it (`whole`), and marks GL as the newer copy.
    void BeginGlWrite(const SurfaceData& data, Surface& surface, bool whole);

    // Binds the framebuffer with these attachments for drawing; false when GL cannot use it.
    bool Bind(Surface& color, Surface* depth);

    // Copies the GL pixels into the surface's memory if GL has the newer copy; afterwards the
    // memory counts as newer (the CPU may change it).
    void ReadBack(const SurfaceData& surface);

    // Copies the colour surface, brought up to date, into the rectangle (x, y, width, height)
    // of the default framebuffer (a window's back buffer; GL window coordinates, bottom-up),
    // scaled linearly and with its rows turned over, so its top row lands at the top. The
    // default framebuffer must be bound for drawing; false when GL cannot hold the format.
    bool BlitToWindow(const SurfaceData& surface, int x, int y, int width, int height);

    // For sampling a render-target texture: the GL texture of the colour target whose memory
    // is level 0's memory, brought up to date; 0 when no such target exists.
    GLuint TextureOf(const SurfaceData& level0);

    void Forget(const BYTE* bits);

    std::size_t Size() const { return surfaces_.size(); }

private:
    struct Framebuffer {
        GLuint color = 0, depth = 0, name = 0;
    };

    void Upload(const SurfaceData& data, Surface& surface);
    void Drop(Surface& surface);

    std::unordered_map<const BYTE*, Surface> surfaces_;
    std::vector<Framebuffer> framebuffers_;
    GLuint readColor_ = 0, readDepth_ = 0;  // framebuffers for reading back one texture
    std::vector<float> scratch_;
};

}  // namespace d3d8::gl
