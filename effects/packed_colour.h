// Float colours to packed ARGB vertex colours, the way the effects write them.
#pragma once

#include "platform/d3dx8.h"

namespace effects {

// One channel, 0..1 to 0..255: 255 at or above 1, 0 at or below 0 (and for NaN),
// otherwise the integer part of c * 255 + 0.5.
inline DWORD PackChannel(float c) {
    if (c >= 1.0f) return 255;
    if (!(c > 0.0f)) return 0;
    return static_cast<DWORD>(c * 255.0f + 0.5f);
}

// Alpha in bits 24..31, red 16..23, green 8..15, blue 0..7.
inline D3DCOLOR PackColour(const D3DXCOLOR& c) {
    return (PackChannel(c.a) << 24) | (PackChannel(c.r) << 16) | (PackChannel(c.g) << 8) | PackChannel(c.b);
}

}  // namespace effects
