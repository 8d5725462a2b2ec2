// The REF device behind the recording wrapper as the effects' tests use it: draws keep their
// vertices and the blend, cull, lighting and first-stage states they were made with.
#pragma once

#include <string>

#include "tests/support/recording_ref_device.h"

struct EffectsDevice : fake::RecordingRefDevice {
    EffectsDevice() {
        copyVertices = true;
        watchedRenderStates = {D3DRS_ALPHABLENDENABLE, D3DRS_SRCBLEND, D3DRS_DESTBLEND, D3DRS_CULLMODE, D3DRS_LIGHTING};
        watchedStageStates = {{0, D3DTSS_COLOROP}, {0, D3DTSS_COLORARG1}, {0, D3DTSS_ALPHAOP}, {0, D3DTSS_ALPHAARG1}};
    }
    // "<size> <usage> <FVF> <pool>" of the last vertex buffer made.
    std::string LastVertexBuffer() const {
        D3DVERTEXBUFFER_DESC d{};
        if (!lastVertexBuffer || FAILED(lastVertexBuffer->GetDesc(&d))) return "none";
        return std::to_string(d.Size) + " " + std::to_string(d.Usage) + " " + std::to_string(d.FVF) + " " +
               std::to_string(d.Pool);
    }
};
