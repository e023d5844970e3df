#include "bench/frame_floor_gl.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "render/device.h"

namespace {

constexpr float kDegreesPerRadian = 57.2f; // the game's factor, not 180/pi, as its mesh objects use
constexpr size_t kMaxMaterials = 64;
constexpr GLsizei kTextureSide = 64;


// Both programs come from these sources; the multi-draw's defines LAYERS (the texture array).
const char* kVertexShader = R"(
layout(location = 0) in vec3 aPosition;
layout(location = 1) in vec3 aNormal;
layout(location = 2) in vec2 aUv;
layout(location = 3) in vec3 aOffset;   // per instance: position
layout(location = 4) in vec2 aTurn;     // per instance: cos and sin of the turn about z
layout(location = 5) in float aMaterial; // per instance: which of uMaterials
layout(location = 6) in float aLayer;   // per instance: the array texture's layer
uniform mat4 uViewProj;
uniform vec4 uMaterials[3 * 64];        // diffuse, ambient, emissive of each subset loaded
uniform vec3 uAmbient;
out vec4 vColour;
out vec2 vUv;
flat out float vLayer;
void main() {
    vec3 p = vec3(aPosition.x * aTurn.x - aPosition.y * aTurn.y, aPosition.x * aTurn.y + aPosition.y * aTurn.x,
                  aPosition.z) + aOffset;
    vec4 clip = uViewProj * vec4(p, 1.0);
    clip.z = 2.0 * clip.z - clip.w;
    gl_Position = clip;
    // The default light shines along +z; the models turn only about z, so n.z is the world's.
    float lit = clamp(-aNormal.z, 0.0, 1.0);
    int m = 3 * int(aMaterial);
    vColour = vec4(clamp(uMaterials[m + 1].rgb * uAmbient + uMaterials[m].rgb * lit + uMaterials[m + 2].rgb, 0.0, 1.0),
                   uMaterials[m].a);
    vUv = aUv;
    vLayer = aLayer;
}
)";

const char* kFragmentShader = R"(
#ifdef LAYERS
uniform sampler2DArray uTexture;
#else
uniform sampler2D uTexture;
#endif
in vec4 vColour;
in vec2 vUv;
flat in float vLayer;
out vec4 oColour;
void main() {
#ifdef LAYERS
    vec4 t = texture(uTexture, vec3(vUv, vLayer));
#else
    vec4 t = texture(uTexture, vUv);
#endif
    if (t.a * 255.0 < 7.5) discard;
    oColour = vec4(t.rgb * vColour.rgb, t.a);
}
)";

GLuint Compile(GLenum type, const char* text, bool layers)
{
    GLuint s = glCreateShader(type);
    const char* parts[2] = {layers ? "#version 330 core\n#define LAYERS 1\n" : "#version 330 core\n", text};
    glShaderSource(s, 2, parts, nullptr);
    glCompileShader(s);
    GLint ok = 0;
    glGetShaderiv(s, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char log[1024] = {};
        glGetShaderInfoLog(s, sizeof log - 1, nullptr, log);
        std::fprintf(stderr, "frame_floor: shader: %s\n", log);
    }
    return s;
}

// The vertex attributes of the bound vertex array, from the bound array buffer: position,
// normal and texture coordinates, 32 bytes a vertex as every model here has them.
void PointVertexAttributes()
{
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 32, nullptr);
    glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, 32, reinterpret_cast<void*>(12));
    glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, 32, reinterpret_cast<void*>(24));
    for (GLuint i = 0; i < 3; ++i)
        glEnableVertexAttribArray(i);
}

} // namespace

Instance Place(const D3DXVECTOR3& position, float yawDegrees)
{
    const float a = yawDegrees / kDegreesPerRadian;
    return {position.x, position.y, position.z, std::cos(a), std::sin(a), 0.0f, 0.0f};
}

