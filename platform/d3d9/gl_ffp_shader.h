// Fixed-function emulation: the state that decides a program's code is packed into a small
// key; each distinct key is compiled once into a GL program and kept for the device's life.
#pragma once

#include "platform/d3d9/d3d9_state.h"

#include <GL/glcorearb.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <unordered_map>

namespace qv::d3d {

struct FfpStageKey {
    uint8_t colorOp;     // D3DTOP_*; DISABLE ends the cascade
    uint8_t colorArg[3]; // ARG0, ARG1, ARG2 with modifiers
    uint8_t alphaOp;
    uint8_t alphaArg[3];
    uint8_t texCoordSet;     // low bits of TEXCOORDINDEX
    uint8_t texGen;          // D3DTSS_TCI_* >> 16
    uint8_t transformCount;  // D3DTTFF_COUNTn, 0 for no transform
    uint8_t projected;
    uint8_t hasTexture;
    uint8_t layered; // the texture is a layer of an array texture
};

struct FfpKey {
    uint8_t pretransformed; // D3DFVF_XYZRHW
    uint8_t hasNormal;
    uint8_t hasDiffuse;
    uint8_t hasSpecular;
    uint8_t texSetCount;
    uint8_t texSetSize[8];  // components of each coordinate set, 1 to 4
    uint8_t lighting;
    uint8_t diffuseSource;  // resolved: 0 material, 1 vertex diffuse, 2 vertex specular
    uint8_t ambientSource;
    uint8_t specularSource;
    uint8_t emissiveSource;
    uint8_t specularEnable;
    uint8_t normalizeNormals;
    uint8_t localViewer;
    uint8_t flatShade;
    uint8_t alphaFunc;      // D3DCMP_* with the test on, 0 with it off
    uint8_t lightTypes[kMaxLights]; // 0 for off
    FfpStageKey stages[kFfpStages];

    FfpKey() { std::memset(this, 0, sizeof *this); }
    bool operator==(const FfpKey& o) const { return std::memcmp(this, &o, sizeof *this) == 0; }
    bool operator!=(const FfpKey& o) const { return !(*this == o); }
};

struct FfpKeyHash {
    size_t operator()(const FfpKey& k) const;
};

// What may differ from one draw to the next without breaking a run of draws into separate GL
// draws: the transforms, the material and which layers of array textures the first three
// stages sample (the last stage's layer is a uniform). Each draw's values go into one record of a uniform
// buffer, and the program reads the record of its instance, so consecutive draws of one mesh go
// to GL as one instanced draw. std140 layout of the block the vertex programs declare.
struct InstanceRecord {
    float worldViewProj[16];
    float worldView[16];
    float normalMatrix[12]; // three columns of three, each padded to four
    float material[16];     // diffuse, ambient, specular, emissive
    float power;
    float layers[3]; // of stages 0 to 2; 0 where the stage's texture is not layered
};
static_assert(sizeof(InstanceRecord) == 256, "InstanceRecord must match the std140 block");
// The uniform buffer binding the instance records are read from.
constexpr GLuint kInstanceBinding = 0;
// Stages whose texture layer is a per-draw value; a later stage's is a uniform.
constexpr int kInstanceLayerStages = 3;
static_assert(kInstanceLayerStages + 1 == kFfpStages, "the last stage alone takes its layer from a uniform");

// Where a vertex program takes its inputs. Vertex attributes get locations from 0 up, only for
// what the program reads; the instance record's values follow as per-instance attributes when
// they fit in the locations GL offers (16 on many drivers), else they come from the block.
// Attributes fetch once per instance where an indexed block is read vertex by vertex.
constexpr int kVertexInputSlots = 12; // position, normal, diffuse, specular, texture sets 0 to 7
constexpr int kMaxInstanceInputs = 16;
struct VertexInputPlan {
    struct InstanceInput {
        uint8_t location;
        uint8_t floats;
        uint16_t offset; // bytes into the InstanceRecord
    };
    int8_t vertexLocation[kVertexInputSlots]; // -1 for an input the program does not read
    InstanceInput instance[kMaxInstanceInputs];
    uint8_t instanceCount = 0;
    bool instanceAttributes = false;
    VertexInputPlan() { std::memset(vertexLocation, -1, sizeof vertexLocation); }
};

// Uniform groups; the device bumps a group's version when its source state changes, and a
// program uploads a group only when it has not seen that version.
enum UniformGroup : int {
    kGroupAmbient,
    kGroupLights,
    kGroupTexMatrix,
    kGroupPixel,
    kGroupViewport,
    kGroupCount
};

struct FfpProgram {
    GLuint name = 0;
    uint32_t seen[kGroupCount] = {};
    GLint posFixup = -1, globalAmbient = -1;
    GLint lightDiffuse = -1, lightSpecular = -1, lightAmbient = -1, lightPosition = -1,
          lightDirection = -1, lightAttenuation = -1, lightSpot = -1;
    GLint texMatrix = -1, textureFactor = -1, stageConstant = -1, alphaRef = -1, lastStageLayer = -1;
    VertexInputPlan inputs;
};

// `instances`: the records a vertex program can index, the length of its instance block;
// `maxLocations`: the attribute locations it may use (0 keeps the instance values in the block).
// `nudgeEdges`: the rasteriser does not keep Direct3D's top-left rule by itself (gl_edge_rule.h).
std::string GenerateVertexShader(const FfpKey& key, int instances, int maxLocations, bool nudgeEdges,
                                 VertexInputPlan* plan);
std::string GenerateFragmentShader(const FfpKey& key);

class ProgramStore;

class FfpProgramCache {
public:
    explicit FfpProgramCache(const ProgramStore& store) : store_(&store) {}
    ~FfpProgramCache();
    void SetLimits(int instances, int maxLocations)
    {
        instances_ = instances;
        maxLocations_ = maxLocations;
    }
    void SetEdgeNudge(bool nudge) { nudgeEdges_ = nudge; }
    // The program for `key`, built on first use; null if GL refuses it.
    FfpProgram* Get(const FfpKey& key);
    void Clear();
    uint32_t compiled() const { return compiled_; }
    uint32_t loaded() const { return loaded_; }
    size_t size() const { return programs_.size(); }

private:
    std::unordered_map<FfpKey, std::unique_ptr<FfpProgram>, FfpKeyHash> programs_;
    const ProgramStore* store_;
    uint32_t compiled_ = 0;
    uint32_t loaded_ = 0;
    int instances_ = 1;
    int maxLocations_ = 0;
    bool nudgeEdges_ = false;
};

} // namespace qv::d3d
