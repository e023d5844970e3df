// GLSL text for one fixed-function key. The vertex half does D3D9's transform and lighting in
// camera space; the fragment half runs the texture stage cascade and the alpha test.
#include "platform/d3d9/gl_ffp_shader.h"

#include "platform/d3d9/gl_api.h"

#include <cctype>
#include <string>

namespace qv::d3d {

namespace {

std::string N(int i) { return std::to_string(i); }

// What every vertex program may read besides its inputs. The per-draw transforms and material
// (uWorldViewProj, uWorldView, uNormalMatrix, uMaterial[], uMaterialPower) are declared by
// VertexInputs below: per-instance attributes, or the instance block where those do not fit.
const char* kVertexUniforms = R"(uniform vec4 uPosFixup;
uniform vec4 uGlobalAmbient;
uniform vec4 uLightDiffuse[8];
uniform vec4 uLightSpecular[8];
uniform vec4 uLightAmbient[8];
uniform vec4 uLightPosition[8];
uniform vec4 uLightDirection[8];
uniform vec4 uLightAttenuation[8];
uniform vec4 uLightSpot[8];
uniform mat4 uTexMatrix[4];
)";

const char* kInstanceBlock = R"(struct QvInstance {
    mat4 worldViewProj;
    mat4 worldView;
    mat3 normalMatrix;
    vec4 material[4];
    float materialPower;
    float layer0, layer1, layer2;
};
layout(std140) uniform QvInstances { QvInstance uInstances[QV_INSTANCES]; };
#define uWorldViewProj uInstances[gl_InstanceID].worldViewProj
#define uWorldView uInstances[gl_InstanceID].worldView
#define uNormalMatrix uInstances[gl_InstanceID].normalMatrix
#define uMaterial uInstances[gl_InstanceID].material
#define uMaterialPower uInstances[gl_InstanceID].materialPower
#define uTextureLayers vec3(uInstances[gl_InstanceID].layer0, uInstances[gl_InstanceID].layer1, uInstances[gl_InstanceID].layer2)
)";

// A stage is live while its colour op is not DISABLE, and only its texture coordinates matter.
int LiveStages(const FfpKey& k)
{
    int n = 0;
    while (n < kFfpStages && k.stages[n].colorOp != D3DTOP_DISABLE && k.stages[n].colorOp != 0)
        ++n;
    return n;
}

// Whether a live stage samples a layer of an array texture whose index comes per draw.
bool ReadsInstanceLayers(const FfpKey& k)
{
    const int live = LiveStages(k);
    for (int i = 0; i < live && i < kInstanceLayerStages; ++i)
        if (k.stages[i].hasTexture && k.stages[i].layered)
            return true;
    return false;
}

// D3D widens a coordinate set of n components with a 1 after the last one and zeros beyond:
// a 2D set enters the texture matrix as (u, v, 1, 0), so its third row is the translation.
std::string ExpandSet(int set, int size)
{
    std::string a = "aTexCoord" + N(set);  // not const: case 4 returns it by move
    switch (size) {
    case 1: return "vec4(" + a + ".x, 1.0, 0.0, 0.0)";
    case 3: return "vec4(" + a + ".xyz, 1.0)";
    case 4: return a;
    default: return "vec4(" + a + ".xy, 1.0, 0.0)";
    }
}

std::string MaterialColour(int source, int slot)
{
    if (source == 1)
        return "aDiffuse";
    if (source == 2)
        return "aSpecular";
    return "uMaterial[" + N(slot) + "]";
}