void PointInstanceAttributes(size_t first)
{
    const size_t at = first * sizeof(Instance);
    glVertexAttribPointer(3, 3, GL_FLOAT, GL_FALSE, sizeof(Instance), reinterpret_cast<void*>(at));
    glVertexAttribPointer(4, 2, GL_FLOAT, GL_FALSE, sizeof(Instance), reinterpret_cast<void*>(at + 12));
    glVertexAttribPointer(5, 1, GL_FLOAT, GL_FALSE, sizeof(Instance), reinterpret_cast<void*>(at + 20));
    glVertexAttribPointer(6, 1, GL_FLOAT, GL_FALSE, sizeof(Instance), reinterpret_cast<void*>(at + 24));
    for (GLuint i = 3; i < 7; ++i) {
        glVertexAttribDivisor(i, 1);
        glEnableVertexAttribArray(i);
    }
}

FloorModels::FloorModels(GLuint instanceBuffer, bool s3tc, bool shareMeshes)
    : instanceBuffer_(instanceBuffer), s3tc_(s3tc), shareMeshes_(shareMeshes)
{
    const DWORD whitePixel = 0xFFFFFFFF;
    glGenTextures(1, &white_);
    glBindTexture(GL_TEXTURE_2D, white_);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1, 1, 0, GL_BGRA, GL_UNSIGNED_BYTE, &whitePixel);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
}

GLuint FloorModels::UploadTexture(IDirect3DTexture9* t)
{
    if (!t)
        return white_;
    auto found = textures_.find(t);
    if (found != textures_.end())
        return found->second;
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    const DWORD levels = t->GetLevelCount();
    for (DWORD l = 0; l < levels; ++l) {
        D3DSURFACE_DESC d{};
        D3DLOCKED_RECT r{};
        t->GetLevelDesc(l, &d);
        if (FAILED(t->LockRect(l, &r, nullptr, D3DLOCK_READONLY)))
            continue;
        const GLsizei w = GLsizei(d.Width), h = GLsizei(d.Height);
        if (d.Format == D3DFMT_DXT1 && s3tc_) {
            const GLsizei bytes = ((w + 3) / 4) * ((h + 3) / 4) * 8;
            glCompressedTexImage2D(GL_TEXTURE_2D, GLint(l), GL_COMPRESSED_RGBA_S3TC_DXT1_EXT, w, h, 0, bytes, r.pBits);
        } else if (d.Format == D3DFMT_X8R8G8B8 || d.Format == D3DFMT_A8R8G8B8) {
            glPixelStorei(GL_UNPACK_ROW_LENGTH, r.Pitch / 4);
            glTexImage2D(GL_TEXTURE_2D, GLint(l), GL_RGBA8, w, h, 0, GL_BGRA, GL_UNSIGNED_BYTE, r.pBits);
            glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
            if (d.Format == D3DFMT_X8R8G8B8)
                glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_A, GL_ONE);
        } else {
            std::fprintf(stderr, "frame_floor: texture format %u is not handled\n", unsigned(d.Format));
        }
        t->UnlockRect(l);
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, GLint(levels) - 1);
    textures_[t] = name;
    return name;
}

float FloorModels::AddMaterial(const float colours[12])
{
    materials_.insert(materials_.end(), colours, colours + 12);
    return float(materials_.size() / 12 - 1);
}

bool FloorModels::MaterialsFit() const { return materials_.size() <= 12 * kMaxMaterials; }

// A vertex array of vertices in the floor's layout, with indices when there are any, whose
// instance attributes read the instance buffer.
GLuint FloorModels::MakeVertexArray(const void* vertices, size_t vertexBytes, const void* indices,
                                    size_t indexBytes) const
{
    GLuint vao = 0, buffers[2] = {};
    glGenVertexArrays(1, &vao);
    glGenBuffers(indices ? 2 : 1, buffers);
    glBindVertexArray(vao);
    glBindBuffer(GL_ARRAY_BUFFER, buffers[0]);
    glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(vertexBytes), vertices, GL_STATIC_DRAW);
    PointVertexAttributes();
    if (indices) {
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffers[1]);
        glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(indexBytes), indices, GL_STATIC_DRAW);
    }
    glBindBuffer(GL_ARRAY_BUFFER, instanceBuffer_);
    PointInstanceAttributes(0);
    glBindVertexArray(0);
    return vao;
}

