// Textures as OpenGL holds them: each Direct3D texture (by id) gets one GL texture with its
// mip chain, uploaded on first use and again whenever the texture's version changes. Colour
// formats upload as they are (the GL packed types match Direct3D's bit layouts); the bump
// formats become signed or float textures that sample as (du, dv, luminance, 1). Sampler
// objects carry the stage's filters and address modes.
#pragma once

#include "platform/d3d8/gl/gl_formats.h"
#include "platform/d3d8/gl/shader_key.h"

#include <epoxy/gl.h>

#include <cstdint>
#include <unordered_map>
#include <vector>

namespace d3d8::gl {

// What a texture bound to a stage reads as.
StageTexture KindOfTexture(const TextureData* texture);

class TextureCache {
public:
    explicit TextureCache(bool mirrorClamp) : mirrorClamp_(mirrorClamp) {}
    ~TextureCache();
    TextureCache(const TextureCache&) = delete;
    TextureCache& operator=(const TextureCache&) = delete;

    // The GL texture holding `texture` (uploaded now if it is new or changed), with mip levels
    // from min(maxMipLevel, last level) on; 0 when the format cannot be held. Leaves the
    // texture bound to GL_TEXTURE_2D of the active unit.
    GLuint Get(const TextureData& texture, UINT maxMipLevel);

    // Drops the GL texture of a texture that is gone.
    void Forget(std::uint64_t id);

    // The sampler object for a stage's filter, address, border and bias states.
    GLuint Sampler(const DWORD* stageStates);

    std::size_t Size() const { return entries_.size(); }

private:
    struct Entry {
        GLuint name = 0;
        std::uint64_t version = 0;
        D3DFORMAT format = D3DFMT_UNKNOWN;
        UINT width = 0, height = 0, levels = 0;
        GLint baseLevel = 0;
    };
    struct SamplerKey {
        std::uint32_t modes;  // filters and address modes
        std::uint32_t border;
        std::uint32_t bias;  // float bits
        bool operator==(const SamplerKey& o) const {
            return modes == o.modes && border == o.border && bias == o.bias;
        }
    };
    struct SamplerKeyHash {
        std::size_t operator()(const SamplerKey& k) const {
            return std::hash<std::uint64_t>()((std::uint64_t(k.modes) << 32 | k.border) ^ (std::uint64_t(k.bias) * 0x9e3779b97f4a7c15ull));
        }
    };

    void Upload(Entry& entry, const TextureData& texture, const GlFormat& format, bool reallocate);

    bool mirrorClamp_;
    std::unordered_map<std::uint64_t, Entry> entries_;
    std::unordered_map<SamplerKey, GLuint, SamplerKeyHash> samplers_;
    std::vector<float> scratch_;  // bump texels converted to floats
};

// Uploads one surface's pixels (level `level` of the bound GL_TEXTURE_2D), honouring its pitch.
// `allocate` makes the level's storage; otherwise the existing storage is overwritten.
void UploadSurface(const SurfaceData& surface, const GlFormat& format, GLint level, bool allocate,
                   std::vector<float>& scratch);

}  // namespace d3d8::gl