void EmitLighting(const FfpKey& k, std::string& s)
{
    s += "    vec3 lAmbient = vec3(0.0), lDiffuse = vec3(0.0), lSpecular = vec3(0.0);\n";
    for (int i = 0; i < kMaxLights; ++i) {
        const int type = k.lightTypes[i];
        if (!type)
            continue;
        const std::string I = "[" + N(i) + "]";
        s += "    {\n";
        if (type == D3DLIGHT_DIRECTIONAL) {
            s += "        vec3 L = uLightDirection" + I + ".xyz;\n        float att = 1.0;\n";
        } else {
            s += "        vec3 toLight = uLightPosition" + I + ".xyz - eyePos;\n"
                 "        float dist = length(toLight);\n"
                 "        vec3 L = dist > 0.0 ? toLight / dist : vec3(0.0);\n"
                 "        vec4 A = uLightAttenuation" + I + ";\n"
                 "        float denom = A.y + A.z * dist + A.w * dist * dist;\n"
                 "        float att = dist <= A.x && denom > 0.0 ? 1.0 / denom : 0.0;\n";
            if (type == D3DLIGHT_SPOT) {
                // rho compares the spot axis with the direction to the light, both pointing back.
                s += "        float rho = dot(uLightDirection" + I + ".xyz, L);\n"
                     "        vec4 S = uLightSpot" + I + ";\n"
                     "        float spot = rho > S.x ? 1.0 : (rho <= S.y ? 0.0 :\n"
                     "            (S.z == 1.0 ? (rho - S.y) / (S.x - S.y) : pow(max((rho - S.y) / (S.x - S.y), 0.0), S.z)));\n"
                     "        att *= spot;\n";
            }
        }
        // D3D clamps the diffuse reflection factor N.L to [0, 1]: a normal longer than one
        // (not normalised, or scaled up by the world matrix) lights no brighter than a unit one.
        s += "        lAmbient += uLightAmbient" + I + ".rgb * att;\n"
             "        float NdotL = min(dot(N, L), 1.0);\n"
             "        if (NdotL > 0.0) {\n"
             "            lDiffuse += uLightDiffuse" + I + ".rgb * (NdotL * att);\n";
        if (k.specularEnable) {
            // D3D's camera looks along +z, so without a local viewer the eye lies along -z.
            s += k.localViewer ? "            vec3 H = normalize(normalize(-eyePos) + L);\n"
                               : "            vec3 H = normalize(vec3(0.0, 0.0, -1.0) + L);\n";
            s += "            float NdotH = max(dot(N, H), 0.0);\n"
                 "            float sp = uMaterialPower > 0.0 ? pow(NdotH, uMaterialPower) : 1.0;\n"
                 "            lSpecular += uLightSpecular" + I + ".rgb * (sp * att);\n";
        }
        s += "        }\n    }\n";
    }
    const std::string cd = MaterialColour(k.diffuseSource, 0), ca = MaterialColour(k.ambientSource, 1),
                      cs = MaterialColour(k.specularSource, 2), ce = MaterialColour(k.emissiveSource, 3);
    s += "    vDiffuse = vec4(clamp(" + ca + ".rgb * (uGlobalAmbient.rgb + lAmbient) + " + cd +
         ".rgb * lDiffuse + " + ce + ".rgb, 0.0, 1.0), clamp(" + cd + ".a, 0.0, 1.0));\n";
    s += "    vSpecular = vec4(clamp(" + cs + ".rgb * lSpecular, 0.0, 1.0), " + cs + ".a);\n";
}

} // namespace

