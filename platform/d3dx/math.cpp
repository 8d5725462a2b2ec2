#include "platform/d3dx/math.h"

#include <cmath>
#include <utility>

namespace {

DWORD ClampToByte(float component) {
    if (!(component > 0.0f)) return 0;  // also catches NaN
    if (component >= 1.0f) return 255;
    return static_cast<DWORD>(component * 255.0f + 0.5f);
}

}  // namespace

D3DXCOLOR::D3DXCOLOR(D3DCOLOR argb)
    : r(((argb >> 16) & 0xff) / 255.0f),
      g(((argb >> 8) & 0xff) / 255.0f),
      b((argb & 0xff) / 255.0f),
      a((argb >> 24) / 255.0f) {}

D3DXCOLOR::operator D3DCOLOR() const {
    return D3DCOLOR_ARGB(ClampToByte(a), ClampToByte(r), ClampToByte(g), ClampToByte(b));
}

D3DXMATRIX::D3DXMATRIX(float m11, float m12, float m13, float m14, float m21, float m22, float m23, float m24,
                       float m31, float m32, float m33, float m34, float m41, float m42, float m43, float m44)
    : D3DMATRIX{} {
    _11 = m11, _12 = m12, _13 = m13, _14 = m14;
    _21 = m21, _22 = m22, _23 = m23, _24 = m24;
    _31 = m31, _32 = m32, _33 = m33, _34 = m34;
    _41 = m41, _42 = m42, _43 = m43, _44 = m44;
}

D3DXMATRIX D3DXMATRIX::operator*(const D3DXMATRIX& rhs) const {
    D3DXMATRIX out;
    D3DXMatrixMultiply(&out, this, &rhs);
    return out;
}

bool D3DXMATRIX::operator==(const D3DXMATRIX& rhs) const {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            if (m[r][c] != rhs.m[r][c]) return false;
    return true;
}

D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* pOut) {
    *pOut = D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
    return pOut;
}

D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* pOut, float x, float y, float z) {
    *pOut = D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1);
    return pOut;
}

D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* pOut, float sx, float sy, float sz) {
    *pOut = D3DXMATRIX(sx, 0, 0, 0, 0, sy, 0, 0, 0, 0, sz, 0, 0, 0, 0, 1);
    return pOut;
}

D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* pOut, float angle) {
    const float c = std::cos(angle), s = std::sin(angle);
    *pOut = D3DXMATRIX(1, 0, 0, 0, 0, c, s, 0, 0, -s, c, 0, 0, 0, 0, 1);
    return pOut;
}

D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* pOut, float angle) {
    const float c = std::cos(angle), s = std::sin(angle);
    *pOut = D3DXMATRIX(c, 0, -s, 0, 0, 1, 0, 0, s, 0, c, 0, 0, 0, 0, 1);
    return pOut;
}

D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* pOut, float angle) {
    const float c = std::cos(angle), s = std::sin(angle);
    *pOut = D3DXMATRIX(c, s, 0, 0, -s, c, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
    return pOut;
}

D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* pOut, const D3DXMATRIX* pM1, const D3DXMATRIX* pM2) {
    D3DXMATRIX product;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            product.m[r][c] = pM1->m[r][0] * pM2->m[0][c] + pM1->m[r][1] * pM2->m[1][c] +
                              pM1->m[r][2] * pM2->m[2][c] + pM1->m[r][3] * pM2->m[3][c];
    *pOut = product;
    return pOut;
}

D3DXMATRIX* D3DXMatrixTranspose(D3DXMATRIX* pOut, const D3DXMATRIX* pM) {
    D3DXMATRIX t;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) t.m[r][c] = pM->m[c][r];
    *pOut = t;
    return pOut;
}

D3DXMATRIX* D3DXMatrixInverse(D3DXMATRIX* pOut, float* pDeterminant, const D3DXMATRIX* pM) {
    // Gauss-Jordan elimination with partial pivoting, in double precision.
    double a[4][8];
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            a[r][c] = pM->m[r][c];
            a[r][c + 4] = (r == c) ? 1.0 : 0.0;
        }
    double determinant = 1.0;
    for (int col = 0; col < 4; ++col) {
        int pivot = col;
        for (int r = col + 1; r < 4; ++r)
            if (std::fabs(a[r][col]) > std::fabs(a[pivot][col])) pivot = r;
        if (a[pivot][col] == 0.0) return nullptr;
        if (pivot != col) {
            for (int c = 0; c < 8; ++c) std::swap(a[pivot][c], a[col][c]);
            determinant = -determinant;
        }
        const double p = a[col][col];
        determinant *= p;
        for (int c = 0; c < 8; ++c) a[col][c] /= p;
        for (int r = 0; r < 4; ++r) {
            if (r == col) continue;
            const double f = a[r][col];
            for (int c = 0; c < 8; ++c) a[r][c] -= f * a[col][c];
        }
    }
    if (pDeterminant) *pDeterminant = static_cast<float>(determinant);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) pOut->m[r][c] = static_cast<float>(a[r][c + 4]);
    return pOut;
}

