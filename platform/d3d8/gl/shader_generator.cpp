#include "platform/d3d8/gl/shader_generator.h"

#include "platform/win32/debug_output.h"

#include <cstring>
#include <vector>

namespace d3d8::gl {

namespace {

std::string Slot(int index) { return "u[" + std::to_string(index) + "]"; }
std::string Num(int v) { return std::to_string(v); }

std::string Header() { return "#version 330 core\nuniform vec4 u[" + Num(kUniformCount) + "];\n"; }

// The varyings between stages: (type, name, flat when flat shading applies).
struct Varying {
    const char* type;
    std::string name;
    bool flatShaded;
};

std::vector<Varying> Varyings(const ShaderKey& k) {
    std::vector<Varying> v = {{"vec4", "diffuse", true}, {"vec4", "specular", true}, {"float", "fog", false}};
    for (int s = 0; s < k.stageCount; ++s) v.push_back({"vec2", "tex" + Num(s), false});
    return v;
}

std::string Declare(const ShaderKey& k, const char* direction, const char* prefix, bool array) {
    std::string out;
    for (const Varying& v : Varyings(k)) {
        if (v.flatShaded && k.flatShading) out += "flat ";
        out += std::string(direction) + " " + v.type + " " + prefix + v.name + (array ? "[]" : "") + ";\n";
    }
    return out;
}

std::string FogFunction(int mode) {
    std::string f = "float fogFactor(float d) {\n";
    const std::string start = Slot(kUFog) + ".x", end = Slot(kUFog) + ".y", density = Slot(kUFog) + ".z";
    switch (mode) {
    case D3DFOG_LINEAR:
        f += "  if (" + end + " == " + start + ") return d < " + end + " ? 1.0 : 0.0;\n";
        f += "  return clamp((" + end + " - d) / (" + end + " - " + start + "), 0.0, 1.0);\n";
        break;
    case D3DFOG_EXP:
        f += "  return clamp(exp(-d * " + density + "), 0.0, 1.0);\n";
        break;
    case D3DFOG_EXP2:
        f += "  float dd = d * " + density + ";\n  return clamp(exp(-dd * dd), 0.0, 1.0);\n";
        break;
    default:
        f += "  return 1.0;\n";
        break;
    }
    return f + "}\n";
}

std::string MaterialColor(MaterialSource s, const char* material) {
    switch (s) {
    case MaterialSource::VertexDiffuse: return "vertexDiffuse";
    case MaterialSource::VertexSpecular: return "vertexSpecular";
    default: return material;
    }
}

std::string LightingCode(const ShaderKey& k) {
    std::string c;
    c += "  vec4 vertexDiffuse = diffuse, vertexSpecular = specular;\n";
    c += "  vec4 md = " + MaterialColor(k.diffuseSource, Slot(kUMatDiffuse).c_str()) + ";\n";
    c += "  vec4 ma = " + MaterialColor(k.ambientSource, Slot(kUMatAmbient).c_str()) + ";\n";
    c += "  vec4 me = " + MaterialColor(k.emissiveSource, Slot(kUMatEmissive).c_str()) + ";\n";
    c += "  vec3 ambientSum = " + Slot(kUGlobalAmbient) + ".rgb;\n  vec3 diffuseSum = vec3(0.0);\n";
    for (int i = 0; i < k.lightCount; ++i) {
        const int b = kULights + kULightSlots * i;
        c += "  {\n";
        if (k.lightType[i] == D3DLIGHT_DIRECTIONAL) {
            c += "    vec3 L = -" + Slot(b + 1) + ".xyz;\n    float f = 1.0;\n";
        } else {
            c += "    vec3 L = " + Slot(b) + ".xyz - eyePos;\n    float dist = length(L);\n    float f = 0.0;\n";
            c += "    if (dist <= " + Slot(b + 4) + ".w) {\n";
            c += "      if (dist > 0.0) L /= dist;\n";
            c += "      float den = " + Slot(b + 4) + ".x + " + Slot(b + 4) + ".y * dist + " + Slot(b + 4) +
                 ".z * dist * dist;\n";
            c += "      f = den > 0.0 ? 1.0 / den : 1.0;\n";
            if (k.lightType[i] == D3DLIGHT_SPOT) {
                c += "      float rho = -dot(L, " + Slot(b + 1) + ".xyz);\n";
                c += "      if (rho <= " + Slot(b + 5) + ".y) f = 0.0;\n";
                c += "      else if (rho <= " + Slot(b + 5) + ".x) {\n";
                c += "        float t = (rho - " + Slot(b + 5) + ".y) / (" + Slot(b + 5) + ".x - " + Slot(b + 5) +
                     ".y);\n";
                c += "        f *= " + Slot(b + 5) + ".z == 1.0 ? t : pow(t, " + Slot(b + 5) + ".z);\n      }\n";
            }
            c += "    }\n";
        }
        c += "    if (f > 0.0) {\n";
        c += "      float ndotl = dot(eyeNormal, L);\n";
        c += "      if (ndotl > 0.0) diffuseSum += " + Slot(b + 2) + ".rgb * (ndotl * f);\n";
        c += "      ambientSum += " + Slot(b + 3) + ".rgb * f;\n    }\n  }\n";
    }
    c += "  diffuse = vec4(clamp(me.rgb + ma.rgb * ambientSum + md.rgb * diffuseSum, 0.0, 1.0), clamp(md.a, 0.0, "
         "1.0));\n";
    if (!k.hasSpecular) c += "  specular = vec4(0.0);\n";
    return c;
}

std::string StageCoordinates(const ShaderKey& k, int s, const char* out) {
    const ShaderKey::Stage& st = k.stages[s];
    std::string in;
    switch (st.coordGen) {
    case 1: in = "vec4(safeNormalize(eyeNormal), 1.0)"; break;
    case 2: in = "vec4(eyePos, 1.0)"; break;
    case 3: in = "reflection(eyePos, eyeNormal)"; break;
    default:
        if (st.coordIndex < k.texSetCount) {
            const std::string a = "aTex" + Num(st.coordIndex);
            switch (k.texSetSize[st.coordIndex]) {
            case 1: in = "vec4(" + a + ".x, 1.0, 0.0, 0.0)"; break;
            case 2: in = "vec4(" + a + ".xy, 1.0, 0.0)"; break;
            case 3: in = "vec4(" + a + ".xyz, 1.0)"; break;
            default: in = a; break;
            }
        } else {
            in = "vec4(0.0)";
        }
        break;
    }
    const int t = kUTexTransforms + 4 * s;
    if (st.transform)
        return std::string("  ") + out + " = (mat4(" + Slot(t) + ", " + Slot(t + 1) + ", " + Slot(t + 2) + ", " +
               Slot(t + 3) + ") * " + in + ").xy;\n";
    return std::string("  ") + out + " = (" + in + ").xy;\n";
}

std::string VertexShader(const ShaderKey& k) {
    const bool geometry = k.pointMode == PointMode::List;
    const char* prefix = geometry ? "vs_" : "fs_";
    std::string c = Header();
    c += "layout(location = " + Num(kAttrPosition) + ") in vec4 aPosition;\n";
    if (k.hasNormal) c += "layout(location = " + Num(kAttrNormal) + ") in vec3 aNormal;\n";
    if (k.hasPointSize) c += "layout(location = " + Num(kAttrPointSize) + ") in float aPointSize;\n";
    if (k.hasDiffuse) c += "layout(location = " + Num(kAttrDiffuse) + ") in vec4 aDiffuse;\n";
    if (k.hasSpecular) c += "layout(location = " + Num(kAttrSpecular) + ") in vec4 aSpecular;\n";
    for (int i = 0; i < k.texSetCount; ++i)
        c += "layout(location = " + Num(static_cast<int>(kAttrTexCoord0) + i) + ") in vec4 aTex" + Num(i) + ";\n";
    c += Declare(k, "out", prefix, false);
    if (geometry) c += "out float vs_size;\n";
    c += "vec3 safeNormalize(vec3 v) { float l = length(v); return l > 0.0 ? v / l : v; }\n";
    c += "vec4 reflection(vec3 p, vec3 n) {\n  vec3 i = safeNormalize(p);\n  vec3 m = safeNormalize(n);\n"
         "  return vec4(i - 2.0 * dot(i, m) * m, 1.0);\n}\n";
    if (k.fog == FogSource::Vertex) c += FogFunction(k.fogMode);
    c += "void main() {\n";
    c += std::string("  vec4 diffuse = ") + (k.hasDiffuse ? "aDiffuse" : "vec4(1.0)") + ";\n";
    c += std::string("  vec4 specular = ") + (k.hasSpecular ? "aSpecular" : "vec4(0.0)") + ";\n";
    c += "  float size = " + (k.hasPointSize ? std::string("aPointSize") : Slot(kUPoint) + ".x") + ";\n";
    c += "  vec3 eyePos = vec3(0.0);\n  vec3 eyeNormal = vec3(0.0, 0.0, 1.0);\n";
    const std::string pre = Slot(kUPreMap), pos = Slot(kUPosMap), depth = Slot(kUDepthMap);
    if (k.preTransformed) {
        // Screen pixels, device depth and 1/w as given (1/w outside (0, inf) reads as 1).
        c += "  float rhw = aPosition.w;\n  float w = (rhw > 0.0 && rhw < 3.0e38) ? 1.0 / rhw : 1.0;\n";
        c += "  gl_Position = vec4((aPosition.x * " + pre + ".x + " + pre + ".z) * w, (aPosition.y * " + pre +
             ".y + " + pre + ".w) * w, (aPosition.z * " + depth + ".x + " + depth + ".y) * w, w);\n";
    } else {
        c += "  vec4 p = vec4(aPosition.xyz, 1.0);\n";
        c += "  eyePos = (mat4(" + Slot(kUWorldView) + ", " + Slot(kUWorldView + 1) + ", " + Slot(kUWorldView + 2) +
             ", " + Slot(kUWorldView + 3) + ") * p).xyz;\n";
        c += "  vec4 clip = mat4(" + Slot(kUWorldViewProj) + ", " + Slot(kUWorldViewProj + 1) + ", " +
             Slot(kUWorldViewProj + 2) + ", " + Slot(kUWorldViewProj + 3) + ") * p;\n";
        c += "  gl_Position = vec4(clip.x * " + pos + ".x + clip.w * " + pos + ".z, clip.y * " + pos +
             ".y + clip.w * " + pos + ".w, clip.z * " + depth + ".x + clip.w * " + depth + ".y, clip.w);\n";
        if (k.hasNormal) {
            c += "  eyeNormal = vec3(dot(aNormal, " + Slot(kUNormalRows) + ".xyz), dot(aNormal, " +
                 Slot(kUNormalRows + 1) + ".xyz), dot(aNormal, " + Slot(kUNormalRows + 2) + ".xyz));\n";
            if (k.normalize) c += "  eyeNormal = safeNormalize(eyeNormal);\n";
        }
        if (k.lighting) c += LightingCode(k);
        if (k.pointScale) {
            // Distance attenuation on the full eye-space distance, scaled to the viewport height.
            const std::string ps = Slot(kUPointScale);
            c += "  float d = length(eyePos);\n";
            c += "  float k = " + ps + ".x + " + ps + ".y * d + " + ps + ".z * d * d;\n";
            c += "  size = k > 0.0 ? " + Slot(kUPoint) + ".w * size * sqrt(1.0 / k) : " + Slot(kUPoint) + ".z;\n";
        }
    }
    c += std::string("  ") + prefix + "diffuse = diffuse;\n  " + prefix + "specular = specular;\n";
    if (k.fog == FogSource::Vertex)
        c += std::string("  ") + prefix + "fog = " + (k.fogMode != D3DFOG_NONE ? "fogFactor(abs(eyePos.z))" : "specular.a") + ";\n";
    else
        c += std::string("  ") + prefix + "fog = 1.0;\n";
    for (int s = 0; s < k.stageCount; ++s) c += StageCoordinates(k, s, (prefix + std::string("tex") + Num(s)).c_str());
    if (k.pointMode != PointMode::None) {
        c += "  size = clamp(size, " + Slot(kUPoint) + ".y, " + Slot(kUPoint) + ".z);\n";
        if (geometry) {
            c += "  vs_size = size;\n";
        } else {
            // A corner of no size draws nothing: move it out of the clip volume.
            c += "  if (!(size > 0.0)) gl_Position = vec4(2.0, 2.0, 2.0, 1.0);\n";
            c += "  gl_PointSize = max(size, 1.0);\n";
        }
    }
    c += "}\n";
    return c;
}

std::string GeometryShader(const ShaderKey& k) {
    std::string c = Header();
    c += "layout(points) in;\nlayout(triangle_strip, max_vertices = 4) out;\n";
    c += Declare(k, "in", "vs_", true);
    c += "in float vs_size[];\n";
    c += Declare(k, "out", "fs_", false);
    c += "void main() {\n  float size = vs_size[0];\n  if (!(size > 0.0)) return;\n";
    c += "  vec4 centre = gl_in[0].gl_Position;\n";
    c += "  if (any(isnan(centre)) || any(isinf(centre))) return;\n";  // broken vertex: no point
    // Half the size in pixels, as GL clip units (NDC per pixel times w).
    c += "  vec2 halfSize = 0.5 * size * " + Slot(kUDepthMap) + ".zw * centre.w;\n";
    c += "  for (int i = 0; i < 4; ++i) {\n";
    c += "    vec2 corner = vec2(float(i & 1), float(i >> 1));\n";  // (0,0) = top left in pixels
    c += "    gl_Position = centre + vec4((corner * 2.0 - 1.0) * halfSize, 0.0, 0.0);\n";
    for (const Varying& v : Varyings(k)) c += "    fs_" + v.name + " = vs_" + v.name + "[0];\n";
    if (k.pointSprite)
        for (int s = 0; s < k.stageCount; ++s) c += "    fs_tex" + Num(s) + " = corner;\n";
    c += "    EmitVertex();\n  }\n  EndPrimitive();\n}\n";
    return c;
}

bool ReadsTexture(int arg) { return (arg & D3DTA_SELECTMASK) == D3DTA_TEXTURE; }

std::string Argument(int arg, int stage) {
    std::string a;
    switch (arg & D3DTA_SELECTMASK) {
    case D3DTA_DIFFUSE: a = "diffuse"; break;
    case D3DTA_CURRENT: a = "current"; break;
    case D3DTA_TEXTURE: a = "tex" + Num(stage); break;
    case D3DTA_TFACTOR: a = Slot(kUTextureFactor); break;
    case D3DTA_SPECULAR: a = "specular"; break;
    default: a = "vec4(0.0)"; break;  // temporary register: not kept, reads zero
    }
    if (arg & D3DTA_COMPLEMENT) a = "(vec4(1.0) - " + a + ")";
    if (arg & D3DTA_ALPHAREPLICATE) a = a + ".aaaa";
    return a;
}

// One stage operation on whole vec4s a and b; `texAlpha` names the stage texture's alpha.
std::string Operation(int op, const std::string& texAlpha) {
    const std::string tf = Slot(kUTextureFactor);
    switch (op) {
    case D3DTOP_SELECTARG1: return "a";
    case D3DTOP_SELECTARG2: return "b";
    case D3DTOP_MODULATE: return "a * b";
    case D3DTOP_MODULATE2X: return "clamp(2.0 * a * b, 0.0, 1.0)";
    case D3DTOP_MODULATE4X: return "clamp(4.0 * a * b, 0.0, 1.0)";
    case D3DTOP_ADD: return "clamp(a + b, 0.0, 1.0)";
    case D3DTOP_ADDSIGNED: return "clamp(a + b - 0.5, 0.0, 1.0)";
    case D3DTOP_ADDSIGNED2X: return "clamp(2.0 * (a + b - 0.5), 0.0, 1.0)";
    case D3DTOP_SUBTRACT: return "clamp(a - b, 0.0, 1.0)";
    case D3DTOP_ADDSMOOTH: return "clamp(a + b - a * b, 0.0, 1.0)";
    case D3DTOP_BLENDDIFFUSEALPHA: return "a * diffuse.a + b * (1.0 - diffuse.a)";
    case D3DTOP_BLENDTEXTUREALPHA: return "a * " + texAlpha + " + b * (1.0 - " + texAlpha + ")";
    case D3DTOP_BLENDFACTORALPHA: return "a * " + tf + ".a + b * (1.0 - " + tf + ".a)";
    case D3DTOP_BLENDCURRENTALPHA: return "a * current.a + b * (1.0 - current.a)";
    case D3DTOP_BLENDTEXTUREALPHAPM: return "clamp(a + b * (1.0 - " + texAlpha + "), 0.0, 1.0)";
    case D3DTOP_MODULATEALPHA_ADDCOLOR: return "clamp(a + a.a * b, 0.0, 1.0)";
    case D3DTOP_MODULATEINVALPHA_ADDCOLOR: return "clamp(a + (1.0 - a.a) * b, 0.0, 1.0)";
    case D3DTOP_MODULATECOLOR_ADDALPHA: return "clamp(a * b + a.a, 0.0, 1.0)";
    case D3DTOP_MODULATEINVCOLOR_ADDALPHA: return "clamp((vec4(1.0) - a) * b + a.a, 0.0, 1.0)";
    case D3DTOP_DOTPRODUCT3: return "vec4(clamp(4.0 * dot(a.rgb - 0.5, b.rgb - 0.5), 0.0, 1.0))";
    default: return "a";  // operations outside the fixed set select the first argument
    }
}

std::string Compare(int func, const std::string& value, const std::string& reference) {
    switch (func) {
    case D3DCMP_NEVER: return "false";
    case D3DCMP_LESS: return value + " < " + reference;
    case D3DCMP_EQUAL: return value + " == " + reference;
    case D3DCMP_LESSEQUAL: return value + " <= " + reference;
    case D3DCMP_GREATER: return value + " > " + reference;
    case D3DCMP_NOTEQUAL: return value + " != " + reference;
    case D3DCMP_GREATEREQUAL: return value + " >= " + reference;
    default: return "true";
    }
}

std::string FragmentShader(const ShaderKey& k) {
    std::string c = Header();
    c += Declare(k, "in", "fs_", false);
    c += "out vec4 fragColor;\n";
    for (int s = 0; s < k.stageCount; ++s)
        if (k.stages[s].texture != StageTexture::None) c += "uniform sampler2D s" + Num(s) + ";\n";
    if (k.fog == FogSource::Table) c += FogFunction(k.fogMode);
    c += "void main() {\n  vec4 diffuse = fs_diffuse;\n  vec4 specular = fs_specular;\n  vec4 current = diffuse;\n";
    c += "  float du = 0.0, dv = 0.0, luminance = 1.0;\n";
    int bumpStage = -1;  // the bump stage whose offsets the next stage takes
    bool luminancePending = false;
    for (int s = 0; s < k.stageCount; ++s) {
        const ShaderKey::Stage& st = k.stages[s];
        const std::string n = Num(s);
        const bool polygonSprite = k.pointMode == PointMode::PolygonCorners && k.pointSprite;
        const std::string raw = polygonSprite ? "gl_PointCoord" : "fs_tex" + n;
        c += "  // stage " + n + "\n  vec2 uv" + n + " = " + raw + ";\n";
        const bool perturbed = bumpStage >= 0;
        if (perturbed) {
            const std::string m = Slot(kUBumpMatrix + bumpStage);
            c += "  uv" + n + " += vec2(" + m + ".x * du + " + m + ".z * dv, " + m + ".y * du + " + m + ".w * dv);\n";
            bumpStage = -1;
        }
        const bool isBump = st.colorOp == D3DTOP_BUMPENVMAP || st.colorOp == D3DTOP_BUMPENVMAPLUMINANCE;
        const bool alphaOn = st.alphaOp != 0;
        const bool sample = isBump || ReadsTexture(st.colorArg1) || ReadsTexture(st.colorArg2) ||
                            (alphaOn && (ReadsTexture(st.alphaArg1) || ReadsTexture(st.alphaArg2))) ||
                            st.colorOp == D3DTOP_BLENDTEXTUREALPHA || st.colorOp == D3DTOP_BLENDTEXTUREALPHAPM;
        c += "  vec4 tex" + n + " = vec4(0.0, 0.0, 0.0, 1.0);\n";
        if (sample && st.texture != StageTexture::None) {
            // Perturbed coordinates keep the footprint of the unperturbed ones for the mip choice.
            if (perturbed)
                c += "  tex" + n + " = textureGrad(s" + n + ", uv" + n + ", dFdx(" + raw + "), dFdy(" + raw + "));\n";
            else
                c += "  tex" + n + " = texture(s" + n + ", uv" + n + ");\n";
            if (luminancePending) c += "  tex" + n + ".rgb *= luminance;\n";
        }
        luminancePending = false;
        if (isBump) {
            const bool bumpTexture = st.texture == StageTexture::Bump;
            c += "  du = " + std::string(bumpTexture ? "tex" + n + ".r" : "0.0") + ";\n";
            c += "  dv = " + std::string(bumpTexture ? "tex" + n + ".g" : "0.0") + ";\n";
            bumpStage = s;
            if (st.colorOp == D3DTOP_BUMPENVMAPLUMINANCE) {
                const std::string l = Slot(kUBumpLuminance + s);
                c += "  luminance = clamp(" + std::string(bumpTexture ? "tex" + n + ".b" : "1.0") + " * " + l +
                     ".x + " + l + ".y, 0.0, 1.0);\n";
                luminancePending = true;
            }
            continue;
        }
        const std::string texAlpha = "tex" + n + ".a";
        c += "  {\n    vec4 a = " + Argument(st.colorArg1, s) + ";\n    vec4 b = " + Argument(st.colorArg2, s) + ";\n";
        c += "    vec3 color = (" + Operation(st.colorOp, texAlpha) + ").rgb;\n";
        c += "    float alpha = current.a;\n";
        if (alphaOn) {
            c += "    a = " + Argument(st.alphaArg1, s) + ";\n    b = " + Argument(st.alphaArg2, s) + ";\n";
            c += "    alpha = (" + Operation(st.alphaOp, texAlpha) + ").a;\n";
        }
        c += "    current = vec4(color, alpha);\n  }\n";
    }
    if (k.specularAdd) c += "  current.rgb = clamp(current.rgb + specular.rgb, 0.0, 1.0);\n";
    if (k.alphaFunc != 0 && k.alphaFunc != D3DCMP_ALWAYS) {
        c += "  float alpha8 = floor(clamp(current.a, 0.0, 1.0) * 255.0 + 0.5);\n";
        c += "  if (!(" + Compare(k.alphaFunc, "alpha8", Slot(kUFog) + ".w") + ")) discard;\n";
    }
    if (k.fog == FogSource::Table)
        c += std::string("  float f = fogFactor(") + (k.fogFromW ? "1.0 / gl_FragCoord.w" : "gl_FragCoord.z") + ");\n";
    else if (k.fog == FogSource::Vertex)
        c += "  float f = clamp(fs_fog, 0.0, 1.0);\n";
    if (k.fog != FogSource::None) c += "  current.rgb = f * current.rgb + (1.0 - f) * " + Slot(kUFogColor) + ".rgb;\n";
    c += "  fragColor = clamp(current, 0.0, 1.0);\n}\n";
    return c;
}

GLuint Compile(GLenum type, const std::string& source, std::string& log) {
    const GLuint shader = glCreateShader(type);
    const char* text = source.c_str();
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (ok != GL_TRUE) {
        char buffer[2048] = {};
        glGetShaderInfoLog(shader, sizeof buffer - 1, nullptr, buffer);
        log += buffer;
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}

GLuint Link(const ShaderSources& src, std::string& log) {
    const GLuint vs = Compile(GL_VERTEX_SHADER, src.vertex, log);
    const GLuint gs = src.geometry.empty() ? 0 : Compile(GL_GEOMETRY_SHADER, src.geometry, log);
    const GLuint fs = Compile(GL_FRAGMENT_SHADER, src.fragment, log);
    GLuint program = 0;
    if (vs && fs && (src.geometry.empty() || gs)) {
        program = glCreateProgram();
        glAttachShader(program, vs);
        if (gs) glAttachShader(program, gs);
        glAttachShader(program, fs);
        glLinkProgram(program);
        GLint ok = GL_FALSE;
        glGetProgramiv(program, GL_LINK_STATUS, &ok);
        if (ok != GL_TRUE) {
            char buffer[2048] = {};
            glGetProgramInfoLog(program, sizeof buffer - 1, nullptr, buffer);
            log += buffer;
            glDeleteProgram(program);
            program = 0;
        }
    }
    if (vs) glDeleteShader(vs);
    if (gs) glDeleteShader(gs);
    if (fs) glDeleteShader(fs);
    return program;
}

}  // namespace

ShaderSources GenerateShaders(const ShaderKey& key) {
    ShaderSources s;
    s.vertex = VertexShader(key);
    if (key.pointMode == PointMode::List) s.geometry = GeometryShader(key);
    s.fragment = FragmentShader(key);
    return s;
}

ProgramCache::~ProgramCache() {
    for (auto& entry : programs_)
        if (entry.second->name) glDeleteProgram(entry.second->name);
}

Program* ProgramCache::Get(const ShaderKey& key) {
    if (last_ && key == lastKey_) return last_->name ? last_ : nullptr;
    auto it = programs_.find(key);
    if (it == programs_.end()) {
        auto program = std::make_unique<Program>();
        std::string log;
        program->name = Link(GenerateShaders(key), log);
        if (program->name) {
            program->uniforms = glGetUniformLocation(program->name, "u");
            GLint active = 0;
            glGetProgramiv(program->name, GL_ACTIVE_UNIFORMS, &active);
            for (GLint i = 0; i < active; ++i) {
                char name[64] = {};
                GLint size = 0;
                GLenum type = 0;
                glGetActiveUniform(program->name, static_cast<GLuint>(i), sizeof name - 1, nullptr, &size, &type, name);
                if (std::strcmp(name, "u") == 0 || std::strcmp(name, "u[0]") == 0) program->uniformCount = size;
            }
            glUseProgram(program->name);
            for (UINT s = 0; s < kMaxStages; ++s) {
                const std::string sampler = "s" + std::to_string(s);
                const GLint location = glGetUniformLocation(program->name, sampler.c_str());
                if (location >= 0) glUniform1i(location, static_cast<GLint>(s));
            }
        } else {
            OutputDebugStringA(("IDirect3DDevice8::DrawPrimitive: the OpenGL program for this state does not build: " +
                                log + "\n").c_str());
        }
        it = programs_.emplace(key, std::move(program)).first;
    }
    lastKey_ = key;
    last_ = it->second.get();
    return last_->name ? last_ : nullptr;
}

void LoadUniforms(Program& program, const Vec4* values) {
    if (program.uniforms < 0 || program.uniformCount <= 0) return;
    const int n = program.uniformCount < kUniformCount ? program.uniformCount : kUniformCount;
    int first = 0, last = n - 1;
    if (program.loaded) {
        while (first < n && std::memcmp(&program.values[first], &values[first], sizeof(Vec4)) == 0) ++first;
        if (first == n) return;
        while (last > first && std::memcmp(&program.values[last], &values[last], sizeof(Vec4)) == 0) --last;
    }
    const int count = last - first + 1;
    glUniform4fv(program.uniforms + first, count, values[first].v);
    std::memcpy(&program.values[first], &values[first], sizeof(Vec4) * static_cast<std::size_t>(count));
    program.loaded = true;
}

}  // namespace d3d8::gl
