// libFuzzer target for one image decoder (FUZZ_IMAGE_TYPE: 0 BMP, 1 JPEG, 3 PNG, 4 DDS, the
// D3DXIMAGE_FILEFORMAT numbers) through the whole texture loader the production uses: decode,
// colour key, resample to powers of two, mip chain, pack into the texture's format.
// Inputs of another format are refused (not kept in the corpus) so each target stays on its
// own decoder. Any input must give a texture or an error, never a crash, hang or leak.
#include "fuzz/fuzz_device.h"
#include "platform/d3dx/image.h"
#include "platform/d3dx8.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr auto kType = static_cast<d3dx::ImageFileType>(FUZZ_IMAGE_TYPE);
    if (d3dx::DetectImageFileType(data, size) != kType) return -1;
    IDirect3DDevice8* device = fuzz::Device();

    // As D3DXCreateTextureFromFile: the file's size and format, full mip chain.
    D3DXIMAGE_INFO info{};
    IDirect3DTexture8* texture = nullptr;
    HRESULT hr = D3DXCreateTextureFromFileInMemoryEx(device, data, static_cast<UINT>(size), D3DX_DEFAULT,
                                                     D3DX_DEFAULT, D3DX_DEFAULT, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED,
                                                     D3DX_DEFAULT, D3DX_DEFAULT, 0, &info, nullptr, &texture);
    if (FAILED(hr)) {
        if (texture) fuzz::Fail();
        return 0;
    }
    if (!texture || info.Width == 0 || info.Height == 0) fuzz::Fail();
    D3DSURFACE_DESC desc{};
    if (FAILED(texture->GetLevelDesc(0, &desc)) || desc.Width == 0 || (desc.Width & (desc.Width - 1)) ||
        desc.Height == 0 || (desc.Height & (desc.Height - 1)))
        fuzz::Fail();
    if (texture->Release() != 0) fuzz::Fail();

    // As the production's colour-keyed pictures: one level, A8R8G8B8, black keyed out; and a
    // 16-bit format with a different size, for the other packing and resampling paths.
    if (static_cast<std::uint64_t>(info.Width) * info.Height > 256 * 256) return 0;
    hr = D3DXCreateTextureFromFileInMemoryEx(device, data, static_cast<UINT>(size), 0, 0, 1, 0, D3DFMT_A8R8G8B8,
                                             D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0xff000000, nullptr,
                                             nullptr, &texture);
    if (FAILED(hr) || texture->Release() != 0) fuzz::Fail();  // it decoded once, it decodes again
    hr = D3DXCreateTextureFromFileInMemoryEx(device, data, static_cast<UINT>(size), 48, 20, 0, 0, D3DFMT_A1R5G5B5,
                                             D3DPOOL_MANAGED, D3DX_FILTER_POINT, D3DX_FILTER_LINEAR, 0, nullptr,
                                             nullptr, &texture);
    if (FAILED(hr) || texture->Release() != 0) fuzz::Fail();
    return 0;
}
