// The text .x parser: structure, transforms, normals, materials, merging, broken files.
#include "platform/d3dx/constants.h"
#include "platform/d3dx/xfile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

using d3dx::XMeshData;

namespace {

const char* const kHeader = "xof 0303txt 0032\n";

HRESULT Parse(const std::string& body, XMeshData* out, std::string* error = nullptr) {
    const std::string text = kHeader + body;
    return d3dx::ParseXFile(text.data(), text.size(), out, error);
}

XMeshData MustParse(const std::string& body) {
    XMeshData m;
    std::string error;
    EXPECT_EQ(Parse(body, &m, &error), S_OK) << error;
    return m;
}

// A unit cube: 8 corners, 6 quads, one normal per side, two materials (sides 0-2 red
// and textured, 3-5 translucent blue), written as a common exporter writes it.
const std::string kCube = R"(
template Mesh {
 <3D82AB44-62DA-11cf-AB39-0020AF71E433>
 DWORD nVertices;
 array Vector vertices[nVertices];
 [...]
}
Header { 1; 0; 1; }
Mesh Cube {
 8;
 -1.0;-1.0;-1.0;, 1.0;-1.0;-1.0;, 1.0;1.0;-1.0;, -1.0;1.0;-1.0;,
 -1.0;-1.0;1.0;, 1.0;-1.0;1.0;, 1.0;1.0;1.0;, -1.0;1.0;1.0;;
 6;
 4;0,3,2,1;, 4;4,5,6,7;, 4;0,1,5,4;, 4;2,3,7,6;, 4;0,4,7,3;, 4;1,2,6,5;;
 MeshNormals {
  6;
  0.0;0.0;-1.0;, 0.0;0.0;1.0;, 0.0;-1.0;0.0;, 0.0;1.0;0.0;, -1.0;0.0;0.0;, 1.0;0.0;0.0;;
  6;
  4;0,0,0,0;, 4;1,1,1,1;, 4;2,2,2,2;, 4;3,3,3,3;, 4;4,4,4,4;, 4;5,5,5,5;;
 }
 MeshTextureCoords {
  8;
  0.0;0.0;, 1.0;0.0;, 1.0;1.0;, 0.0;1.0;, 0.0;0.0;, 1.0;0.0;, 1.0;1.0;, 0.0;1.0;;
 }
 MeshMaterialList {
  2;
  6;
  0,0,0,1,1,1;;
  Material Red {
   1.0;0.0;0.0;1.0;;
   8.0;
   0.5;0.5;0.5;;
   0.0;0.1;0.0;;
   TextureFilename { "cube.png"; }
  }
  Material {
   0.0;0.0;1.0;0.5;;
   0.0;
   0.0;0.0;0.0;;
   0.0;0.0;0.0;;
  }
 }
}
)";

// A triangle mesh: one triangle with the given first x coordinate offset.
std::string Triangle(const std::string& name, const std::string& extra = "") {
    return "Mesh " + name + " { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; " + extra + " }\n";
}

}  // namespace

// ---- normal ---------------------------------------------------------------------------

TEST(XFileParse, CubeWithMaterialsNormalsAndTexture) {
    const XMeshData m = MustParse(kCube);
    EXPECT_EQ(m.attributes.size(), 12u) << "6 quads become 12 triangles";
    EXPECT_EQ(m.vertices.size(), 24u) << "each corner splits into one vertex per side normal";
    EXPECT_TRUE(m.hasNormals);
    EXPECT_TRUE(m.hasTexCoords);
    ASSERT_EQ(m.materials.size(), 2u);
    EXPECT_FLOAT_EQ(m.materials[0].material.Diffuse.r, 1.0f);
    EXPECT_FLOAT_EQ(m.materials[0].material.Power, 8.0f);
    EXPECT_FLOAT_EQ(m.materials[0].material.Specular.g, 0.5f);
    EXPECT_FLOAT_EQ(m.materials[0].material.Emissive.g, 0.1f);
    EXPECT_EQ(m.materials[0].textureFilename, "cube.png");
    EXPECT_FLOAT_EQ(m.materials[1].material.Diffuse.a, 0.5f);
    EXPECT_TRUE(m.materials[1].textureFilename.empty());
    ASSERT_EQ(m.subsets.size(), 2u);
    EXPECT_EQ(m.subsets[0].attribute, 0u);
    EXPECT_EQ(m.subsets[0].faceStart, 0u);
    EXPECT_EQ(m.subsets[0].faceCount, 6u);
    EXPECT_EQ(m.subsets[1].faceStart, 6u);
    EXPECT_EQ(m.subsets[1].faceCount, 6u);
    // Every corner of a triangle carries its side's normal, and the subset's vertex range covers it.
    for (const auto& s : m.subsets) {
        for (UINT f = s.faceStart; f < s.faceStart + s.faceCount; ++f) {
            const auto& n0 = m.vertices[m.indices[f * 3]].normal;
            for (int k = 0; k < 3; ++k) {
                const UINT v = m.indices[f * 3 + k];
                EXPECT_EQ(m.vertices[v].normal, n0);
                EXPECT_GE(v, s.vertexStart);
                EXPECT_LT(v, s.vertexStart + s.vertexCount);
            }
        }
    }
}

