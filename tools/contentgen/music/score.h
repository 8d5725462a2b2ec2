// The arrangement of the production's music.
#pragma once

#include "synth.h"

namespace music {

// Length of the track in seconds and the span over which it fades to silence
// (production time).
constexpr double kLengthSeconds = 222.0;
constexpr double kFadeStart = 216.5, kFadeEnd = 219.0;

// Renders every note of the piece into the buses.
void Compose(Mix& m);

}  // namespace music
