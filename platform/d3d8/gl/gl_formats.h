// How each Direct3D format the device holds as a colour, luminance or bump texture travels to
// and lives in OpenGL: one entry per such format of the format table (format_info.h).
#pragma once

#include "platform/d3d8/types.h"

#include <epoxy/gl.h>

namespace d3d8::gl {

struct GlFormat {
    GLenum internalFormat = 0;
    GLenum format = 0;  // of the data handed to glTexImage2D / read by glReadPixels
    GLenum type = 0;
    GLint swizzle[4] = {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA};
    bool floatBump = false;  // converted on upload to four floats (du, dv, luminance, 1)
};

// The GL layout of a colour or bump format; false for formats OpenGL cannot hold here.
bool GlFormatOf(D3DFORMAT format, GlFormat& out);

// The GL layout of a colour format OpenGL can render into; false for others.
bool GlTargetFormatOf(D3DFORMAT format, GlFormat& out);

}  // namespace d3d8::gl
