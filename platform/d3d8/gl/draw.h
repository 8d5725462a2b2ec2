// Geometry to OpenGL: the FVF code decoded into vertex attributes, the vertices and indices
// of each draw streamed into buffers that are orphaned when full (so the GPU never waits on
// data it may still read), and the GL draw call.
#pragma once

#include "platform/d3d8/fvf.h"
#include "platform/d3d8/rasterizer.h"

#include <epoxy/gl.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace d3d8::gl {

// A buffer written front to back, one draw's data after another; when the next block does
// not fit, the storage is orphaned (fresh storage, the old one lives on until the GPU is done).
class StreamBuffer {
public:
    StreamBuffer(GLenum target, std::size_t capacity);
    ~StreamBuffer();
    StreamBuffer(const StreamBuffer&) = delete;
    StreamBuffer& operator=(const StreamBuffer&) = delete;

    // Copies `size` bytes in at an offset aligned to `align`; returns the offset. The buffer
    // stays bound to its target.
    std::size_t Write(const void* data, std::size_t size, std::size_t align);
    // Like Write, for data gathered by `fill(destination)` straight into the buffer.
    template <typename Fill>
    std::size_t WriteWith(std::size_t size, std::size_t align, Fill fill) {
        void* dst = nullptr;
        const std::size_t offset = Reserve(size, align, dst);
        if (dst) {
            fill(static_cast<unsigned char*>(dst));
            glUnmapBuffer(target_);
        }
        return offset;
    }
    GLuint Name() const { return buffer_; }

private:
    std::size_t Reserve(std::size_t size, std::size_t align, void*& mapped);

    GLenum target_;
    GLuint buffer_ = 0;
    std::size_t capacity_;
    std::size_t head_ = 0;
};

// The vertex array object, the two stream buffers and the draw itself.
class GeometryStream {
public:
    GeometryStream();
    ~GeometryStream();
    GeometryStream(const GeometryStream&) = delete;
    GeometryStream& operator=(const GeometryStream&) = delete;

    // Streams the vertices (and indices) `call` reads and draws them with the current program.
    // Returns false when there is nothing to draw or an index points outside the vertices.
    bool Draw(const DrawCall& call, const FvfLayout& layout);

private:
    void BindAttributes(const FvfLayout& layout, UINT stride, std::size_t base);
    // Draws only the primitives whose indices all reach a vertex, as a list.
    bool DrawValidPrimitives(const DrawCall& call, const FvfLayout& layout);

    std::vector<std::uint32_t> valid_;  // indices of the valid primitives (kept between draws)
    GLuint vao_ = 0;  // first: the buffers below are made with it bound
    StreamBuffer vertices_;
    StreamBuffer indices_;
    unsigned enabled_ = 0;  // attribute arrays enabled, bit per location
};

}  // namespace d3d8::gl
