#include "platform/d3d9/gl_ffp_shader.h"

#include "platform/d3d9/gl_api.h"
#include "platform/d3d9/gl_program_store.h"

#include <cstdio>
#include <vector>

namespace qv::d3d {

using namespace qv::gl;

size_t FfpKeyHash::operator()(const FfpKey& k) const
{
    // Over the packed bytes; the key is zero-filled, so padding never differs.
    return size_t(Fnv1a(&k, sizeof k));
}

namespace {

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
    p.lastStageLayer = glGetUniformLocation(n, "uLastStageLayer");
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
    const std::string vertex = GenerateVertexShader(key, instances_, maxLocations_, nudgeEdges_, &program->inputs);
    bool loaded = false;
    program->name = BuildProgram(*store_, vertex, GenerateFragmentShader(key), "fixed-function", &loaded);
    ++compiled_;
    loaded_ += loaded ? 1 : 0;
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
