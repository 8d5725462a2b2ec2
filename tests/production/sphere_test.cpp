#include "production/sphere.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

TEST(Sphere, DenseTessellationHas930Vertices) {
    EXPECT_EQ(sphere::VertexCount(sphere::kDense), 930u);
    EXPECT_EQ(sphere::VertexCount(sphere::kSparse), 110u);
}

TEST(Sphere, UnmorphedRingsFollowTheMixedFormulas) {
    std::vector<TwoTextureVertex> vertices(sphere::VertexCount(sphere::kSparse));
    D3DXMATRIX view;
    const D3DXVECTOR3 eye(0, 0, -3), at(0, 0, 0), up(0, 1, 0);
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    sphere::Fill(sphere::kSparse, 0.0f, view, vertices.data());
    // With phase 0, s = 0: ring A has radius sin(0) = 0 and height cos(i dTheta);
    // ring B has radius sin((i+1) dTheta) and height cos(0) = 1.
    const float dTheta = D3DX_PI / 5;
    const TwoTextureVertex& a = vertices[2 * (2 * 11) + 0];  // ring 2, column 0, vertex A
    const TwoTextureVertex& b = vertices[2 * (2 * 11) + 1];
    EXPECT_NEAR(a.position.x, 0.0f, 1e-6f);
    EXPECT_NEAR(a.position.y, std::cos(2 * dTheta), 1e-6f);
    EXPECT_NEAR(b.position.z, std::sin(3 * dTheta), 1e-6f);
    EXPECT_NEAR(b.position.y, 1.0f, 1e-6f);
    EXPECT_EQ(a.normal, a.position);
    EXPECT_FLOAT_EQ(b.v2, 3.0f / 5);
    EXPECT_FLOAT_EQ(vertices[2 * 10].u2, -1.0f);  // last column of ring 0
}

TEST(Sphere, EnvironmentCoordinatesComeFromTheTransformedNormal) {
    std::vector<TwoTextureVertex> vertices(sphere::VertexCount(sphere::kSparse));
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    sphere::Fill(sphere::kSparse, 0.0f, identity, vertices.data());
    // Ring 0, vertex B, column 0: normal (0, 1, sin dTheta); q = (n, 1); k = 1.37 / |q|.
    const TwoTextureVertex& b = vertices[1];
    const float z = std::sin(D3DX_PI / 5);
    const float k = 1.37f / std::sqrt(1 + z * z + 1);
    EXPECT_NEAR(b.u1, 0.5f, 1e-5f);
    EXPECT_NEAR(b.v1, 0.5f - k, 1e-5f);
}
