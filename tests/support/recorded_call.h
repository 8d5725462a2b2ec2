// What the recording device keeps of the calls it passes on.
#pragma once

#include <cstring>
#include <map>
#include <utility>
#include <vector>

#include "platform/d3d8.h"

namespace fake {

// Render states, texture-stage states and textures as set, by key; what a state block holds
// and what a draw was made with. Values never set are absent.
struct RecordedStates {
    std::map<DWORD, DWORD> renderStates;
    std::map<std::pair<DWORD, DWORD>, DWORD> stageStates;  // (stage, type) -> value
    std::map<DWORD, IDirect3DBaseTexture8*> textures;       // stage -> texture (may be null)

    DWORD RenderState(DWORD type) const { return Find(renderStates, type, 0xDEADBEEF); }
    DWORD StageState(DWORD stage, DWORD type) const { return Find(stageStates, {stage, type}, 0xDEADBEEF); }
    IDirect3DBaseTexture8* TextureAt(DWORD stage) const {
        return Find(textures, stage, static_cast<IDirect3DBaseTexture8*>(nullptr));
    }

private:
    template <typename Map, typename Value>
    static Value Find(const Map& map, const typename Map::key_type& key, Value absent) {
        auto it = map.find(key);
        return it == map.end() ? absent : it->second;
    }
};

// One recorded call. `what`: the stage, transform type, render state, clear flags, primitive
// type, type of the object made or state block; `value`: the render state's value, the clear
// colour, the primitive count or the size of the object made.
struct RecordedCall {
    enum Kind {
        kSetTexture, kSetTransform, kSetRenderState, kSetMaterial, kClear, kDraw, kCreate,
        kCaptureStateBlock, kApplyStateBlock
    } kind;
    DWORD what = 0;
    DWORD value = 0;
    IDirect3DBaseTexture8* texture = nullptr;  // set, or on stage 0 at a draw
    D3DMATRIX matrix{};                        // set, or the world transform at a draw
    D3DMATRIX view{};                          // at a draw
    IDirect3DVertexBuffer8* stream = nullptr;  // stream 0 at a draw (null for DrawPrimitiveUP)

    // At a draw: the first vertex or index, the indexed range, stream 0's stride, the index
    // buffer and the vertex shader (FVF), and with copyVertices the vertices DrawPrimitive read.
    UINT start = 0, minIndex = 0, numVertices = 0, stride = 0;
    IDirect3DIndexBuffer8* indices = nullptr;
    DWORD shader = 0;
    std::vector<BYTE> vertices{};
    D3DMATERIAL8 material{};  // set, or at a draw
    RecordedStates states{};  // at a draw: the watched states, read from the device

    template <typename Vertex>
    Vertex VertexAt(size_t i) const {
        Vertex v;
        std::memcpy(&v, vertices.data() + i * sizeof(Vertex), sizeof(Vertex));
        return v;
    }
    size_t VertexCount() const { return stride ? vertices.size() / stride : 0; }
};

}  // namespace fake
