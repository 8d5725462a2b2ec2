#include "platform/d3d8/gl/shader_key.h"

#include "platform/d3d8/gl/draw.h"
#include "platform/d3d8/gl/texture_cache.h"

#include <algorithm>

namespace d3d8::gl {

std::size_t ShaderKeyHash::operator()(const ShaderKey& k) const {
    // FNV-1a over the bytes: keys are small and built with every byte set.
    const auto* p = reinterpret_cast<const unsigned char*>(&k);
    std::uint64_t h = 1469598103934665603ull;
    for (std::size_t i = 0; i < sizeof k; ++i) {
        h ^= p[i];
        h *= 1099511628211ull;
    }
    return static_cast<std::size_t>(h);
}

namespace {

MaterialSource ResolveSource(DWORD source, bool colorVertex, const FvfLayout& layout) {
    if (colorVertex) {
        if (source == D3DMCS_COLOR1 && layout.diffuse >= 0) return MaterialSource::VertexDiffuse;
        if (source == D3DMCS_COLOR2 && layout.specular >= 0) return MaterialSource::VertexSpecular;
    }
    return MaterialSource::Material;
}

}  // namespace

void MakeShaderKey(const PipelineState& s, D3DPRIMITIVETYPE primitive, ShaderKey& k) {
    std::memset(&k, 0, sizeof k);
    const DWORD* rs = s.renderStates;
    const FvfLayout layout = DecodeFvf(s.fvf);

    k.preTransformed = layout.transformed;
    k.hasNormal = layout.normal >= 0;
    k.hasPointSize = layout.pointSize >= 0;
    k.hasDiffuse = layout.diffuse >= 0;
    k.hasSpecular = layout.specular >= 0;
    k.texSetCount = static_cast<std::uint8_t>(layout.texCoordCount);
    for (UINT i = 0; i < layout.texCoordCount; ++i) k.texSetSize[i] = static_cast<std::uint8_t>(layout.texCoordDims[i]);

    if (rs[D3DRS_LIGHTING] != 0 && !layout.transformed) {
        k.lighting = 1;
        k.normalize = rs[D3DRS_NORMALIZENORMALS] != 0;
        k.lightCount = static_cast<std::uint8_t>(std::min<UINT>(s.lightCount, kMaxActiveLights));
        for (UINT i = 0; i < k.lightCount; ++i) k.lightType[i] = static_cast<std::uint8_t>(s.lights[i].Type);
        const bool colorVertex = rs[D3DRS_COLORVERTEX] != 0;
        k.diffuseSource = ResolveSource(rs[D3DRS_DIFFUSEMATERIALSOURCE], colorVertex, layout);
        k.ambientSource = ResolveSource(rs[D3DRS_AMBIENTMATERIALSOURCE], colorVertex, layout);
        k.emissiveSource = ResolveSource(rs[D3DRS_EMISSIVEMATERIALSOURCE], colorVertex, layout);
    } else if (!layout.transformed && layout.normal >= 0) {
        k.normalize = rs[D3DRS_NORMALIZENORMALS] != 0;  // generated coordinates read the normal
    }

    const bool polygons = primitive == D3DPT_TRIANGLELIST || primitive == D3DPT_TRIANGLESTRIP ||
                          primitive == D3DPT_TRIANGLEFAN;
    if (primitive == D3DPT_POINTLIST)
        k.pointMode = PointMode::List;
    else if (polygons && rs[D3DRS_FILLMODE] == D3DFILL_POINT)
        k.pointMode = PointMode::PolygonCorners;
    if (k.pointMode != PointMode::None) {
        k.pointSprite = rs[D3DRS_POINTSPRITEENABLE] != 0;
        k.pointScale = rs[D3DRS_POINTSCALEENABLE] != 0 && !layout.transformed;
    }
    k.flatShading = rs[D3DRS_SHADEMODE] == D3DSHADE_FLAT && k.pointMode != PointMode::List;

    const FogChoice fog = ChooseFog(rs, layout, s.projection);
    k.fog = fog.source;
    k.fogMode = static_cast<std::uint8_t>(fog.mode);
    k.fogFromW = fog.fromW;
    if (rs[D3DRS_ALPHATESTENABLE]) k.alphaFunc = static_cast<std::uint8_t>(std::clamp<DWORD>(rs[D3DRS_ALPHAFUNC], 1, 8));
    k.specularAdd = rs[D3DRS_SPECULARENABLE] != 0 && layout.specular >= 0;

    const UINT stages = CascadeLength(s);
    for (UINT i = 0; i < stages; ++i) {
        const DWORD* ss = s.stageStates[i];
        ShaderKey::Stage& st = k.stages[i];
        st.colorOp = static_cast<std::uint8_t>(std::min<DWORD>(ss[D3DTSS_COLOROP], 255));
        const DWORD alphaOp = ss[D3DTSS_ALPHAOP];
        st.alphaOp = alphaOp == D3DTOP_DISABLE ? 0 : static_cast<std::uint8_t>(std::min<DWORD>(alphaOp, 255));
        st.colorArg1 = static_cast<std::uint8_t>(ss[D3DTSS_COLORARG1] & 0x3f);
        st.colorArg2 = static_cast<std::uint8_t>(ss[D3DTSS_COLORARG2] & 0x3f);
        st.alphaArg1 = static_cast<std::uint8_t>(ss[D3DTSS_ALPHAARG1] & 0x3f);
        st.alphaArg2 = static_cast<std::uint8_t>(ss[D3DTSS_ALPHAARG2] & 0x3f);
        st.coordIndex = static_cast<std::uint8_t>(ss[D3DTSS_TEXCOORDINDEX] & 0x7);
        if ((ss[D3DTSS_TEXCOORDINDEX] & 0xffff) >= kMaxStages) st.coordIndex = 0xff;  // no such set: zeros
        const DWORD gen = ss[D3DTSS_TEXCOORDINDEX] >> 16;
        st.coordGen = static_cast<std::uint8_t>(gen <= 3 ? gen : 0);  // unknown sources pass the set through
        st.transform = (ss[D3DTSS_TEXTURETRANSFORMFLAGS] & 0xff) != D3DTTFF_DISABLE;
        st.texture = KindOfTexture(s.textures[i]);
        ++k.stageCount;
    }
}

}  // namespace d3d8::gl
