// An off-screen device of type REF (the software rasterizer), released with its Direct3D
// object, for tests, benchmarks and fuzz targets.
#pragma once

#include "platform/d3d8.h"
#include "tests/support/present_params.h"

namespace test_support {

class RefDevice {
public:
    // Made with `pp`, software vertex processing, no window.
    explicit RefDevice(D3DPRESENT_PARAMETERS pp);
    // A width x height X8R8G8B8 back buffer, with a depth buffer unless depthFormat is UNKNOWN.
    RefDevice(UINT width, UINT height, D3DFORMAT depthFormat = D3DFMT_UNKNOWN)
        : RefDevice(TestPresentParams(width, height, depthFormat)) {}
    ~RefDevice();
    RefDevice(const RefDevice&) = delete;
    RefDevice& operator=(const RefDevice&) = delete;

    IDirect3DDevice8* get() const { return device_; }
    IDirect3DDevice8* operator->() const { return device_; }
    explicit operator bool() const { return device_ != nullptr; }
    HRESULT createResult() const { return createResult_; }

    // Releases the device now; the references left, 0 when nothing else holds it.
    ULONG Release();

protected:
    // Tries once more with `pp` when the first creation failed.
    void RetryWith(D3DPRESENT_PARAMETERS pp);

private:
    void Create(D3DPRESENT_PARAMETERS pp);

    IDirect3D8* d3d_ = nullptr;
    IDirect3DDevice8* device_ = nullptr;
    HRESULT createResult_ = E_FAIL;
};

}  // namespace test_support
