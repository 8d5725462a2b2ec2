// Forced into the REF conformance tests when they are built a second time for HAL: their
// canvas asks for CreateRefRasterizer(), and gets a rasterizer that draws every scene with
// REF and with HAL and compares the two after each call (dual_rasterizer.h).
#pragma once

#include "platform/d3d8/ref/ref_rasterizer.h"

namespace d3d8 {
std::unique_ptr<Rasterizer> CreateDualRasterizer(RefPixelPaths paths = RefPixelPathsFromEnvironment(),
                                                 RefInstructions instructions = RefInstructionsFromEnvironment());
}

#define CreateRefRasterizer CreateDualRasterizer
