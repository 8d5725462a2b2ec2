#include "platform/d3dx8.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr float kTolerance = 1e-5f;

void ExpectVec4Near(const D3DXVECTOR4& v, float x, float y, float z, float w) {
    EXPECT_NEAR(v.x, x, kTolerance);
    EXPECT_NEAR(v.y, y, kTolerance);
    EXPECT_NEAR(v.z, z, kTolerance);
    EXPECT_NEAR(v.w, w, kTolerance);
}

D3DXVECTOR4 Transform(float x, float y, float z, const D3DXMATRIX& m) {
    D3DXVECTOR4 out;
    D3DXVECTOR3 v(x, y, z);
    D3DXVec3Transform(&out, &v, &m);
    return out;
}

}  // namespace

TEST(D3DXMatrix, RotationsTurnAxesLeftHanded) {
    D3DXMATRIX m;
    D3DXMatrixRotationY(&m, D3DX_PI / 2);
    ExpectVec4Near(Transform(1, 0, 0, m), 0, 0, -1, 1);  // +x turns to -z about +y
    D3DXMatrixRotationZ(&m, D3DX_PI / 2);
    ExpectVec4Near(Transform(1, 0, 0, m), 0, 1, 0, 1);
    D3DXMatrixRotationX(&m, D3DX_PI / 2);
    ExpectVec4Near(Transform(0, 1, 0, m), 0, 0, 1, 1);
}

TEST(D3DXMatrix, MultiplyAppliesLeftOperandFirst) {
    D3DXMATRIX scale, move, both;
    D3DXMatrixScaling(&scale, 2, 2, 2);
    D3DXMatrixTranslation(&move, 1, 0, 0);
    D3DXMatrixMultiply(&both, &scale, &move);
    ExpectVec4Near(Transform(1, 1, 1, both), 3, 2, 2, 1);
    D3DXMatrixMultiply(&both, &both, &both);  // output may alias the inputs
    ExpectVec4Near(Transform(0, 0, 0, both), 3, 0, 0, 1);
}

TEST(D3DXMatrix, LookAtFromMinusThreeOnZ) {
    D3DXMATRIX view;
    D3DXVECTOR3 eye(0, 0, -3), at(0, 0, 0), up(0, 1, 0);
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    ExpectVec4Near(Transform(0, 0, 0, view), 0, 0, 3, 1);
    ExpectVec4Near(Transform(1, 2, 0, view), 1, 2, 3, 1);
}

TEST(D3DXMatrix, PerspectiveMapsNearToZeroAndFarToOne) {
    D3DXMATRIX proj;
    D3DXMatrixPerspectiveFovLH(&proj, D3DX_PI / 2, 1.0f, 1.0f, 100.0f);
    D3DXVECTOR4 nearPoint = Transform(0, 0, 1, proj);
    D3DXVECTOR4 farPoint = Transform(0, 0, 100, proj);
    EXPECT_NEAR(nearPoint.z / nearPoint.w, 0.0f, kTolerance);
    EXPECT_NEAR(farPoint.z / farPoint.w, 1.0f, kTolerance);
    D3DXVECTOR4 edge = Transform(1, 0, 1, proj);  // 45 degrees off axis: the edge of the view
    EXPECT_NEAR(edge.x / edge.w, 1.0f, kTolerance);
}

TEST(D3DXMatrix, InverseUndoesAndSingularFails) {
    D3DXMATRIX m, inv, product, identity;
    D3DXMatrixRotationY(&m, 0.7f);
    m._41 = 3;
    ASSERT_NE(D3DXMatrixInverse(&inv, nullptr, &m), nullptr);
    D3DXMatrixMultiply(&product, &m, &inv);
    D3DXMatrixIdentity(&identity);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_NEAR(product(r, c), identity(r, c), kTolerance);
    D3DXMATRIX singular;
    EXPECT_EQ(D3DXMatrixInverse(&inv, nullptr, &singular), nullptr);
}

TEST(D3DXColor, ConvertsByClampingAndRounding) {
    EXPECT_EQ(static_cast<D3DCOLOR>(D3DXCOLOR(1, 0.5f, 0, 1)), 0xFFFF8000u);
    EXPECT_EQ(static_cast<D3DCOLOR>(D3DXCOLOR(2, -1, 0.2f, 0.5f)), 0x80FF0033u);
    EXPECT_EQ(static_cast<D3DCOLOR>(D3DXCOLOR(NAN, 0, 0, 0)), 0x00000000u);
    D3DXCOLOR back(0x80FF0033u);
    EXPECT_NEAR(back.a, 128 / 255.0f, kTolerance);
    EXPECT_NEAR(back.b, 0.2f, kTolerance);
}

TEST(D3DXVector, LengthsAndNormalizeOfZero) {
    D3DXVECTOR4 v(1, 2, 2, 4);
    EXPECT_NEAR(D3DXVec4Length(&v), 5.0f, kTolerance);
    D3DXVECTOR3 zero, n;
    D3DXVec3Normalize(&n, &zero);
    EXPECT_EQ(n, D3DXVECTOR3(0, 0, 0));
}