TEST(XFileParse, PolygonsBecomeFansInOrder) {
    const XMeshData m = MustParse("Mesh { 5; 0;0;0;, 1;0;0;, 2;1;0;, 1;2;0;, 0;1;0;; 1; 5;0,1,2,3,4;; }");
    ASSERT_EQ(m.indices.size(), 9u);
    EXPECT_EQ(m.indices, (std::vector<UINT>{0, 1, 2, 0, 2, 3, 0, 3, 4}));
    EXPECT_FALSE(m.hasNormals);
    EXPECT_FALSE(m.hasTexCoords);
    EXPECT_TRUE(m.materials.empty()) << "no material list: zero materials";
    ASSERT_EQ(m.subsets.size(), 1u);
    EXPECT_EQ(m.subsets[0].attribute, 0u);
    EXPECT_EQ(m.vertices.size(), 5u) << "without normals the file's vertices are kept";
}

TEST(XFileParse, NestedFrameTransformsApplyChildThenParent) {
    // Parent translates by (0, 0, 5); the child scales by 2 and turns 90 degrees about z.
    const XMeshData m = MustParse(R"(
Frame Parent {
  FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 0,0,5,1;; }
  Frame Child {
    FrameTransformMatrix { 0,2,0,0, -2,0,0,0, 0,0,2,0, 0,0,0,1;; }
    Mesh { 3; 1;0;0;, 0;1;0;, 0;0;1;; 1; 3;0,1,2;;
      MeshNormals { 1; 1;0;0;; 1; 3;0,0,0;; }
    }
  }
}
)");
    ASSERT_EQ(m.vertices.size(), 3u);
    EXPECT_NEAR(m.vertices[0].position.x, 0.0f, 1e-6);
    EXPECT_NEAR(m.vertices[0].position.y, 2.0f, 1e-6);
    EXPECT_NEAR(m.vertices[0].position.z, 5.0f, 1e-6);
    EXPECT_NEAR(m.vertices[2].position.z, 7.0f, 1e-6);
    // The normal turns with the frame and stays unit length despite the scale.
    EXPECT_NEAR(m.vertices[0].normal.x, 0.0f, 1e-6);
    EXPECT_NEAR(m.vertices[0].normal.y, 1.0f, 1e-6);
}

TEST(XFileParse, NonUniformScaleKeepsNormalsPerpendicular) {
    // A plane x + y = 1 scaled by 2 in x: its normal must become (1, 2, 0) / sqrt(5).
    const XMeshData m = MustParse(R"(
Frame { FrameTransformMatrix { 2,0,0,0, 0,1,0,0, 0,0,1,0, 0,0,0,1;; }
  Mesh { 3; 1;0;0;, 0;1;0;, 1;0;1;; 1; 3;0,1,2;;
    MeshNormals { 1; 0.70710678;0.70710678;0;; 1; 3;0,0,0;; } } }
)");
    EXPECT_NEAR(m.vertices[0].normal.x, 1.0f / std::sqrt(5.0f), 1e-5);
    EXPECT_NEAR(m.vertices[0].normal.y, 2.0f / std::sqrt(5.0f), 1e-5);
}

