// The floor's own GL copies of what the game loaded: its meshes and textures read back out of
// the game's Direct3D objects into vertex arrays and GL textures, its materials in one table,
// and the programs that draw them instanced (per instance: position, turn about z, material,
// array-texture layer).
#pragma once

#define GL_GLEXT_PROTOTYPES 1
#include <GL/glcorearb.h>

#include <windows.h>
#include <d3d9.h>
#include <d3dx9.h>

#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

#include "render/xobject.h"

struct Instance {
    float x, y, z, c, s, material, layer;
};

// An instance record at a position, turned `yawDegrees` about z (by the game's own factor).
Instance Place(const D3DXVECTOR3& position, float yawDegrees);

struct Subset {
    GLsizei indexCount;
    size_t indexOffset;
    GLint baseVertex;
    float material = 0; // its place in the material table, as the instance attribute reads it
    GLuint texture;
    // For the multi-draw: where the subset sits in the shared buffers and the array texture.
    GLuint sharedFirstIndex = 0;
    GLint sharedBaseVertex = 0;
    float layer = 0;
};

struct Model {
    GLuint vao = 0;
    GLenum indexType = GL_UNSIGNED_SHORT;
    std::vector<Subset> subsets;
};

// The instance attributes of the bound vertex array, from record `first` of the bound buffer.
void PointInstanceAttributes(size_t first);

// What --order game-array and game-multi draw with: the models' textures as layers of one array
// texture, their meshes in one pair of buffers, and a buffer of indirect draw commands.
struct MultiDraw {
    struct Command {
        GLuint count, instanceCount, firstIndex;
        GLint baseVertex;
        GLuint baseInstance;
    };
    GLuint program = 0, vao = 0, textures = 0, commandBuffer = 0;
    GLint viewProjLoc = -1;
    std::vector<Command> commands;
};

constexpr size_t kMaxCommands = 4096;

class FloorModels {
public:
    // Every instance attribute reads `instanceBuffer`. With `shareMeshes` the meshes are also kept
    // for MakeMultiDraw's shared buffers.
    FloorModels(GLuint instanceBuffer, bool s3tc, bool shareMeshes);

    // A model as the game's mesh object holds it: its buffers, and a subset per material. False
    // for a mesh not in the layout the floor draws; a missing mesh draws nothing, in the game too.
    bool LoadModel(const CXObject& object, Model* model);
    // The ground quad from the game's vertex buffer: a strip of four vertices.
    bool LoadGround(Model* ground);
    bool MaterialsFit() const;
    // A program with the material table; with `layers` its texture is an array texture.
    GLuint MakeProgram(bool layers, D3DCOLOR ambient) const;
    // The array texture always; the shared buffers and the command buffer for the multi-draw only.
    // False when a texture is not of the one size an array texture holds.
    bool MakeMultiDraw(const std::vector<Model*>& models, D3DCOLOR ambient, bool multiDraw, MultiDraw* multi);

private:
    GLuint UploadTexture(IDirect3DTexture9* texture);
    float AddMaterial(const float colours[12]);
    GLuint MakeVertexArray(const void* vertices, size_t vertexBytes, const void* indices, size_t indexBytes) const;

    GLuint instanceBuffer_;
    bool s3tc_;
    bool shareMeshes_;
    GLuint white_ = 0;
    std::map<IDirect3DTexture9*, GLuint> textures_;
    std::vector<float> materials_; // diffuse, ambient and emissive of each subset, set once: a draw changes no uniform
    std::vector<uint8_t> sharedVertices_; // every model's vertices (32 bytes each) and indices, for the multi-draw
    std::vector<uint32_t> sharedIndices_;
};
