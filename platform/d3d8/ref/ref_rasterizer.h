// Device type REF: the software rasterizer, and the choices it can be made with.
#pragma once

#include "platform/d3d8/rasterizer.h"

#include <memory>

namespace d3d8 {

// The pixel functions REF draws with: those built for the common state classes wherever a
// draw fits one (the default), or the general one for every draw, which must give the same
// bytes. MORVELT_REF_PIXELS=general makes the second the default, to compare the two.
enum class RefPixelPaths { Specialised, General };
RefPixelPaths RefPixelPathsFromEnvironment();

// The instructions REF's pixel loops run with: the widest the processor has that REF is built
// for (the default), at most AVX2, the architecture's baseline (SSE2 on x86-64), or none (one
// lane in plain C++); all must give the same bytes. MORVELT_REF_ISA=avx2, =baseline or =scalar
// makes one of the last three the default, to compare them.
enum class RefInstructions { Widest, Avx2, Baseline, Scalar };
RefInstructions RefInstructionsFromEnvironment();

std::unique_ptr<Rasterizer> CreateRefRasterizer(RefPixelPaths paths = RefPixelPathsFromEnvironment(),
                                                RefInstructions instructions = RefInstructionsFromEnvironment());

}  // namespace d3d8
