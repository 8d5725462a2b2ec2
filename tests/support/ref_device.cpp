#include "tests/support/ref_device.h"

namespace test_support {

RefDevice::RefDevice(D3DPRESENT_PARAMETERS pp) {
    d3d_ = Direct3DCreate8(D3D_SDK_VERSION);
    if (d3d_) Create(pp);
}

RefDevice::~RefDevice() {
    Release();
    if (d3d_) d3d_->Release();
}

ULONG RefDevice::Release() {
    if (!device_) return 0;
    const ULONG left = device_->Release();
    device_ = nullptr;
    return left;
}

void RefDevice::RetryWith(D3DPRESENT_PARAMETERS pp) {
    if (d3d_ && !device_) Create(pp);
}

void RefDevice::Create(D3DPRESENT_PARAMETERS pp) {
    createResult_ = d3d_->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_REF, nullptr,
                                       D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &device_);
    if (FAILED(createResult_)) device_ = nullptr;
}

}  // namespace test_support