D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* pOut, const D3DXVECTOR3* pEye, const D3DXVECTOR3* pAt,
                               const D3DXVECTOR3* pUp) {
    D3DXVECTOR3 zaxis = *pAt - *pEye;
    D3DXVec3Normalize(&zaxis, &zaxis);
    D3DXVECTOR3 xaxis;
    D3DXVec3Cross(&xaxis, pUp, &zaxis);
    D3DXVec3Normalize(&xaxis, &xaxis);
    D3DXVECTOR3 yaxis;
    D3DXVec3Cross(&yaxis, &zaxis, &xaxis);
    *pOut = D3DXMATRIX(xaxis.x, yaxis.x, zaxis.x, 0, xaxis.y, yaxis.y, zaxis.y, 0, xaxis.z, yaxis.z, zaxis.z, 0,
                       -D3DXVec3Dot(&xaxis, pEye), -D3DXVec3Dot(&yaxis, pEye), -D3DXVec3Dot(&zaxis, pEye), 1);
    return pOut;
}

D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* pOut, float fovy, float aspect, float zn, float zf) {
    const float yscale = 1.0f / std::tan(fovy / 2.0f);
    const float xscale = yscale / aspect;
    const float q = zf / (zf - zn);
    *pOut = D3DXMATRIX(xscale, 0, 0, 0, 0, yscale, 0, 0, 0, 0, q, 1, 0, 0, -zn * q, 0);
    return pOut;
}

D3DXMATRIX* D3DXMatrixOrthoLH(D3DXMATRIX* pOut, float w, float h, float zn, float zf) {
    *pOut = D3DXMATRIX(2 / w, 0, 0, 0, 0, 2 / h, 0, 0, 0, 0, 1 / (zf - zn), 0, 0, 0, zn / (zn - zf), 1);
    return pOut;
}

float D3DXVec3Length(const D3DXVECTOR3* pV) { return std::sqrt(D3DXVec3Dot(pV, pV)); }

float D3DXVec3Dot(const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2) {
    return pV1->x * pV2->x + pV1->y * pV2->y + pV1->z * pV2->z;
}

D3DXVECTOR3* D3DXVec3Cross(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2) {
    *pOut = D3DXVECTOR3(pV1->y * pV2->z - pV1->z * pV2->y, pV1->z * pV2->x - pV1->x * pV2->z,
                        pV1->x * pV2->y - pV1->y * pV2->x);
    return pOut;
}

D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV) {
    const float length = D3DXVec3Length(pV);
    *pOut = length > 0.0f ? *pV / length : D3DXVECTOR3(0, 0, 0);
    return pOut;
}

D3DXVECTOR4* D3DXVec3Transform(D3DXVECTOR4* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM) {
    const float x = pV->x, y = pV->y, z = pV->z;
    *pOut = D3DXVECTOR4(x * pM->_11 + y * pM->_21 + z * pM->_31 + pM->_41,
                        x * pM->_12 + y * pM->_22 + z * pM->_32 + pM->_42,
                        x * pM->_13 + y * pM->_23 + z * pM->_33 + pM->_43,
                        x * pM->_14 + y * pM->_24 + z * pM->_34 + pM->_44);
    return pOut;
}

D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM) {
    D3DXVECTOR4 t;
    D3DXVec3Transform(&t, pV, pM);
    const float invW = t.w != 0.0f ? 1.0f / t.w : 0.0f;
    *pOut = D3DXVECTOR3(t.x * invW, t.y * invW, t.z * invW);
    return pOut;
}

D3DXVECTOR3* D3DXVec3TransformNormal(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM) {
    const float x = pV->x, y = pV->y, z = pV->z;
    *pOut = D3DXVECTOR3(x * pM->_11 + y * pM->_21 + z * pM->_31, x * pM->_12 + y * pM->_22 + z * pM->_32,
                        x * pM->_13 + y * pM->_23 + z * pM->_33);
    return pOut;
}

float D3DXVec4Length(const D3DXVECTOR4* pV) {
    return std::sqrt(pV->x * pV->x + pV->y * pV->y + pV->z * pV->z + pV->w * pV->w);
}

D3DXCOLOR* D3DXColorLerp(D3DXCOLOR* pOut, const D3DXCOLOR* pC1, const D3DXCOLOR* pC2, float s) {
    *pOut = *pC1 + (*pC2 - *pC1) * s;
    return pOut;
}
