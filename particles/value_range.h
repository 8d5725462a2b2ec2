// A range of values from which one is drawn each time it is needed: the particle script writes
// a plain number n as n..n and Random(a, b) as a..b. Vectors and colours are ranges per
// component. All draws come from the program-wide generator crt::rand().
#pragma once

#include "platform/crt_rand.h"
#include "platform/d3dx8.h"

// min when min equals max (nothing is drawn); otherwise min + |max - min| * rand()/32767.
// With min above max the result lies between min and 2*min - max.
inline float RandomInRange(float min, float max) {
    if (min == max) return min;
    const float r = static_cast<float>(crt::rand()) / static_cast<float>(crt::RAND_MAX_VALUE);
    const float span = max > min ? max - min : min - max;
    return min + span * r;
}

// Component by component, in the order x, y, z.
inline D3DXVECTOR3 RandomInRange(const D3DXVECTOR3& min, const D3DXVECTOR3& max) {
    D3DXVECTOR3 v;
    v.x = RandomInRange(min.x, max.x);
    v.y = RandomInRange(min.y, max.y);
    v.z = RandomInRange(min.z, max.z);
    return v;
}

// Component by component, in the order red, green, blue, alpha.
inline D3DXCOLOR RandomInRange(const D3DXCOLOR& min, const D3DXCOLOR& max) {
    D3DXCOLOR c;
    c.r = RandomInRange(min.r, max.r);
    c.g = RandomInRange(min.g, max.g);
    c.b = RandomInRange(min.b, max.b);
    c.a = RandomInRange(min.a, max.a);
    return c;
}

// Zero of each range type; the D3DX types do not promise to zero themselves.
inline float ZeroValue(float*) { return 0.0f; }
inline D3DXVECTOR3 ZeroValue(D3DXVECTOR3*) { return D3DXVECTOR3(0.0f, 0.0f, 0.0f); }
inline D3DXCOLOR ZeroValue(D3DXCOLOR*) { return D3DXCOLOR(0.0f, 0.0f, 0.0f, 0.0f); }

template <class T>
struct ValueRange {
    T min;
    T max;

    // 0 to 0
    ValueRange() : min(ZeroValue(static_cast<T*>(nullptr))), max(min) {}
    ValueRange(const T& lo, const T& hi) : min(lo), max(hi) {}

    T Pick() const { return RandomInRange(min, max); }
};