namespace {

// Whether `name` occurs in `text` as a whole identifier (uWorldView is not uWorldViewProj).
bool Uses(const std::string& text, const std::string& name)
{
    for (size_t at = text.find(name); at != std::string::npos; at = text.find(name, at + 1)) {
        const size_t end = at + name.size();
        const bool before = at > 0 && (std::isalnum(static_cast<unsigned char>(text[at - 1])) || text[at - 1] == '_');
        const bool after = end < text.size() && (std::isalnum(static_cast<unsigned char>(text[end])) || text[end] == '_');
        if (!before && !after)
            return true;
    }
    return false;
}

// Drops the line that defines `name` when nothing after it reads it.
void DropUnused(std::string& body, const std::string& line, const std::string& name)
{
    const size_t at = body.find(line);
    if (at != std::string::npos && !Uses(body.substr(at + line.size()), name))
        body.erase(at, line.size());
}

bool StageReadsSpecular(const FfpStageKey& st)
{
    for (int i = 0; i < 3; ++i)
        if ((st.colorArg[i] & D3DTA_SELECTMASK) == D3DTA_SPECULAR || (st.alphaArg[i] & D3DTA_SELECTMASK) == D3DTA_SPECULAR)
            return true;
    return false;
}

std::string Location(int location) { return "layout(location = " + N(location) + ") in "; }

// Declares what the body reads: the vertex attributes at locations from 0 up, then the
// per-instance values as attributes too when they fit in `maxLocations`, else the block.
std::string VertexInputs(std::string& body, int instances, int maxLocations, VertexInputPlan* plan)
{
    *plan = VertexInputPlan{};
    std::string decl;
    int next = 0;
    static const char* const kVertexInputs[4] = {"vec4 aPosition", "vec3 aNormal", "vec4 aDiffuse", "vec4 aSpecular"};
    for (int input = 0; input < kVertexInputSlots; ++input) {
        const std::string type = input < 4 ? kVertexInputs[input] : "vec4 aTexCoord" + N(input - 4);
        const std::string name = type.substr(type.find(' ') + 1);
        if (input != 0 && !Uses(body, name))
            continue;
        plan->vertexLocation[input] = int8_t(next);
        if (gl::es && (input == 2 || input == 3)) {
            // D3DCOLOR is B, G, R, A in memory; ES reads no BGRA attributes, so the colour
            // arrives as R, G, B, A and is put right here.
            decl += Location(next++) + type + "Bgra;\n#define " + name + " " + name + "Bgra.bgra\n";
            continue;
        }
        decl += Location(next++) + type + ";\n";
    }

    struct Value {
        const char* name;
        const char* type;
        int columns, floats, offset;
    };
    static const Value kValues[] = {
        {"uWorldViewProj", "mat4", 4, 4, 0},   {"uNormalMatrix", "mat3", 3, 3, 128},
        {"uWorldView", "mat4", 4, 4, 64},      {"uMaterial[0]", "vec4", 1, 4, 176},
        {"uMaterial[1]", "vec4", 1, 4, 192},   {"uMaterial[2]", "vec4", 1, 4, 208},
        {"uMaterial[3]", "vec4", 1, 4, 224},   {"uMaterialPower", "float", 1, 1, 240},
        {"uTextureLayers", "vec3", 1, 3, 244},
    };
    std::string attributes, names;
    int needed = next;
    for (const Value& v : kValues) {
        const std::string name = v.name;
        const bool material = name.back() == ']';
        if (material ? body.find(name) == std::string::npos : !Uses(body, name))
            continue;
        // uMaterial[1] is read as iMaterial1, uWorldView as iWorldView.
        const std::string attribute = material ? "iMaterial" + name.substr(10, 1) : "i" + name.substr(1);
        attributes += Location(needed) + v.type + " " + attribute + ";\n";
        if (!material)
            names += "#define " + name + " " + attribute + "\n";
        for (int c = 0; c < v.columns && plan->instanceCount < kMaxInstanceInputs; ++c)
            plan->instance[plan->instanceCount++] = {uint8_t(needed + c), uint8_t(v.floats), uint16_t(v.offset + 16 * c)};
        needed += v.columns;
    }
    if (needed <= maxLocations) {
        plan->instanceAttributes = true;
        for (int slot = 0; slot < 4; ++slot) {
            const std::string from = "uMaterial[" + N(slot) + "]", to = "iMaterial" + N(slot);
            for (size_t at = body.find(from); at != std::string::npos; at = body.find(from, at))
                body.replace(at, from.size(), to);
        }
        return decl + attributes + names;
    }
    plan->instanceCount = 0;
    return decl + "#define QV_INSTANCES " + N(instances) + "\n" + kInstanceBlock;
}

// Each live stage's coordinates: generated from the normal or the eye position, or read from a
// vertex set, then through the stage's texture transform.
void EmitTexCoords(const FfpKey& k, int live, std::string& s)
{
    for (int i = 0; i < live; ++i) {
        const FfpStageKey& st = k.stages[i];
        std::string src;
        switch (st.texGen) {
        case 1: src = "vec4(N, 1.0)"; break;
        case 2: src = "vec4(eyePos, 1.0)"; break;
        case 3: src = "vec4(reflect(dot(eyePos, eyePos) > 0.0 ? normalize(eyePos) : eyePos, N), 1.0)"; break;
        default:
            src = st.texCoordSet < k.texSetCount ? ExpandSet(st.texCoordSet, k.texSetSize[st.texCoordSet])
                                                 : "vec4(0.0, 0.0, 0.0, 1.0)";
        }
        if (st.transformCount && !k.pretransformed)
            src = "uTexMatrix[" + N(i) + "] * " + src;
        s += "    vTexCoord" + N(i) + " = " + src + ";\n";
    }
}

} // namespace

