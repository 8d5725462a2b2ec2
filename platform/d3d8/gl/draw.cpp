#include "platform/d3d8/gl/draw.h"

#include "platform/d3d8/gl/shader_generator.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace d3d8::gl {

StreamBuffer::StreamBuffer(GLenum target, std::size_t capacity) : target_(target), capacity_(capacity) {
    glGenBuffers(1, &buffer_);
    glBindBuffer(target_, buffer_);
    glBufferData(target_, static_cast<GLsizeiptr>(capacity_), nullptr, GL_STREAM_DRAW);
}

StreamBuffer::~StreamBuffer() { glDeleteBuffers(1, &buffer_); }

std::size_t StreamBuffer::Reserve(std::size_t size, std::size_t align, void*& mapped) {
    glBindBuffer(target_, buffer_);
    std::size_t offset = (head_ + align - 1) / align * align;
    if (offset + size > capacity_) {
        if (size > capacity_) capacity_ = std::max(size, capacity_ * 2);
        glBufferData(target_, static_cast<GLsizeiptr>(capacity_), nullptr, GL_STREAM_DRAW);  // orphan
        offset = 0;
    }
    mapped = size ? glMapBufferRange(target_, static_cast<GLintptr>(offset), static_cast<GLsizeiptr>(size),
                                     GL_MAP_WRITE_BIT | GL_MAP_INVALIDATE_RANGE_BIT | GL_MAP_UNSYNCHRONIZED_BIT)
                  : nullptr;
    head_ = offset + size;
    return offset;
}

std::size_t StreamBuffer::Write(const void* data, std::size_t size, std::size_t align) {
    return WriteWith(size, align, [&](unsigned char* dst) { std::memcpy(dst, data, size); });
}

namespace {

// The element buffer binding belongs to the vertex array object, so it exists (and is
// bound) before the stream buffers are made.
GLuint MakeBoundVertexArray() {
    GLuint vao = 0;
    glGenVertexArrays(1, &vao);
    glBindVertexArray(vao);
    return vao;
}

}  // namespace

GeometryStream::GeometryStream()
    : vao_(MakeBoundVertexArray()), vertices_(GL_ARRAY_BUFFER, 8u << 20), indices_(GL_ELEMENT_ARRAY_BUFFER, 2u << 20) {}

GeometryStream::~GeometryStream() { glDeleteVertexArrays(1, &vao_); }

void GeometryStream::BindAttributes(const FvfLayout& l, UINT stride, std::size_t base) {
    unsigned wanted = 1u << kAttrPosition;
    auto at = [base](int offset) { return reinterpret_cast<const void*>(base + static_cast<std::size_t>(offset)); };
    const GLsizei s = static_cast<GLsizei>(stride);
    glVertexAttribPointer(kAttrPosition, l.transformed ? 4 : 3, GL_FLOAT, GL_FALSE, s, at(0));
    if (l.normal >= 0) {
        glVertexAttribPointer(kAttrNormal, 3, GL_FLOAT, GL_FALSE, s, at(l.normal));
        wanted |= 1u << kAttrNormal;
    }
    if (l.pointSize >= 0) {
        glVertexAttribPointer(kAttrPointSize, 1, GL_FLOAT, GL_FALSE, s, at(l.pointSize));
        wanted |= 1u << kAttrPointSize;
    }
    // D3DCOLOR is B, G, R, A in memory: GL_BGRA reads it as (r, g, b, a) in 0..1.
    if (l.diffuse >= 0) {
        glVertexAttribPointer(kAttrDiffuse, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, s, at(l.diffuse));
        wanted |= 1u << kAttrDiffuse;
    }
    if (l.specular >= 0) {
        glVertexAttribPointer(kAttrSpecular, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, s, at(l.specular));
        wanted |= 1u << kAttrSpecular;
    }
    for (UINT i = 0; i < l.texCoordCount; ++i) {
        glVertexAttribPointer(kAttrTexCoord0 + i, static_cast<GLint>(l.texCoordDims[i]), GL_FLOAT, GL_FALSE, s,
                              at(l.texCoord[i]));
        wanted |= 1u << (kAttrTexCoord0 + static_cast<unsigned>(i));
    }
    const unsigned change = wanted ^ enabled_;
    for (GLuint loc = 0; loc < kAttrTexCoord0 + 8; ++loc) {
        if (!(change & (1u << loc))) continue;
        if (wanted & (1u << loc))
            glEnableVertexAttribArray(loc);
        else
            glDisableVertexAttribArray(loc);
    }
    enabled_ = wanted;
}

namespace {

GLenum Mode(D3DPRIMITIVETYPE type) {
    switch (type) {
    case D3DPT_POINTLIST: return GL_POINTS;
    case D3DPT_LINELIST: return GL_LINES;
    case D3DPT_LINESTRIP: return GL_LINE_STRIP;
    case D3DPT_TRIANGLESTRIP: return GL_TRIANGLE_STRIP;
    case D3DPT_TRIANGLEFAN: return GL_TRIANGLE_FAN;
    default: return GL_TRIANGLES;
    }
}

}  // namespace

