// Recognises the draws whose pixels can take the simple shading function (SimpleShading).
#pragma once

#include "platform/d3d8/ref/ref_types.h"

namespace d3d8::ref {

// Reads the stage, specular, alpha test and texture state of a prepared context.
SimpleShading ClassifySimpleShading(const DrawContext& ctx);

}  // namespace d3d8::ref
