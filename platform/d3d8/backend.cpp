#include "platform/d3d8/backend.h"

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
    return type == D3DDEVTYPE_REF;  // HAL: once the OpenGL rasterizer lands
}

std::unique_ptr<Rasterizer> CreateRasterizer(D3DDEVTYPE type) {
    if (!RasterizerAvailable(type)) return nullptr;
    if (Factory()) return Factory()(type);
    return CreateRefRasterizer();
}

namespace testing {

RasterizerFactory SetRasterizerFactory(RasterizerFactory factory) {
    return std::exchange(Factory(), std::move(factory));
}

}  // namespace testing

}  // namespace d3d8