std::string GenerateVertexShader(const FfpKey& k, int instances, int maxLocations, bool nudgeEdges,
                                 VertexInputPlan* plan)
{
    const char* q = k.flatShade ? "flat out" : "out";
    std::string outputs = std::string(q) + " vec4 vDiffuse;\n" + q + " vec4 vSpecular;\n";
    const int live = LiveStages(k);
    for (int i = 0; i < live; ++i)
        outputs += "out vec4 vTexCoord" + N(i) + ";\n";
    if (ReadsInstanceLayers(k))
        outputs += "flat out vec3 vTextureLayers;\n";
    bool readsSpecular = k.specularEnable != 0;
    for (int i = 0; i < live; ++i)
        readsSpecular = readsSpecular || StageReadsSpecular(k.stages[i]);
    std::string s = "void main() {\n    vec4 clip;\n";

    if (k.pretransformed) {
        // Screen-space vertices: x, y in pixels, z in [0, 1], w holding 1/w for perspective.
        s += "    float w = aPosition.w != 0.0 ? 1.0 / aPosition.w : 1.0;\n"
             "    clip = vec4(aPosition.x * 2.0 / uPosFixup.z - 1.0, 1.0 - aPosition.y * 2.0 / uPosFixup.w,\n"
             "                aPosition.z, 1.0) * w;\n"
             "    vec3 eyePos = vec3(0.0);\n    vec3 N = vec3(0.0);\n";
        s += k.hasDiffuse ? "    vDiffuse = aDiffuse;\n" : "    vDiffuse = vec4(1.0);\n";
        s += k.hasSpecular ? "    vSpecular = aSpecular;\n" : "    vSpecular = vec4(0.0);\n";
    } else {
        s += "    vec4 pos = vec4(aPosition.xyz, 1.0);\n"
             "    clip = uWorldViewProj * pos;\n"
             "    vec3 eyePos = (uWorldView * pos).xyz;\n";
        // Without a normal D3D lights with a zero normal: ambient and emissive only.
        s += k.hasNormal ? "    vec3 N = uNormalMatrix * aNormal;\n" : "    vec3 N = vec3(0.0);\n";
        if (k.normalizeNormals)
            s += "    if (dot(N, N) > 0.0) N = normalize(N);\n";
        if (k.lighting) {
            EmitLighting(k, s);
        } else {
            s += k.hasDiffuse ? "    vDiffuse = aDiffuse;\n" : "    vDiffuse = vec4(1.0);\n";
            s += k.hasSpecular ? "    vSpecular = aSpecular;\n" : "    vSpecular = vec4(0.0);\n";
        }
    }

    EmitTexCoords(k, live, s);
    if (ReadsInstanceLayers(k))
        s += "    vTextureLayers = uTextureLayers;\n";
    // D3D9 puts pixel centres on integer coordinates and maps depth to [0, 1]; GL centres them
    // on halves and clips depth to [-1, 1]. Shift by half a pixel and remap z' = 2z - w, and
    // turn the picture upside down, so D3D's top row is GL's row 0, the first in memory.
    // A pixel whose centre lies exactly on an edge then goes where D3D's top-left rule puts it
    // (a quad from y = 8 to 24 covers rows 8 to 23, not 9 to 24) on a rasteriser like
    // llvmpipe. GL lets each rasteriser choose; on one that chooses otherwise the shift stops
    // 1/256 of a pixel short of half, one step of an 8-bit subpixel grid, which puts such a
    // centre just inside a top or left edge and just outside a bottom or right one (at the
    // cost of moving texture coordinates that far too, so only where it is needed).
    s += nudgeEdges ? "    clip.xy += uPosFixup.xy * (clip.w * 0.9921875);\n" : "    clip.xy += uPosFixup.xy * clip.w;\n";
    s += "    clip.z = 2.0 * clip.z - clip.w;\n"
         "    clip.y = -clip.y;\n"
         "    gl_Position = clip;\n";
    // Core draws points glPointSize's 1 pixel wide, times the render scale; ES only as wide as
    // the program says: the target's width over the back buffer's (which rasterisers round to
    // whole pixels).
    if (gl::es)
        s += "    gl_PointSize = 1.0 / (uPosFixup.x * uPosFixup.z);\n";
    s += "}\n";
    // What the fragment program never reads need not be computed, nor its inputs fetched.
    if (!readsSpecular) {
        const std::string specular = "    vSpecular = ";
        const size_t at = s.find(specular);
        if (at != std::string::npos)
            s.replace(at, s.find(";\n", at) - at, "    vSpecular = vec4(0.0)");
    }
    DropUnused(s, "    vec3 eyePos = (uWorldView * pos).xyz;\n", "eyePos");
    DropUnused(s, "    vec3 N = uNormalMatrix * aNormal;\n", "N");
    const std::string inputs = VertexInputs(s, instances, maxLocations, plan);
    return gl::ShaderPreamble() + inputs + kVertexUniforms + outputs + s;
}

