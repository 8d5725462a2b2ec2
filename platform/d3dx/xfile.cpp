#include "platform/d3dx/xfile.h"

#include "platform/d3dx/constants.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <map>
#include <memory>
#include <string_view>
#include <unordered_map>

namespace d3dx {
namespace {

constexpr int kMaxNesting = 128;  // frames and objects within each other
constexpr UINT kNoMaterial = 0xffffffffu;

// ---- tokens ---------------------------------------------------------------------------

enum class TokenKind { Word, String, Open, Close, Guid };

struct Token {
    TokenKind kind;
    std::string_view text;  // words: the word; strings: without quotes
    UINT line;
};

struct ParseError {
    std::string message;
    UINT line;
};

bool IsSeparator(char c) { return c == ',' || c == ';'; }
bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

// Separators carry no meaning once every template's layout is known, so they are dropped.
bool Tokenize(std::string_view text, std::vector<Token>& tokens, ParseError& err) {
    UINT line = 1;
    size_t i = 0;
    const size_t n = text.size();
    while (i < n) {
        const char c = text[i];
        if (c == '\n') { ++line; ++i; continue; }
        if (IsSpace(c) || IsSeparator(c) || c == '\0') { ++i; continue; }
        if (c == '#' || (c == '/' && i + 1 < n && text[i + 1] == '/')) {
            while (i < n && text[i] != '\n') ++i;
            continue;
        }
        if (c == '{') { tokens.push_back({TokenKind::Open, text.substr(i, 1), line}); ++i; continue; }
        if (c == '}') { tokens.push_back({TokenKind::Close, text.substr(i, 1), line}); ++i; continue; }
        if (c == '"') {
            const size_t end = text.find('"', i + 1);
            if (end == std::string_view::npos) {
                err = {"unterminated string", line};
                return false;
            }
            tokens.push_back({TokenKind::String, text.substr(i + 1, end - i - 1), line});
            for (size_t k = i; k < end; ++k) line += text[k] == '\n';
            i = end + 1;
            continue;
        }
        if (c == '<') {
            const size_t end = text.find('>', i + 1);
            if (end == std::string_view::npos || end - i > 64) {
                err = {"unterminated GUID", line};
                return false;
            }
            tokens.push_back({TokenKind::Guid, text.substr(i, end - i + 1), line});
            i = end + 1;
            continue;
        }
        const size_t start = i;
        while (i < n && !IsSpace(text[i]) && !IsSeparator(text[i]) && text[i] != '{' && text[i] != '}' &&
               text[i] != '"' && text[i] != '<' && text[i] != '\0')
            ++i;
        tokens.push_back({TokenKind::Word, text.substr(start, i - start), line});
    }
    return true;
}

bool EqualsNoCase(std::string_view a, const char* b) {
    const size_t n = std::strlen(b);
    if (a.size() != n) return false;
    for (size_t i = 0; i < n; ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

// ---- the parsed tree ------------------------------------------------------------------

struct RawMesh {
    std::vector<D3DXVECTOR3> positions;
    std::vector<UINT> faceStart;  // faces + 1 offsets into corners
    std::vector<UINT> corners;
    bool hasNormals = false;
    std::vector<D3DXVECTOR3> normals;
    std::vector<UINT> normalCorners;  // parallel to corners
    bool hasTexCoords = false;
    std::vector<D3DXVECTOR2> texCoords;  // one per position
    bool hasMaterials = false;
    std::vector<UINT> faceMaterials;  // one per face
    std::vector<XMaterial> materials;
};

struct FrameNode;
struct FrameItem {
    std::unique_ptr<FrameNode> frame;
    std::unique_ptr<RawMesh> mesh;
};
struct FrameNode {
    D3DXMATRIX local;
    std::vector<FrameItem> items;
    FrameNode() { D3DXMatrixIdentity(&local); }
};

// ---- parser ---------------------------------------------------------------------------

class Parser {
public:
    explicit Parser(const std::vector<Token>& tokens) : t_(tokens) {}

    void ParseTopLevel(FrameNode& root) {
        while (pos_ < t_.size()) ParseChildObject(root, 0);
    }

private:
    const std::vector<Token>& t_;
    size_t pos_ = 0;
    std::map<std::string, XMaterial, std::less<>> namedMaterials_;

    [[noreturn]] void Fail(const std::string& what) const {
        const UINT line = pos_ < t_.size() ? t_[pos_].line : (t_.empty() ? 1 : t_.back().line);
        throw ParseError{what, line};
    }
    bool AtEnd() const { return pos_ >= t_.size(); }
    const Token& Peek() const {
        if (AtEnd()) Fail("unexpected end of file");
        return t_[pos_];
    }
    const Token& Next() {
        const Token& tok = Peek();
        ++pos_;
        return tok;
    }
    size_t Remaining() const { return t_.size() - pos_; }

    void Expect(TokenKind kind, const char* what) {
        if (Next().kind != kind) {
            --pos_;
            Fail(std::string("expected ") + what);
        }
    }

    UINT ReadUInt() {
        const Token& tok = Next();
        UINT value = 0;
        std::string_view s = tok.text;
        if (tok.kind == TokenKind::Word && !s.empty() && s[0] == '+') s.remove_prefix(1);
        const auto r = std::from_chars(s.data(), s.data() + s.size(), value);
        if (tok.kind != TokenKind::Word || s.empty() || r.ec != std::errc() || r.ptr != s.data() + s.size()) {
            --pos_;
            Fail("expected a whole number");
        }
        return value;
    }

    float ReadFloat() {
        const Token& tok = Next();
        std::string_view s = tok.text;
        if (tok.kind == TokenKind::Word && !s.empty() && s[0] == '+') s.remove_prefix(1);
        float value = 0;
        const auto r = std::from_chars(s.data(), s.data() + s.size(), value);
        if (tok.kind != TokenKind::Word || s.empty() || r.ec != std::errc() || r.ptr != s.data() + s.size()) {
            --pos_;
            Fail("expected a number");
        }
        return value;
    }

    // A count of elements that each take at least `tokensEach` tokens: refused when the rest
    // of the file could not hold them, which bounds every allocation by the file size.
    UINT ReadCount(size_t tokensEach, const char* what) {
        const UINT count = ReadUInt();
        if (tokensEach && count > Remaining() / tokensEach) {
            --pos_;
            Fail(std::string(what) + " count larger than the data");
        }
        return count;
    }

    D3DXVECTOR3 ReadVector() {
        const float x = ReadFloat();
        const float y = ReadFloat();
        const float z = ReadFloat();
        return {x, y, z};
    }

    // After an object's identifier: an optional name, '{', an optional GUID.
    std::string_view OpenObject() {
        std::string_view name;
        if (Peek().kind == TokenKind::Word) name = Next().text;
        Expect(TokenKind::Open, "'{'");
        if (!AtEnd() && Peek().kind == TokenKind::Guid) ++pos_;
        return name;
    }

    // Skips to the '}' that closes the object whose '{' was just read.
    void SkipObjectBody() {
        int depth = 1;
        while (depth > 0) {
            const Token& tok = Next();
            if (tok.kind == TokenKind::Open) ++depth;
            else if (tok.kind == TokenKind::Close) --depth;
        }
    }

    // A reference `{ Name }`, `{ Name <GUID> }` or `{ <GUID> }` after its '{'; returns the name.
    std::string_view ReadReference() {
        std::string_view name;
        if (Peek().kind == TokenKind::Word) name = Next().text;
        if (Peek().kind == TokenKind::Guid) ++pos_;
        Expect(TokenKind::Close, "'}' closing a reference");
        return name;
    }

    // One object inside a frame (or at the top level, which is a frame with no transform).
    void ParseChildObject(FrameNode& frame, int depth) {
        if (depth > kMaxNesting) Fail("objects nested too deeply");
        const Token& tok = Next();
        if (tok.kind == TokenKind::Open) {  // a reference to an object elsewhere: not instanced
            ReadReference();
            return;
        }
        if (tok.kind != TokenKind::Word) {
            --pos_;
            Fail("expected an object");
        }
        const std::string_view type = tok.text;
        if (type == "template") {
            Next();  // its name
            Expect(TokenKind::Open, "'{'");
            SkipObjectBody();
            return;
        }
        const std::string_view name = OpenObject();
        if (EqualsNoCase(type, "Frame")) {
            FrameItem item;
            item.frame = std::make_unique<FrameNode>();
            while (Peek().kind != TokenKind::Close) ParseChildObject(*item.frame, depth + 1);
            ++pos_;
            frame.items.push_back(std::move(item));
        } else if (EqualsNoCase(type, "FrameTransformMatrix")) {
            for (int r = 0; r < 4; ++r)
                for (int c = 0; c < 4; ++c) frame.local.m[r][c] = ReadFloat();
            Expect(TokenKind::Close, "'}' after the matrix");
        } else if (EqualsNoCase(type, "Mesh")) {
            FrameItem item;
            item.mesh = std::make_unique<RawMesh>();
            ParseMesh(*item.mesh, depth + 1);
            frame.items.push_back(std::move(item));
        } else if (EqualsNoCase(type, "Material")) {
            XMaterial material = ParseMaterialBody(depth + 1);
            if (!name.empty()) namedMaterials_[std::string(name)] = std::move(material);
        } else {
            SkipObjectBody();
        }
    }

    void ReadFaces(UINT faceCount, UINT cornerLimit, std::vector<UINT>& faceStart, std::vector<UINT>& corners,
                   const char* what) {
        faceStart.clear();
        corners.clear();
        faceStart.reserve(faceCount + 1);
        for (UINT f = 0; f < faceCount; ++f) {
            faceStart.push_back(static_cast<UINT>(corners.size()));
            const UINT n = ReadCount(1, what);
            for (UINT k = 0; k < n; ++k) {
                const UINT index = ReadUInt();
                if (index >= cornerLimit) {
                    --pos_;
                    Fail(std::string(what) + " index out of range");
                }
                corners.push_back(index);
            }
        }
        faceStart.push_back(static_cast<UINT>(corners.size()));
    }

    void ParseMesh(RawMesh& mesh, int depth) {
        const UINT vertexCount = ReadCount(3, "vertex");
        mesh.positions.reserve(vertexCount);
        for (UINT i = 0; i < vertexCount; ++i) mesh.positions.push_back(ReadVector());
        const UINT faceCount = ReadCount(1, "face");
        ReadFaces(faceCount, vertexCount, mesh.faceStart, mesh.corners, "face");

        while (Peek().kind != TokenKind::Close) {
            const Token& tok = Next();
            if (tok.kind == TokenKind::Open) {
                ReadReference();
                continue;
            }
            if (tok.kind != TokenKind::Word) {
                --pos_;
                Fail("expected an object inside the mesh");
            }
            if (depth > kMaxNesting) Fail("objects nested too deeply");
            const std::string_view type = tok.text;
            OpenObject();
            if (EqualsNoCase(type, "MeshNormals")) {
                ParseNormals(mesh);
            } else if (EqualsNoCase(type, "MeshTextureCoords")) {
                const UINT count = ReadCount(2, "texture coordinate");
                if (count == 0) {  // written empty by some exporters: no texture coordinates
                    Expect(TokenKind::Close, "'}' closing MeshTextureCoords");
                    continue;
                }
                if (count < vertexCount) Fail("fewer texture coordinates than vertices");
                mesh.texCoords.clear();
                mesh.texCoords.reserve(vertexCount);
                for (UINT i = 0; i < count; ++i) {
                    const float u = ReadFloat();
                    const float v = ReadFloat();
                    if (i < vertexCount) mesh.texCoords.emplace_back(u, v);
                }
                mesh.hasTexCoords = true;
                Expect(TokenKind::Close, "'}' closing MeshTextureCoords");
            } else if (EqualsNoCase(type, "MeshMaterialList")) {
                ParseMaterialList(mesh, faceCount, depth + 1);
            } else {
                SkipObjectBody();
            }
        }
        ++pos_;
    }

    void ParseNormals(RawMesh& mesh) {
        const UINT count = ReadCount(3, "normal");
        mesh.normals.clear();
        mesh.normals.reserve(count);
        for (UINT i = 0; i < count; ++i) mesh.normals.push_back(ReadVector());
        const UINT faceCount = ReadCount(1, "normal face");
        if (count == 0 && faceCount == 0) {  // written empty by some exporters: no normals
            Expect(TokenKind::Close, "'}' closing MeshNormals");
            return;
        }
        if (faceCount != mesh.faceStart.size() - 1) Fail("MeshNormals face count differs from the mesh's");
        std::vector<UINT> faceStart;
        ReadFaces(faceCount, count, faceStart, mesh.normalCorners, "normal");
        if (faceStart != mesh.faceStart) Fail("MeshNormals face corners differ from the mesh's");
        mesh.hasNormals = true;
        Expect(TokenKind::Close, "'}' closing MeshNormals");
    }

    void ParseMaterialList(RawMesh& mesh, UINT faceCount, int depth) {
        const UINT materialCount = ReadCount(1, "material");
        const UINT indexCount = ReadCount(1, "material index");
        mesh.faceMaterials.assign(faceCount, 0);
        for (UINT i = 0; i < indexCount; ++i) {
            const UINT index = ReadUInt();
            if (index >= materialCount) {
                --pos_;
                Fail("material index out of range");
            }
            if (i < faceCount) mesh.faceMaterials[i] = index;
        }
        // Exporters may list fewer indices than faces: the last one holds for the rest.
        for (UINT i = indexCount; i < faceCount && indexCount > 0; ++i) mesh.faceMaterials[i] = mesh.faceMaterials[indexCount - 1];
        mesh.materials.clear();
        while (Peek().kind != TokenKind::Close) {
            const Token& tok = Next();
            if (tok.kind == TokenKind::Open) {
                const std::string_view ref = ReadReference();
                const auto it = namedMaterials_.find(ref);
                if (it == namedMaterials_.end()) Fail("reference to an unknown material");
                mesh.materials.push_back(it->second);
                continue;
            }
            if (tok.kind != TokenKind::Word) {
                --pos_;
                Fail("expected a material");
            }
            const std::string_view type = tok.text;
            const std::string_view name = OpenObject();
            if (EqualsNoCase(type, "Material")) {
                XMaterial material = ParseMaterialBody(depth + 1);
                if (!name.empty()) namedMaterials_[std::string(name)] = material;
                mesh.materials.push_back(std::move(material));
            } else {
                SkipObjectBody();
            }
        }
        ++pos_;
        if (mesh.materials.size() != materialCount) Fail("MeshMaterialList holds a different number of materials");
        mesh.hasMaterials = materialCount > 0;
    }

    XMaterial ParseMaterialBody(int depth) {
        if (depth > kMaxNesting) Fail("objects nested too deeply");
        XMaterial m;
        D3DMATERIAL8& d = m.material;
        d.Diffuse = {ReadFloat(), 0, 0, 0};
        d.Diffuse.g = ReadFloat();
        d.Diffuse.b = ReadFloat();
        d.Diffuse.a = ReadFloat();
        d.Power = ReadFloat();
        const D3DXVECTOR3 specular = ReadVector();
        const D3DXVECTOR3 emissive = ReadVector();
        d.Specular = {specular.x, specular.y, specular.z, 1.0f};
        d.Emissive = {emissive.x, emissive.y, emissive.z, 1.0f};
        d.Ambient = {0, 0, 0, 0};
        while (Peek().kind != TokenKind::Close) {
            const Token& tok = Next();
            if (tok.kind == TokenKind::Open) {
                ReadReference();
                continue;
            }
            if (tok.kind != TokenKind::Word) {
                --pos_;
                Fail("expected an object inside the material");
            }
            const std::string_view type = tok.text;
            OpenObject();
            if (EqualsNoCase(type, "TextureFilename")) {
                const Token& s = Next();
                if (s.kind != TokenKind::String) {
                    --pos_;
                    Fail("expected the texture file name as a string");
                }
                m.textureFilename.assign(s.text);
                Expect(TokenKind::Close, "'}' closing TextureFilename");
            } else {
                SkipObjectBody();
            }
        }
        ++pos_;
        return m;
    }
};

// ---- flattening -----------------------------------------------------------------------

struct Merger {
    XMeshData& out;
    bool anyMesh = false;

    void AppendMesh(const RawMesh& raw, const D3DXMATRIX& world) {
        anyMesh = true;
        D3DXMATRIX normalMatrix;
        D3DXMATRIX inverse;
        if (D3DXMatrixInverse(&inverse, nullptr, &world)) D3DXMatrixTranspose(&normalMatrix, &inverse);
        else normalMatrix = world;

        const UINT base = static_cast<UINT>(out.vertices.size());
        const UINT materialBase = static_cast<UINT>(out.materials.size());
        const size_t positionCount = raw.positions.size();
        out.vertices.resize(base + positionCount);
        for (size_t i = 0; i < positionCount; ++i) {
            XVertex& v = out.vertices[base + i];
            D3DXVec3TransformCoord(&v.position, &raw.positions[i], &world);
            if (raw.hasTexCoords) v.u = raw.texCoords[i].x, v.v = raw.texCoords[i].y;
        }
        auto normalOf = [&](UINT normalIndex) {
            D3DXVECTOR3 n;
            D3DXVec3TransformNormal(&n, &raw.normals[normalIndex], &normalMatrix);
            D3DXVec3Normalize(&n, &n);
            return n;
        };

        // Each corner's vertex: the position's own slot for its first normal, a copy for others.
        std::vector<UINT> firstNormal(raw.hasNormals ? positionCount : 0, kNoMaterial);
        std::unordered_map<std::uint64_t, UINT> splits;
        auto cornerVertex = [&](size_t corner) -> UINT {
            const UINT p = raw.corners[corner];
            if (!raw.hasNormals) return base + p;
            const UINT nrm = raw.normalCorners[corner];
            if (firstNormal[p] == kNoMaterial) {
                firstNormal[p] = nrm;
                out.vertices[base + p].normal = normalOf(nrm);
                return base + p;
            }
            if (firstNormal[p] == nrm) return base + p;
            const std::uint64_t key = (static_cast<std::uint64_t>(p) << 32) | nrm;
            const auto it = splits.find(key);
            if (it != splits.end()) return it->second;
            XVertex copy = out.vertices[base + p];
            copy.normal = normalOf(nrm);
            out.vertices.push_back(copy);
            const UINT index = static_cast<UINT>(out.vertices.size() - 1);
            splits.emplace(key, index);
            return index;
        };

        const size_t faceCount = raw.faceStart.size() - 1;
        for (size_t f = 0; f < faceCount; ++f) {
            const UINT first = raw.faceStart[f], end = raw.faceStart[f + 1];
            if (end - first < 3) continue;  // points and lines have no area to draw
            const DWORD attribute = raw.hasMaterials ? materialBase + raw.faceMaterials[f] : kNoMaterial;
            const UINT v0 = cornerVertex(first);
            UINT prev = cornerVertex(first + 1);
            for (UINT c = first + 2; c < end; ++c) {
                const UINT cur = cornerVertex(c);
                out.indices.push_back(v0);
                out.indices.push_back(prev);
                out.indices.push_back(cur);
                out.attributes.push_back(attribute);
                prev = cur;
            }
        }
        if (raw.hasMaterials) out.materials.insert(out.materials.end(), raw.materials.begin(), raw.materials.end());
        out.hasNormals |= raw.hasNormals;
        out.hasTexCoords |= raw.hasTexCoords;
    }

    void Walk(const FrameNode& node, const D3DXMATRIX& parent) {
        D3DXMATRIX world;
        D3DXMatrixMultiply(&world, &node.local, &parent);
        for (const FrameItem& item : node.items) {
            if (item.mesh) AppendMesh(*item.mesh, world);
            else if (item.frame) Walk(*item.frame, world);
        }
    }

    // Faces of meshes without a material list share one default white material when
    // other meshes have materials; with no materials at all every face is material 0.
    void ResolveMissingMaterials() {
        const bool anyMissing = std::find(out.attributes.begin(), out.attributes.end(), kNoMaterial) != out.attributes.end();
        if (!anyMissing) return;
        DWORD replacement = 0;
        if (!out.materials.empty()) {
            XMaterial white;
            white.material.Diffuse = {1, 1, 1, 1};
            white.material.Specular = {0, 0, 0, 1};
            white.material.Emissive = {0, 0, 0, 1};
            replacement = static_cast<DWORD>(out.materials.size());
            out.materials.push_back(white);
        }
        for (DWORD& a : out.attributes)
            if (a == kNoMaterial) a = replacement;
    }

    void SortIntoSubsets() {
        const size_t triangles = out.attributes.size();
        std::vector<UINT> order(triangles);
        for (size_t i = 0; i < triangles; ++i) order[i] = static_cast<UINT>(i);
        std::stable_sort(order.begin(), order.end(), [&](UINT a, UINT b) { return out.attributes[a] < out.attributes[b]; });
        std::vector<UINT> indices(out.indices.size());
        std::vector<DWORD> attributes(triangles);
        for (size_t i = 0; i < triangles; ++i) {
            std::copy_n(&out.indices[order[i] * 3], 3, &indices[i * 3]);
            attributes[i] = out.attributes[order[i]];
        }
        out.indices.swap(indices);
        out.attributes.swap(attributes);
        out.subsets.clear();
        for (size_t i = 0; i < triangles; ++i) {
            if (out.subsets.empty() || out.subsets.back().attribute != out.attributes[i]) {
                XSubset subset;
                subset.attribute = out.attributes[i];
                subset.faceStart = static_cast<UINT>(i);
                out.subsets.push_back(subset);
            }
            ++out.subsets.back().faceCount;
        }
        for (XSubset& subset : out.subsets) {
            const auto first = out.indices.begin() + subset.faceStart * size_t{3};
            const auto [lo, hi] = std::minmax_element(first, first + subset.faceCount * size_t{3});
            subset.vertexStart = *lo;
            subset.vertexCount = *hi - *lo + 1;
        }
    }
};

}  // namespace

HRESULT ParseXFile(const char* text, size_t size, XMeshData* out, std::string* error) {
    auto fail = [&](HRESULT hr, const std::string& why) {
        if (error) *error = why;
        return hr;
    };
    if (!out || (!text && size)) return fail(D3DERR_INVALIDCALL, "no data");
    if (!text || size < 16 || std::memcmp(text, "xof ", 4) != 0) return fail(D3DXERR_INVALIDDATA, "not a .x file (no 'xof' header)");
    const std::string_view version(text + 4, 4), format(text + 8, 4);
    if (version.substr(0, 2) != "03") return fail(D3DXERR_INVALIDDATA, "unsupported .x version " + std::string(version));
    if (format == "bin " || format == "tzip" || format == "bzip")
        return fail(D3DXERR_INVALIDDATA, "binary and compressed .x files are not supported (format '" + std::string(format) + "')");
    if (format != "txt ") return fail(D3DXERR_INVALIDDATA, "unknown .x format '" + std::string(format) + "'");

    std::vector<Token> tokens;
    ParseError perr;
    if (!Tokenize(std::string_view(text + 16, size - 16), tokens, perr))
        return fail(D3DXERR_INVALIDDATA, "line " + std::to_string(perr.line) + ": " + perr.message);
    FrameNode root;
    try {
        Parser parser(tokens);
        parser.ParseTopLevel(root);
    } catch (const ParseError& e) {
        return fail(D3DXERR_INVALIDDATA, "line " + std::to_string(e.line) + ": " + e.message);
    }

    XMeshData data;
    Merger merger{data};
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    merger.Walk(root, identity);
    if (!merger.anyMesh) return fail(D3DXERR_LOADEDMESHHASNODATA, "the file holds no mesh");
    if (data.indices.empty()) return fail(D3DXERR_LOADEDMESHHASNODATA, "the meshes hold no triangles");
    merger.ResolveMissingMaterials();
    merger.SortIntoSubsets();
    *out = std::move(data);
    return S_OK;
}

}  // namespace d3dx
