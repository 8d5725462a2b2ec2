// The tests' off-screen REF device behind a recording wrapper that records from the start,
// inside a scene so that draws reach the rasterizer.
#pragma once

#include "tests/support/recording_device.h"
#include "tests/support/ref_device.h"

namespace fake {

namespace detail {
struct RefDeviceMember {  // built before the wrapper, released after it
    RefDeviceMember(UINT width, UINT height) : ref(width, height) {}
    test_support::RefDevice ref;
};
}  // namespace detail

class RecordingRefDevice : private detail::RefDeviceMember, public RecordingDevice {
public:
    explicit RecordingRefDevice(UINT width = 64, UINT height = 64)
        : RefDeviceMember(width, height), RecordingDevice(ref.get()) {
        recording = true;
        inner_->BeginScene();
    }
    ~RecordingRefDevice() { inner_->EndScene(); }

    // Textures, buffers and meshes alive that were made on the device (each holds a reference).
    int LiveObjects() const { return static_cast<int>(References()) - 1; }
};

}  // namespace fake
