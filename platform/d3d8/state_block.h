// A state block: a set of device states and their values. Recording (Begin/EndStateBlock)
// collects exactly the states set meanwhile; capture refreshes those values from the
// device; apply sets them on the device. Nothing else is touched.
#pragma once

#include "platform/d3d8/device.h"

#include <bitset>
#include <map>
#include <utility>
#include <vector>

namespace d3d8 {

class StateBlock {
public:
    void RecordRenderState(DWORD state, DWORD value);
    void RecordStageState(DWORD stage, DWORD type, DWORD value);
    void RecordTransform(DWORD state, const D3DMATRIX& matrix);
    void RecordViewport(const D3DVIEWPORT8& viewport);
    void RecordMaterial(const D3DMATERIAL8& material);
    void RecordLight(DWORD index, const D3DLIGHT8& light);
    void RecordLightEnable(DWORD index, bool enabled);
    void RecordTexture(DWORD stage, Texture* texture);
    void RecordVertexShader(DWORD fvf);
    void RecordStream(UINT stream, VertexBuffer* buffer, UINT stride);
    void RecordIndices(IndexBuffer* buffer, UINT baseVertexIndex);

    // Marks the states of a D3DSBT_* type as recorded (values follow with Capture).
    void Select(const Device& device, D3DSTATEBLOCKTYPE type);

    void Capture(const Device& device);
    void Apply(Device& device) const;

private:
    struct LightRecord {
        bool hasLight = false;
        D3DLIGHT8 light{};
        bool hasEnable = false;
        bool enabled = false;
    };
    struct StreamRecord {
        InternalRef<VertexBuffer> buffer;
        UINT stride = 0;
    };

    // Which states are in the block: a set for lookups, a list (in the order first set)
    // so that capture and apply visit only those.
    std::bitset<D3DRS_TABLE_SIZE> renderStateSet_;
    std::vector<DWORD> renderStateList_;
    DWORD renderStates_[D3DRS_TABLE_SIZE] = {};
    std::bitset<D3DTSS_TABLE_SIZE> stageStateSet_[kMaxStages];
    std::vector<std::pair<DWORD, DWORD>> stageStateList_;  // stage, type
    DWORD stageStates_[kMaxStages][D3DTSS_TABLE_SIZE] = {};
    std::vector<std::pair<DWORD, D3DMATRIX>> transforms_;  // in the order first set
    bool hasViewport_ = false;
    D3DVIEWPORT8 viewport_{};
    bool hasMaterial_ = false;
    D3DMATERIAL8 material_{};
    std::map<DWORD, LightRecord> lights_;
    std::bitset<kMaxStages> textureSet_;
    InternalRef<Texture> textures_[kMaxStages];
    bool hasVertexShader_ = false;
    DWORD vertexShader_ = 0;
    std::bitset<kMaxStreams> streamSet_;
    StreamRecord streams_[kMaxStreams];
    bool hasIndices_ = false;
    InternalRef<IndexBuffer> indices_;
    UINT baseVertexIndex_ = 0;
};

}  // namespace d3d8
