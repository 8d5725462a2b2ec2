#include "platform/d3d8/backend.h"

#include "platform/d3d8/gl/gl_rasterizer.h"
#include "platform/d3d8/ref/ref_rasterizer.h"
#include "platform/d3d8/testing.h"

#include <utility>

namespace d3d8 {

namespace {

testing::RasterizerFactory& Factory() {
    static testing::RasterizerFactory factory;
    return factory;
}

}  // namespace

bool RasterizerAvailable(D3DDEVTYPE type) {
    if (Factory()) return type == D3DDEVTYPE_REF || type == D3DDEVTYPE_HAL;
    if (type == D3DDEVTYPE_REF) return true;
    if (type == D3DDEVTYPE_HAL) {
        static const bool hal = GlRasterizerAvailable();  // asked once per process
        return hal;
    }
    return false;
}

std::unique_ptr<Rasterizer> CreateRasterizer(D3DDEVTYPE type, HWND window) {
    if (!RasterizerAvailable(type)) return nullptr;
    if (Factory()) return Factory()(type);
    return type == D3DDEVTYPE_HAL ? CreateGlRasterizer(window) : CreateRefRasterizer();
}

namespace testing {

RasterizerFactory SetRasterizerFactory(RasterizerFactory factory) {
    return std::exchange(Factory(), std::move(factory));
}

}  // namespace testing

}  // namespace d3d8