TEST(XFileParse, ReferencedMaterialsAndSeveralMeshesMerge) {
    const XMeshData m = MustParse(R"(
Material Shared { 0;1;0;1;; 4; 0;0;0;; 0;0;0;; TextureFilename { "shared.jpg"; } }
Material Other { 1;1;0;1;; 4; 0;0;0;; 0;0;0;; }
)" + Triangle("A", "MeshMaterialList { 1; 1; 0;; { Shared } }") +
                                  "Frame F { " +
                                  Triangle("B", "MeshMaterialList { 2; 1; 1;; { Other } { Shared <00000000-0000-0000-0000-000000000000> } }") +
                                  "}");
    ASSERT_EQ(m.materials.size(), 3u) << "materials of each mesh are appended";
    EXPECT_EQ(m.materials[0].textureFilename, "shared.jpg");
    EXPECT_FLOAT_EQ(m.materials[1].material.Diffuse.r, 1.0f);
    EXPECT_EQ(m.materials[2].textureFilename, "shared.jpg");
    ASSERT_EQ(m.attributes.size(), 2u);
    EXPECT_EQ(m.attributes[0], 0u);
    EXPECT_EQ(m.attributes[1], 2u) << "second mesh's index 1 moves past the first mesh's materials";
    EXPECT_EQ(m.vertices.size(), 6u);
    EXPECT_EQ(m.indices[3], 3u) << "second mesh's indices are offset";
}

TEST(XFileParse, MeshWithoutMaterialsNextToOneWithGetsADefaultMaterial) {
    const XMeshData m = MustParse(Triangle("A", "MeshMaterialList { 1; 1; 0;; Material { 1;0;0;1;; 0; 0;0;0;; 0;0;0;; } }") +
                                  Triangle("B"));
    ASSERT_EQ(m.materials.size(), 2u);
    EXPECT_FLOAT_EQ(m.materials[1].material.Diffuse.g, 1.0f);
    EXPECT_EQ(m.attributes, (std::vector<DWORD>{0, 1}));
}

TEST(XFileParse, ShortMaterialIndexListRepeatsTheLastIndex) {
    const XMeshData m = MustParse(R"(Mesh { 4; 0;0;0;, 1;0;0;, 1;1;0;, 0;1;0;; 3; 3;0,1,2;, 3;0,2,3;, 3;1,2,3;;
  MeshMaterialList { 2; 1; 1;;
    Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } } })");
    EXPECT_EQ(m.attributes, (std::vector<DWORD>{1, 1, 1}));
}

TEST(XFileParse, CommentsSeparatorsAndUnknownObjectsAreTolerated) {
    const XMeshData m = MustParse(R"(
# a comment
// another
AnimTicksPerSecond { 24; }
Mesh Tri { 3;  // vertex count
  0.0, 0.0, 0.0;  1.0e0, 0, 0;;  0;+1;0;;
  1;
  3; 0, 1, 2;;;
  VertexDuplicationIndices { 3; 3; 0, 1, 2; }
  MeshVertexColors { 1; 0; 1;0;0;1;;; }
  SkinWeights { "bone"; 0; 1,0,0,0,0,1,0,0,0,0,1,0,0,0,0,1;; }
}
AnimationSet { Animation { { Tri } AnimationKey { 0; 1; 0; 4; 1,0,0,0;;; } } }
)");
    EXPECT_EQ(m.attributes.size(), 1u);
    EXPECT_FLOAT_EQ(m.vertices[1].position.x, 1.0f);
    EXPECT_FLOAT_EQ(m.vertices[2].position.y, 1.0f);
}

TEST(XFileParse, Version0302AndDegenerateFacesAreSkipped) {
    const std::string text = "xof 0302txt 0064\nMesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 3; 2;0,1;, 3;0,1,2;, 0;; }";
    XMeshData m;
    ASSERT_EQ(d3dx::ParseXFile(text.data(), text.size(), &m), S_OK);
    EXPECT_EQ(m.attributes.size(), 1u);
}

TEST(XFileParse, EmptyNormalAndTextureObjectsCountAsAbsent) {
    const XMeshData m = MustParse(Triangle("", "MeshNormals { 0;; 0;; } MeshTextureCoords { 0;; }"));
    EXPECT_FALSE(m.hasNormals);
    EXPECT_FALSE(m.hasTexCoords);
    EXPECT_EQ(m.vertices.size(), 3u);
}

// ---- empty and invalid ----------------------------------------------------------------

