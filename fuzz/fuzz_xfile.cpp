// libFuzzer target for the text .x mesh parser through D3DXLoadMeshFromX (its in-memory
// form), then what the production does with a mesh: read the materials and their texture
// names, clone it into another vertex format and ask for its attribute table.
// Any input must give a mesh or an error, never a crash, hang or leak.
#include "fuzz/fuzz_device.h"
#include "platform/d3dx8.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    IDirect3DDevice8* device = fuzz::Device();
    ID3DXBuffer* adjacency = nullptr;
    ID3DXBuffer* materials = nullptr;
    DWORD materialCount = 0;
    ID3DXMesh* mesh = nullptr;
    const HRESULT hr = D3DXLoadMeshFromXInMemory(data, static_cast<DWORD>(size), D3DXMESH_SYSTEMMEM, device,
                                                 &adjacency, &materials, &materialCount, &mesh);
    if (FAILED(hr)) {
        if (mesh || materials || adjacency) fuzz::Fail();
        return 0;
    }
    if (!mesh || !adjacency) fuzz::Fail();

    if (materialCount) {
        if (!materials || materials->GetBufferSize() < materialCount * sizeof(D3DXMATERIAL)) fuzz::Fail();
        const auto* list = static_cast<const D3DXMATERIAL*>(materials->GetBufferPointer());
        std::size_t nameBytes = 0;
        for (DWORD i = 0; i < materialCount; ++i)
            if (list[i].pTextureFilename) nameBytes += std::strlen(list[i].pTextureFilename);
        (void)nameBytes;
    }
    if (adjacency->GetBufferSize() < mesh->GetNumFaces() * 3 * sizeof(DWORD)) fuzz::Fail();

    DWORD rangeCount = 0;
    if (FAILED(mesh->GetAttributeTable(nullptr, &rangeCount))) fuzz::Fail();
    std::vector<D3DXATTRIBUTERANGE> ranges(rangeCount);
    if (rangeCount && FAILED(mesh->GetAttributeTable(ranges.data(), &rangeCount))) fuzz::Fail();
    for (const D3DXATTRIBUTERANGE& r : ranges)
        if (r.FaceStart + r.FaceCount > mesh->GetNumFaces()) fuzz::Fail();

    ID3DXMesh* clone = nullptr;
    if (SUCCEEDED(mesh->CloneMeshFVF(D3DXMESH_MANAGED, D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1, device, &clone)))
        if (clone->Release() != 0) fuzz::Fail();

    if (mesh->Release() != 0 || adjacency->Release() != 0) fuzz::Fail();
    if (materials && materials->Release() != 0) fuzz::Fail();
    return 0;
}