namespace {

std::string Arg(DWORD arg, int stage)
{
    std::string base;
    switch (arg & D3DTA_SELECTMASK) {
    case D3DTA_DIFFUSE: base = "diffuse"; break;
    case D3DTA_CURRENT: base = "current"; break;
    case D3DTA_TEXTURE: base = "tex" + N(stage); break;
    case D3DTA_TFACTOR: base = "uTextureFactor"; break;
    case D3DTA_SPECULAR: base = "specular"; break;
    case D3DTA_TEMP: base = "temp"; break;
    case D3DTA_CONSTANT: base = "uStageConstant[" + N(stage) + "]"; break;
    default: base = "current"; break;
    }
    if (arg & D3DTA_COMPLEMENT)
        base = "(vec4(1.0) - " + base + ")";
    if (arg & D3DTA_ALPHAREPLICATE)
        base = base + ".aaaa";
    return base;
}

// One texture operation on vec4 arguments; the caller takes .rgb or .a of it.
std::string Op(int op, const std::string& a0, const std::string& a1, const std::string& a2, int stage)
{
    const std::string tex = "tex" + N(stage);
    switch (op) {
    case D3DTOP_SELECTARG2: return a2;
    case D3DTOP_MODULATE: return a1 + " * " + a2;
    case D3DTOP_MODULATE2X: return a1 + " * " + a2 + " * 2.0";
    case D3DTOP_MODULATE4X: return a1 + " * " + a2 + " * 4.0";
    case D3DTOP_ADD: return a1 + " + " + a2;
    case D3DTOP_ADDSIGNED: return a1 + " + " + a2 + " - vec4(0.5)";
    case D3DTOP_ADDSIGNED2X: return "(" + a1 + " + " + a2 + " - vec4(0.5)) * 2.0";
    case D3DTOP_SUBTRACT: return a1 + " - " + a2;
    case D3DTOP_ADDSMOOTH: return a1 + " + " + a2 + " - " + a1 + " * " + a2;
    case D3DTOP_BLENDDIFFUSEALPHA: return "mix(" + a2 + ", " + a1 + ", diffuse.a)";
    case D3DTOP_BLENDTEXTUREALPHA: return "mix(" + a2 + ", " + a1 + ", " + tex + ".a)";
    case D3DTOP_BLENDFACTORALPHA: return "mix(" + a2 + ", " + a1 + ", uTextureFactor.a)";
    case D3DTOP_BLENDTEXTUREALPHAPM: return a1 + " + " + a2 + " * (1.0 - " + tex + ".a)";
    case D3DTOP_BLENDCURRENTALPHA: return "mix(" + a2 + ", " + a1 + ", current.a)";
    case D3DTOP_MODULATEALPHA_ADDCOLOR: return a1 + " + " + a1 + ".a * " + a2;
    case D3DTOP_MODULATECOLOR_ADDALPHA: return a1 + " * " + a2 + " + " + a1 + ".aaaa";
    case D3DTOP_MODULATEINVALPHA_ADDCOLOR: return "(1.0 - " + a1 + ".a) * " + a2 + " + " + a1;
    case D3DTOP_MODULATEINVCOLOR_ADDALPHA: return "(vec4(1.0) - " + a1 + ") * " + a2 + " + " + a1 + ".aaaa";
    case D3DTOP_DOTPRODUCT3:
        return "vec4(clamp(4.0 * dot(" + a1 + ".rgb - vec3(0.5), " + a2 + ".rgb - vec3(0.5)), 0.0, 1.0))";
    case D3DTOP_MULTIPLYADD: return a0 + " + " + a1 + " * " + a2;
    case D3DTOP_LERP: return "mix(" + a2 + ", " + a1 + ", " + a0 + ")";
    default: return a1; // SELECTARG1, and the bump-mapping ops we do not emulate
    }
}

// Operations whose result stays in [0, 1] when their arguments do (up to rounding): every
// argument a stage can select is a colour in [0, 1] (textures are unsigned normalised).
bool StaysInRange(int op)
{
    switch (op) {
    case D3DTOP_SELECTARG1:
    case D3DTOP_SELECTARG2:
    case D3DTOP_MODULATE:
    case D3DTOP_ADDSMOOTH:
    case D3DTOP_BLENDDIFFUSEALPHA:
    case D3DTOP_BLENDTEXTUREALPHA:
    case D3DTOP_BLENDFACTORALPHA:
    case D3DTOP_BLENDCURRENTALPHA:
    case D3DTOP_DOTPRODUCT3:
    case D3DTOP_LERP:
        return true;
    default:
        return false;
    }
}

const char* CompareOp(int func)
{
    switch (func) {
    case D3DCMP_NEVER: return nullptr;
    case D3DCMP_LESS: return "<";
    case D3DCMP_EQUAL: return "==";
    case D3DCMP_LESSEQUAL: return "<=";
    case D3DCMP_GREATER: return ">";
    case D3DCMP_NOTEQUAL: return "!=";
    case D3DCMP_GREATEREQUAL: return ">=";
    default: return "";
    }
}

} // namespace