TEST(XFileParse, FilesWithoutMeshesReportNoData) {
    XMeshData m;
    EXPECT_EQ(Parse("Frame Empty { FrameTransformMatrix { 1,0,0,0,0,1,0,0,0,0,1,0,0,0,0,1;; } }", &m),
              D3DXERR_LOADEDMESHHASNODATA);
    EXPECT_EQ(Parse("", &m), D3DXERR_LOADEDMESHHASNODATA);
}

TEST(XFileParse, BinaryCompressedAndForeignHeadersAreRefused) {
    XMeshData m;
    m.materials.resize(4);  // must stay untouched
    std::string error;
    for (const char* header : {"xof 0303bin 0032", "xof 0303tzip0032", "xof 0303bzip0032", "xof 0203txt 0032",
                               "xyz 0303txt 0032", "xof 03"}) {
        const std::string text = std::string(header) + "\nMesh { }";
        EXPECT_EQ(d3dx::ParseXFile(text.data(), text.size(), &m, &error), D3DXERR_INVALIDDATA) << header;
        EXPECT_FALSE(error.empty());
    }
    EXPECT_EQ(m.materials.size(), 4u);
    EXPECT_EQ(d3dx::ParseXFile(nullptr, 0, &m), D3DXERR_INVALIDDATA);
}

TEST(XFileParse, MalformedContentFailsWithALineNumber) {
    const struct {
        const char* what;
        std::string body;
    } cases[] = {
        {"vertex count larger than the data", "Mesh { 30; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }"},
        {"absurd count", "Mesh { 4000000000; 0;0;0;; }"},
        {"absurd corner count", "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 4000000000;0,1,2;; }"},
        {"face index out of range", "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,3;; }"},
        {"missing closing brace", "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;"},
        {"stray closing brace", "} Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }"},
        {"not a number", "Mesh { 3; 0;zero;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }"},
        {"negative count", "Mesh { -3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }"},
        {"normal index out of range", Triangle("", "MeshNormals { 1; 0;0;1;; 1; 3;0,0,1;; }")},
        {"normal faces differ", Triangle("", "MeshNormals { 1; 0;0;1;; 1; 4;0,0,0,0;; }")},
        {"too few texture coordinates", Triangle("", "MeshTextureCoords { 2; 0;0;, 1;1;; }")},
        {"material index out of range", Triangle("", "MeshMaterialList { 1; 1; 1;; Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } }")},
        {"fewer materials than declared", Triangle("", "MeshMaterialList { 2; 1; 0;; Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } }")},
        {"unknown material reference", Triangle("", "MeshMaterialList { 1; 1; 0;; { Nowhere } }")},
        {"texture name not a string", "Material M { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; TextureFilename { tex.png; } }" + Triangle("")},
        {"unterminated string", "Material M { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; TextureFilename { \"tex.png; } }"},
        {"short matrix", "Frame { FrameTransformMatrix { 1,0,0,0;; } " + Triangle("") + "}"},
    };
    for (const auto& c : cases) {
        XMeshData m;
        std::string error;
        EXPECT_EQ(Parse(c.body, &m, &error), D3DXERR_INVALIDDATA) << c.what;
        EXPECT_NE(error.find("line "), std::string::npos) << c.what << ": " << error;
        EXPECT_TRUE(m.vertices.empty()) << c.what;
    }
}

TEST(XFileParse, EveryTruncationOfAValidFileFailsCleanly) {
    const std::string text = kHeader + kCube;
    for (size_t cut = 0; cut < text.size(); ++cut) {
        XMeshData m;
        const HRESULT hr = d3dx::ParseXFile(text.data(), cut, &m);
        // A cut inside the trailing whitespace or comments may still parse completely.
        if (hr == S_OK) {
            EXPECT_EQ(m.attributes.size(), 12u) << "cut at " << cut;
        } else {
            EXPECT_TRUE(hr == D3DXERR_INVALIDDATA || hr == D3DXERR_LOADEDMESHHASNODATA) << "cut at " << cut;
        }
    }
}

TEST(XFileParse, DeepNestingIsRefusedWithoutExhaustingTheStack) {
    std::string body;
    for (int i = 0; i < 100000; ++i) body += "Frame {";
    XMeshData m;
    EXPECT_EQ(Parse(body, &m), D3DXERR_INVALIDDATA);
}