bool GeometryStream::Draw(const DrawCall& call, const FvfLayout& layout) {
    const UINT used = static_cast<UINT>(VerticesForPrimitives(call.primitiveType, call.primitiveCount));
    if (used == 0 || !call.vertices || call.stride == 0 || call.vertexCount == 0) return false;
    if (call.stride < layout.size) return false;
    glBindVertexArray(vao_);
    const std::size_t stride = call.stride;
    if (!call.indices) {
        if (call.startVertex >= call.vertexCount) return false;
        const UINT count = std::min<UINT>(used, call.vertexCount - call.startVertex);
        const std::size_t base =
            vertices_.Write(call.vertices + static_cast<std::size_t>(call.startVertex) * stride, count * stride, 16);
        BindAttributes(layout, call.stride, base);
        glDrawArrays(Mode(call.primitiveType), 0, static_cast<GLsizei>(count));
        return true;
    }
    // Indexed: stream the range of vertices the indices reach.
    const bool wide = call.indexFormat == D3DFMT_INDEX32;
    const std::size_t indexSize = wide ? 4 : 2;
    const BYTE* first = call.indices + static_cast<std::size_t>(call.startIndex) * indexSize;
    std::uint32_t lo = ~0u, hi = 0;
    if (wide) {
        for (UINT i = 0; i < used; ++i) {
            std::uint32_t v;
            std::memcpy(&v, first + 4 * static_cast<std::size_t>(i), 4);
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
    } else {
        for (UINT i = 0; i < used; ++i) {
            std::uint16_t v;
            std::memcpy(&v, first + 2 * static_cast<std::size_t>(i), 2);
            lo = std::min<std::uint32_t>(lo, v);
            hi = std::max<std::uint32_t>(hi, v);
        }
    }
    const long long vlo = static_cast<long long>(lo) + call.baseVertex;
    const long long vhi = static_cast<long long>(hi) + call.baseVertex;
    if (vlo < 0 || vhi >= static_cast<long long>(call.vertexCount)) return DrawValidPrimitives(call, layout);
    const std::size_t count = static_cast<std::size_t>(vhi - vlo + 1);
    const std::size_t base =
        vertices_.Write(call.vertices + static_cast<std::size_t>(vlo) * stride, count * stride, 16);
    BindAttributes(layout, call.stride, base);
    const std::size_t indexOffset = indices_.Write(first, used * indexSize, 4);
    // GL vertex = index + baseVertex - (first streamed vertex).
    glDrawElementsBaseVertex(Mode(call.primitiveType), static_cast<GLsizei>(used),
                             wide ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT, reinterpret_cast<const void*>(indexOffset),
                             static_cast<GLint>(call.baseVertex - vlo));
    return true;
}

bool GeometryStream::DrawValidPrimitives(const DrawCall& call, const FvfLayout& layout) {
    const bool wide = call.indexFormat == D3DFMT_INDEX32;
    auto vertex = [&](UINT n, std::uint32_t& out) {
        std::uint32_t v;
        if (wide) {
            std::memcpy(&v, call.indices + 4 * (static_cast<std::size_t>(call.startIndex) + n), 4);
        } else {
            std::uint16_t s;
            std::memcpy(&s, call.indices + 2 * (static_cast<std::size_t>(call.startIndex) + n), 2);
            v = s;
        }
        const long long i = static_cast<long long>(v) + call.baseVertex;
        if (i < 0 || i >= static_cast<long long>(call.vertexCount)) return false;
        out = static_cast<std::uint32_t>(i);
        return true;
    };
    // Each primitive's vertices in drawing order (odd strip triangles swap their last two).
    int per = 3;
    D3DPRIMITIVETYPE listType = D3DPT_TRIANGLELIST;
    if (call.primitiveType == D3DPT_POINTLIST) per = 1, listType = D3DPT_POINTLIST;
    if (call.primitiveType == D3DPT_LINELIST || call.primitiveType == D3DPT_LINESTRIP) per = 2, listType = D3DPT_LINELIST;
    valid_.clear();
    std::uint32_t lo = ~0u, hi = 0;
    for (UINT p = 0; p < call.primitiveCount; ++p) {
        UINT n[3] = {0, 0, 0};
        switch (call.primitiveType) {
        case D3DPT_POINTLIST: n[0] = p; break;
        case D3DPT_LINELIST: n[0] = 2 * p, n[1] = 2 * p + 1; break;
        case D3DPT_LINESTRIP: n[0] = p, n[1] = p + 1; break;
        case D3DPT_TRIANGLESTRIP:
            n[0] = p, n[1] = (p & 1) ? p + 2 : p + 1, n[2] = (p & 1) ? p + 1 : p + 2;
            break;
        case D3DPT_TRIANGLEFAN: n[0] = 0, n[1] = p + 1, n[2] = p + 2; break;
        default: n[0] = 3 * p, n[1] = 3 * p + 1, n[2] = 3 * p + 2; break;
        }
        std::uint32_t v[3];
        bool ok = true;
        for (int k = 0; k < per && ok; ++k) ok = vertex(n[k], v[k]);
        if (!ok) continue;
        for (int k = 0; k < per; ++k) {
            valid_.push_back(v[k]);
            lo = std::min(lo, v[k]);
            hi = std::max(hi, v[k]);
        }
    }
    if (valid_.empty()) return false;
    for (std::uint32_t& v : valid_) v -= lo;
    const std::size_t stride = call.stride;
    const std::size_t base = vertices_.Write(call.vertices + static_cast<std::size_t>(lo) * stride,
                                             (static_cast<std::size_t>(hi) - lo + 1) * stride, 16);
    BindAttributes(layout, call.stride, base);
    const std::size_t offset = indices_.Write(valid_.data(), valid_.size() * 4, 4);
    glDrawElements(Mode(listType), static_cast<GLsizei>(valid_.size()), GL_UNSIGNED_INT,
                   reinterpret_cast<const void*>(offset));
    return true;
}

}  // namespace d3d8::gl
