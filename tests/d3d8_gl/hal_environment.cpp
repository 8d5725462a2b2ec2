// Skips the whole differential suite where no OpenGL 3.3 core context can be made.
#include "platform/d3d8/gl/gl_rasterizer.h"

#include <gtest/gtest.h>

namespace {

class HalEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (!d3d8::GlRasterizerAvailable()) GTEST_SKIP() << "no OpenGL 3.3 core context here (EGL surfaceless)";
    }
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new HalEnvironment);

}  // namespace