std::string GenerateFragmentShader(const FfpKey& k)
{
    std::string s = gl::ShaderPreamble();
    const char* q = k.flatShade ? "flat in" : "in";
    s += std::string(q) + " vec4 vDiffuse;\n" + q + " vec4 vSpecular;\n";
    const int live = LiveStages(k);
    for (int i = 0; i < live; ++i) {
        const bool layered = k.stages[i].hasTexture && k.stages[i].layered;
        s += "in vec4 vTexCoord" + N(i) + ";\n";
        s += std::string("uniform ") + (layered ? "sampler2DArray" : "sampler2D") + " uSampler" + N(i) + ";\n";
        if (layered && i >= kInstanceLayerStages)
            s += "uniform float uLastStageLayer;\n";
    }
    if (ReadsInstanceLayers(k))
        s += "flat in vec3 vTextureLayers;\n";
    s += "uniform vec4 uTextureFactor;\nuniform vec4 uStageConstant[4];\nuniform float uAlphaRef;\n"
         "out vec4 oColor;\nvoid main() {\n"
         "    vec4 diffuse = vDiffuse, specular = vSpecular, current = diffuse, temp = vec4(0.0);\n";
    for (int i = 0; i < live; ++i) {
        const FfpStageKey& st = k.stages[i];
        const std::string tex = "tex" + N(i), tc = "vTexCoord" + N(i);
        if (st.hasTexture) {
            std::string coord = tc + ".xy";
            if (st.projected && st.transformCount >= 2) {
                const char* last = st.transformCount == 2 ? ".y" : st.transformCount == 3 ? ".z" : ".w";
                coord = "(" + tc + ".xy / " + tc + last + ")";
            }
            if (st.layered)
                coord = "vec3(" + coord + ", " +
                        (i < kInstanceLayerStages ? std::string("vTextureLayers.") + "xyz"[i] : "uLastStageLayer") + ")";
            s += "    vec4 " + tex + " = texture(uSampler" + N(i) + ", " + coord + ");\n";
        } else {
            s += "    vec4 " + tex + " = vec4(1.0);\n";
        }
        const std::string colour = Op(st.colorOp, Arg(st.colorArg[0], i), Arg(st.colorArg[1], i),
                                      Arg(st.colorArg[2], i), i);
        s += "    vec3 c" + N(i) + " = (" + colour + ").rgb;\n";
        if (st.alphaOp != D3DTOP_DISABLE && st.alphaOp != 0) {
            const std::string alpha = Op(st.alphaOp, Arg(st.alphaArg[0], i), Arg(st.alphaArg[1], i),
                                         Arg(st.alphaArg[2], i), i);
            s += "    float a" + N(i) + " = (" + alpha + ").a;\n";
        } else {
            s += "    float a" + N(i) + " = current.a;\n";
        }
        // Each stage saturates its result, as D3D9's fixed-function blender does. The last one
        // need not when its result cannot leave [0, 1] but by rounding and nothing adds to it:
        // the back buffer (8 bits a channel) takes and blends its input clamped, and the alpha
        // test rounds it to the same 8-bit value.
        const bool alphaInRange = st.alphaOp == D3DTOP_DISABLE || st.alphaOp == 0 || StaysInRange(st.alphaOp);
        if (i == live - 1 && !k.specularEnable && StaysInRange(st.colorOp) && alphaInRange)
            s += "    current = vec4(c" + N(i) + ", a" + N(i) + ");\n";
        else
            s += "    current = clamp(vec4(c" + N(i) + ", a" + N(i) + "), 0.0, 1.0);\n";
    }
    if (k.specularEnable)
        s += "    current.rgb = clamp(current.rgb + specular.rgb, 0.0, 1.0);\n";
    if (k.alphaFunc) {
        // D3D compares the alpha as the 8-bit value it would store against ALPHAREF (0-255).
        // ALPHAREF is whole, so for the ordering tests the rounding down can go: x rounds down
        // to at least r exactly when x >= r, and to more than r exactly when x >= r + 1.
        const char* cmp = CompareOp(k.alphaFunc);
        const std::string x = "current.a * 255.0 + 0.5";
        if (!cmp)
            s += "    discard;\n";
        else if (k.alphaFunc == D3DCMP_GREATEREQUAL || k.alphaFunc == D3DCMP_LESS)
            s += "    if (!(" + x + " " + cmp + " uAlphaRef)) discard;\n";
        else if (k.alphaFunc == D3DCMP_GREATER)
            s += "    if (!(" + x + " >= uAlphaRef + 1.0)) discard;\n";
        else if (k.alphaFunc == D3DCMP_LESSEQUAL)
            s += "    if (!(" + x + " < uAlphaRef + 1.0)) discard;\n";
        else if (*cmp)
            s += "    if (!(floor(" + x + ") " + cmp + " uAlphaRef)) discard;\n";
    }
    s += "    oColor = current;\n}\n";
    return s;
}

} // namespace qv::d3d
