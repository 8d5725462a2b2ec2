// Running the production ahead without its pictures, as recording from a later time and seeking
// do: every frame runs in full (clocks, random draws and particle steps shape the next frames)
// at a fixed step, and only the frames whose pictures are seen are rasterized. Every picture is
// drawn anew on a cleared screen, except after the timeline's end, where the last picture stays.
#pragma once

#include <cstdint>

namespace fast_forward {

// The production time of frame n at `fps` frames a second, as the frame clock gives it.
float FrameTime(std::int64_t frame, int fps);

// Whether frame `frame` needs its pixels when frame `firstShown` is the first picture seen:
// that one and all after it, and, when it lies at or after the end, the last frame before the end.
bool MustRasterize(std::int64_t frame, std::int64_t firstShown, int fps);

}  // namespace fast_forward