bool FloorModels::LoadModel(const CXObject& object, Model* model)
{
    ID3DXMesh* mesh = object.mesh;
    if (!mesh)
        return true;
    const DWORD fvf = mesh->GetFVF();
    const UINT stride = mesh->GetNumBytesPerVertex();
    if (fvf != (D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1) || stride != 32)
        return false;
    const bool wide = (mesh->GetOptions() & D3DXMESH_32BIT) != 0;
    void* vertices = nullptr;
    void* indices = nullptr;
    if (FAILED(mesh->LockVertexBuffer(D3DLOCK_READONLY, &vertices)) ||
        FAILED(mesh->LockIndexBuffer(D3DLOCK_READONLY, &indices)))
        return false;
    const size_t vertexBytes = size_t(mesh->GetNumVertices()) * stride;
    model->vao = MakeVertexArray(vertices, vertexBytes, indices, size_t(mesh->GetNumFaces()) * 3 * (wide ? 4 : 2));
    const GLint sharedBaseVertex = GLint(sharedVertices_.size() / 32);
    const GLuint sharedFirstIndex = GLuint(sharedIndices_.size());
    if (shareMeshes_) {
        const auto* vertexBytesIn = static_cast<const uint8_t*>(vertices);
        sharedVertices_.insert(sharedVertices_.end(), vertexBytesIn, vertexBytesIn + vertexBytes);
        for (DWORD k = 0; k < mesh->GetNumFaces() * 3; ++k)
            sharedIndices_.push_back(wide ? static_cast<const uint32_t*>(indices)[k] : static_cast<const uint16_t*>(indices)[k]);
    }
    mesh->UnlockVertexBuffer();
    mesh->UnlockIndexBuffer();
    model->indexType = wide ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT;

    DWORD ranges = 0;
    mesh->GetAttributeTable(nullptr, &ranges);
    std::vector<D3DXATTRIBUTERANGE> table(ranges);
    mesh->GetAttributeTable(table.data(), &ranges);
    for (DWORD i = 0; i < object.materialCount; ++i) {
        for (const D3DXATTRIBUTERANGE& r : table) {
            if (r.AttribId != i || r.FaceCount == 0)
                continue;
            Subset s{};
            s.indexCount = GLsizei(r.FaceCount * 3);
            s.indexOffset = size_t(r.FaceStart) * 3 * (wide ? 4 : 2);
            const D3DMATERIAL9& m = object.materials[i];
            const D3DCOLORVALUE colours[3] = {m.Diffuse, m.Ambient, m.Emissive};
            float material[12];
            for (int c = 0; c < 3; ++c) {
                material[4 * c + 0] = colours[c].r;
                material[4 * c + 1] = colours[c].g;
                material[4 * c + 2] = colours[c].b;
                material[4 * c + 3] = colours[c].a;
            }
            s.material = AddMaterial(material);
            s.texture = UploadTexture(object.textures[i]);
            s.sharedFirstIndex = sharedFirstIndex + r.FaceStart * 3;
            s.sharedBaseVertex = sharedBaseVertex;
            model->subsets.push_back(s);
        }
    }
    return true;
}

bool FloorModels::LoadGround(Model* ground)
{
    void* data = nullptr;
    if (!g_pGroundVB || FAILED(g_pGroundVB->Lock(0, 0, &data, D3DLOCK_READONLY)))
        return false;
    float vertices[4][8] = {};
    for (int i = 0; i < 4; ++i) {
        GroundVertex v;
        std::memcpy(&v, static_cast<uint8_t*>(data) + i * sizeof v, sizeof v);
        const float row[8] = {v.x, v.y, v.z, 0.0f, 0.0f, 0.0f, v.u, v.v};
        std::memcpy(vertices[i], row, sizeof row);
    }
    g_pGroundVB->Unlock();
    ground->vao = MakeVertexArray(vertices, sizeof vertices, nullptr, 0);
    Subset s{};
    s.indexCount = 4;
    // The ground has no normals: D3D lights it with ambient only, in the last material's ambient,
    // and the floor tiles cover it. Cyan like its vertices.
    const float cyan[12] = {0, 1, 1, 1, 0, 1, 1, 1, 0, 0, 0, 0};
    s.material = AddMaterial(cyan);
    s.texture = UploadTexture(g_pGroundTexture);
    ground->subsets.push_back(s);
    return true;
}

