// Vectors, colours and matrices with the published meanings: left-handed coordinates,
// row vectors (a point p transforms as p * M), angles in radians.
#pragma once

#include "platform/d3d8/types.h"

constexpr float D3DX_PI = 3.141592654f;

struct D3DXVECTOR2 {
    float x = 0, y = 0;
    D3DXVECTOR2() = default;
    D3DXVECTOR2(float fx, float fy) : x(fx), y(fy) {}
};

struct D3DXVECTOR3 : D3DVECTOR {
    D3DXVECTOR3() : D3DVECTOR{0, 0, 0} {}
    D3DXVECTOR3(float fx, float fy, float fz) : D3DVECTOR{fx, fy, fz} {}
    D3DXVECTOR3(const D3DVECTOR& v) : D3DVECTOR(v) {}

    D3DXVECTOR3& operator+=(const D3DXVECTOR3& v) { x += v.x; y += v.y; z += v.z; return *this; }
    D3DXVECTOR3& operator-=(const D3DXVECTOR3& v) { x -= v.x; y -= v.y; z -= v.z; return *this; }
    D3DXVECTOR3& operator*=(float s) { x *= s; y *= s; z *= s; return *this; }
    D3DXVECTOR3& operator/=(float s) { return *this *= 1.0f / s; }
    D3DXVECTOR3 operator-() const { return {-x, -y, -z}; }
    D3DXVECTOR3 operator+(const D3DXVECTOR3& v) const { return {x + v.x, y + v.y, z + v.z}; }
    D3DXVECTOR3 operator-(const D3DXVECTOR3& v) const { return {x - v.x, y - v.y, z - v.z}; }
    D3DXVECTOR3 operator*(float s) const { return {x * s, y * s, z * s}; }
    D3DXVECTOR3 operator/(float s) const { return *this * (1.0f / s); }
    bool operator==(const D3DXVECTOR3& v) const { return x == v.x && y == v.y && z == v.z; }
    bool operator!=(const D3DXVECTOR3& v) const { return !(*this == v); }
};
inline D3DXVECTOR3 operator*(float s, const D3DXVECTOR3& v) { return v * s; }

struct D3DXVECTOR4 {
    float x = 0, y = 0, z = 0, w = 0;
    D3DXVECTOR4() = default;
    D3DXVECTOR4(float fx, float fy, float fz, float fw) : x(fx), y(fy), z(fz), w(fw) {}
};

// Four unclamped floats. Converting to a D3DCOLOR clamps each to 0..1 and rounds x 255.
struct D3DXCOLOR {
    float r = 0, g = 0, b = 0, a = 0;
    D3DXCOLOR() = default;
    D3DXCOLOR(float fr, float fg, float fb, float fa) : r(fr), g(fg), b(fb), a(fa) {}
    D3DXCOLOR(D3DCOLOR argb);
    D3DXCOLOR(const D3DCOLORVALUE& c) : r(c.r), g(c.g), b(c.b), a(c.a) {}

    operator D3DCOLOR() const;
    operator D3DCOLORVALUE() const { return {r, g, b, a}; }

    D3DXCOLOR& operator+=(const D3DXCOLOR& c) { r += c.r; g += c.g; b += c.b; a += c.a; return *this; }
    D3DXCOLOR& operator-=(const D3DXCOLOR& c) { r -= c.r; g -= c.g; b -= c.b; a -= c.a; return *this; }
    D3DXCOLOR& operator*=(float s) { r *= s; g *= s; b *= s; a *= s; return *this; }
    D3DXCOLOR operator+(const D3DXCOLOR& c) const { return {r + c.r, g + c.g, b + c.b, a + c.a}; }
    D3DXCOLOR operator-(const D3DXCOLOR& c) const { return {r - c.r, g - c.g, b - c.b, a - c.a}; }
    D3DXCOLOR operator*(float s) const { return {r * s, g * s, b * s, a * s}; }
    bool operator==(const D3DXCOLOR& c) const { return r == c.r && g == c.g && b == c.b && a == c.a; }
    bool operator!=(const D3DXCOLOR& c) const { return !(*this == c); }
};
inline D3DXCOLOR operator*(float s, const D3DXCOLOR& c) { return c * s; }

struct D3DXMATRIX : D3DMATRIX {
    D3DXMATRIX() : D3DMATRIX{} {}
    D3DXMATRIX(const D3DMATRIX& m) : D3DMATRIX(m) {}
    D3DXMATRIX(float m11, float m12, float m13, float m14, float m21, float m22, float m23, float m24,
               float m31, float m32, float m33, float m34, float m41, float m42, float m43, float m44);

    float& operator()(UINT row, UINT col) { return m[row][col]; }
    float operator()(UINT row, UINT col) const { return m[row][col]; }
    operator float*() { return &_11; }
    operator const float*() const { return &_11; }

    D3DXMATRIX operator*(const D3DXMATRIX& rhs) const;
    D3DXMATRIX& operator*=(const D3DXMATRIX& rhs) { return *this = *this * rhs; }
    bool operator==(const D3DXMATRIX& rhs) const;
    bool operator!=(const D3DXMATRIX& rhs) const { return !(*this == rhs); }
};

D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* pOut);
D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* pOut, float x, float y, float z);
D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* pOut, float sx, float sy, float sz);
D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* pOut, float angle);
D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* pOut, float angle);
D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* pOut, float angle);
// pOut = pM1 * pM2: transforms by pM1 first, then by pM2. pOut may alias either input.
D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* pOut, const D3DXMATRIX* pM1, const D3DXMATRIX* pM2);
D3DXMATRIX* D3DXMatrixTranspose(D3DXMATRIX* pOut, const D3DXMATRIX* pM);
// Returns NULL (pOut untouched) when the matrix is singular; pDeterminant may be NULL.
D3DXMATRIX* D3DXMatrixInverse(D3DXMATRIX* pOut, float* pDeterminant, const D3DXMATRIX* pM);
D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* pOut, const D3DXVECTOR3* pEye, const D3DXVECTOR3* pAt,
                               const D3DXVECTOR3* pUp);
// Maps view-space z = zn to depth 0 and z = zf to depth 1; fovy in radians, aspect = width / height.
D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* pOut, float fovy, float aspect, float zn, float zf);
D3DXMATRIX* D3DXMatrixOrthoLH(D3DXMATRIX* pOut, float w, float h, float zn, float zf);

float D3DXVec3Length(const D3DXVECTOR3* pV);
float D3DXVec3Dot(const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2);
D3DXVECTOR3* D3DXVec3Cross(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2);
// A zero vector normalises to zero.
D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV);
// (x, y, z, 1) * M, without the divide by w.
D3DXVECTOR4* D3DXVec3Transform(D3DXVECTOR4* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM);
// (x, y, z, 1) * M divided by the resulting w.
D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM);
// (x, y, z, 0) * M: directions and normals (for normals pass the inverse transpose).
D3DXVECTOR3* D3DXVec3TransformNormal(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM);
float D3DXVec4Length(const D3DXVECTOR4* pV);
D3DXCOLOR* D3DXColorLerp(D3DXCOLOR* pOut, const D3DXCOLOR* pC1, const D3DXCOLOR* pC2, float s);
