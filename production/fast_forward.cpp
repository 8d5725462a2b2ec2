#include "production/fast_forward.h"

#include "production/timeline_clock.h"

namespace fast_forward {

float FrameTime(std::int64_t frame, int fps) { return static_cast<float>(static_cast<double>(frame) / fps); }

bool MustRasterize(std::int64_t frame, std::int64_t firstShown, int fps) {
    if (frame >= firstShown) return true;
    return FrameTime(firstShown, fps) >= timeline::kEnd && FrameTime(frame, fps) < timeline::kEnd &&
           FrameTime(frame + 1, fps) >= timeline::kEnd;
}

}  // namespace fast_forward
