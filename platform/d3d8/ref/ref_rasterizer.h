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
// for (the default), or the x86-64 baseline, which must give the same bytes.
// MORVELT_REF_ISA=baseline makes the second the default, to compare the two.
enum class RefInstructions { Widest, Baseline };
RefInstructions RefInstructionsFromEnvironment();

std::unique_ptr<Rasterizer> CreateRefRasterizer(RefPixelPaths paths = RefPixelPathsFromEnvironment(),
                                                RefInstructions instructions = RefInstructionsFromEnvironment());

}  // namespace d3d8
