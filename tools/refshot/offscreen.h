// An off-screen REF device that renders one scene at a time and reads the picture back.
#pragma once

#include "scenes.h"

#include <cstdint>
#include <string>
#include <vector>

namespace refshot {

class OffscreenDevice {
public:
    OffscreenDevice() = default;
    ~OffscreenDevice();
    OffscreenDevice(const OffscreenDevice&) = delete;
    OffscreenDevice& operator=(const OffscreenDevice&) = delete;

    // Makes the device with an X8R8G8B8 back buffer of width x height pixels and a depth buffer.
    bool Create(UINT width, UINT height, std::string& error);

    // Draws `scene` from the state of a fresh device and returns its picture as RGB rows.
    bool Render(const Scene& scene, std::vector<std::uint8_t>& rgb, std::string& error);

private:
    bool ReadBackBuffer(std::vector<std::uint8_t>& rgb);

    IDirect3D8* d3d_ = nullptr;
    IDirect3DDevice8* device_ = nullptr;
    D3DPRESENT_PARAMETERS params_{};
};

}  // namespace refshot