GLuint FloorModels::MakeProgram(bool layers, D3DCOLOR ambient) const
{
    const GLuint program = glCreateProgram();
    glAttachShader(program, Compile(GL_VERTEX_SHADER, kVertexShader, layers));
    glAttachShader(program, Compile(GL_FRAGMENT_SHADER, kFragmentShader, layers));
    glLinkProgram(program);
    glUseProgram(program);
    glUniform3f(glGetUniformLocation(program, "uAmbient"), float((ambient >> 16) & 0xFF) / 255.0f,
                float((ambient >> 8) & 0xFF) / 255.0f, float(ambient & 0xFF) / 255.0f);
    glUniform4fv(glGetUniformLocation(program, "uMaterials"), GLsizei(materials_.size() / 4), materials_.data());
    return program;
}

bool FloorModels::MakeMultiDraw(const std::vector<Model*>& models, D3DCOLOR ambient, bool multiDraw, MultiDraw* multi)
{
    multi->program = MakeProgram(true, ambient);
    multi->viewProjLoc = glGetUniformLocation(multi->program, "uViewProj");

    // Each texture once, as a layer; read back level by level from the GL texture made of it.
    std::map<GLuint, int> layers;
    for (const Model* m : models)
        for (const Subset& sub : m->subsets)
            layers.emplace(sub.texture, int(layers.size()));
    glGenTextures(1, &multi->textures);
    glBindTexture(GL_TEXTURE_2D_ARRAY, multi->textures);
    int levels = 0;
    for (GLsizei side = kTextureSide; side > 0; side /= 2, ++levels) {
        glTexImage3D(GL_TEXTURE_2D_ARRAY, levels, GL_RGBA8, side, side, GLsizei(layers.size()), 0, GL_RGBA,
                     GL_UNSIGNED_BYTE, nullptr);
        std::vector<uint8_t> texels(size_t(side) * size_t(side) * 4);
        for (const auto& [name, layer] : layers) {
            glBindTexture(GL_TEXTURE_2D, name);
            GLint width = 0, height = 0, alpha = GL_ALPHA;
            glGetTexLevelParameteriv(GL_TEXTURE_2D, levels, GL_TEXTURE_WIDTH, &width);
            glGetTexLevelParameteriv(GL_TEXTURE_2D, levels, GL_TEXTURE_HEIGHT, &height);
            if (width != side || height != side)
                return false;
            glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_A, &alpha);
            glGetTexImage(GL_TEXTURE_2D, levels, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
            if (alpha == GL_ONE) // X8R8G8B8: the swizzle does not travel with the texels
                for (size_t k = 3; k < texels.size(); k += 4)
                    texels[k] = 0xFF;
            glTexSubImage3D(GL_TEXTURE_2D_ARRAY, levels, 0, 0, layer, side, side, 1, GL_RGBA, GL_UNSIGNED_BYTE,
                            texels.data());
        }
    }
    glTexParameteri(GL_TEXTURE_2D_ARRAY, GL_TEXTURE_MAX_LEVEL, levels - 1);
    for (Model* m : models)
        for (Subset& sub : m->subsets)
            sub.layer = float(layers[sub.texture]);
    if (!multiDraw)
        return true;

    multi->vao = MakeVertexArray(sharedVertices_.data(), sharedVertices_.size(), sharedIndices_.data(),
                                 sharedIndices_.size() * 4);
    glGenBuffers(1, &multi->commandBuffer);
    glBindBuffer(GL_DRAW_INDIRECT_BUFFER, multi->commandBuffer);
    glBufferData(GL_DRAW_INDIRECT_BUFFER, GLsizeiptr(kMaxCommands * sizeof(MultiDraw::Command)), nullptr,
                 GL_STREAM_DRAW);
    multi->commands.reserve(kMaxCommands);
    return true;
}
