#include "platform/d3d9/gl_ffp_shader.h"

#include "platform/d3d9/gl_api.h"

#include <cstdio>
#include <vector>

namespace qv::d3d {

using namespace qv::gl;

size_t FfpKeyHash::operator()(const FfpKey& k) const
{
    // FNV-1a over the packed bytes; the key is zero-filled, so padding never differs.
    const auto* p = reinterpret_cast<const unsigned char*>(&k);
    uint64_t h = 1469598103934665603ull;
    for (size_t i = 0; i < sizeof k; ++i) {
        h ^= p[i];
        h *= 1099511628211ull;
    }
    return size_t(h);
}

namespace {

GLuint Compile(GLenum type, const std::string& text)
{
    GLuint shader = glCreateShader(type);
    const char* src = text.c_str();
    glShaderSource(shader, 1, &src, nullptr);
    glCompileShader(shader);
    GLint ok = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char log[2048] = {};
        glGetShaderInfoLog(shader, sizeof log - 1, nullptr, log);
        std::fprintf(stderr, "d3d9: fixed-function %s shader rejected:\n%s\n%s\n",
                     type == GL_VERTEX_SHADER ? "vertex" : "fragment", log, src);
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}

GLuint Link(GLuint vs, GLuint fs)
{
    GLuint program = glCreateProgram();
    glAttachShader(program, vs);
    glAttachShader(program, fs);
    glBindFragDataLocation(program, 0, "oColor");
    glLinkProgram(program);
    GLint ok = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (!ok) {
        char log[2048] = {};
        glGetProgramInfoLog(program, sizeof log - 1, nullptr, log);
        std::fprintf(stderr, "d3d9: fixed-function program failed to link:\n%s\n", log);
        glDeleteProgram(program);
        return 0;
    }
    return program;
}

void FindUniforms(FfpProgram& p, int liveSamplers)
{
    const GLuint n = p.name;
    p.posFixup = glGetUniformLocation(n, "uPosFixup");
    p.globalAmbient = glGetUniformLocation(n, "uGlobalAmbient");
    p.lightDiffuse = glGetUniformLocation(n, "uLightDiffuse");
    p.lightSpecular = glGetUniformLocation(n, "uLightSpecular");
    p.lightAmbient = glGetUniformLocation(n, "uLightAmbient");
    p.lightPosition = glGetUniformLocation(n, "uLightPosition");
    p.lightDirection = glGetUniformLocation(n, "uLightDirection");
    p.lightAttenuation = glGetUniformLocation(n, "uLightAttenuation");
    p.lightSpot = glGetUniformLocation(n, "uLightSpot");
    p.texMatrix = glGetUniformLocation(n, "uTexMatrix");
    p.textureFactor = glGetUniformLocation(n, "uTextureFactor");
    p.stageConstant = glGetUniformLocation(n, "uStageConstant");
    p.alphaRef = glGetUniformLocation(n, "uAlphaRef");
    const GLuint block = glGetUniformBlockIndex(n, "QvInstances");
    if (block != GL_INVALID_INDEX)
        glUniformBlockBinding(n, block, kInstanceBinding);
    // Samplers never move: sampler i reads texture unit i. The caller has the program bound.
    for (int i = 0; i < liveSamplers; ++i) {
        const std::string name = "uSampler" + std::to_string(i);
        const GLint loc = glGetUniformLocation(n, name.c_str());
        if (loc >= 0)
            glUniform1i(loc, i);
    }
}

} // namespace

FfpProgramCache::~FfpProgramCache() { Clear(); }

void FfpProgramCache::Clear()
{
    for (auto& entry : programs_)
        if (entry.second && entry.second->name)
            glDeleteProgram(entry.second->name);
    programs_.clear();
}

FfpProgram* FfpProgramCache::Get(const FfpKey& key)
{
    auto found = programs_.find(key);
    if (found != programs_.end())
        return found->second->name ? found->second.get() : nullptr;

    auto program = std::make_unique<FfpProgram>();
    const GLuint vs = Compile(GL_VERTEX_SHADER, GenerateVertexShader(key, instances_, maxLocations_, &program->inputs));
    const GLuint fs = vs ? Compile(GL_FRAGMENT_SHADER, GenerateFragmentShader(key)) : 0;
    if (vs && fs) {
        program->name = Link(vs, fs);
    }
    if (vs)
        glDeleteShader(vs);
    if (fs)
        glDeleteShader(fs);
    ++compiled_;
    if (program->name) {
        GLint previous = 0;
        glGetIntegerv(GL_CURRENT_PROGRAM, &previous);
        glUseProgram(program->name);
        int live = 0;
        while (live < kFfpStages && key.stages[live].colorOp > D3DTOP_DISABLE)
            ++live;
        FindUniforms(*program, live);
        glUseProgram(GLuint(previous));
    }
    // A failed program is remembered too, so a bad key costs one compile and not one per draw.
    FfpProgram* result = program->name ? program.get() : nullptr;
    programs_.emplace(key, std::move(program));
    return result;
}

} // namespace qv::d3d
