// frame_floor: the yardstick for whole frames. The game's own start-up builds the world and loads
// the models; every frame then runs the game's rules with the same key script as quorvel-replay,
// but draws the result with a plain OpenGL 3.3 program as cheaply as we know how: one instanced
// draw per model and subset, the same textures, trilinear sampling, per-vertex lighting, alpha
// blend and alpha test, 16-bit depth, a 640 x 480 framebuffer blitted into a hidden window. The
// materials sit in one table set at start, so that a draw changes no uniform, only its vertex
// array and texture. What the game takes beyond this per frame is the cost of going through the
// Direct3D 9 layer.
// With --order game the map is drawn in the game's order instead, one instanced draw per run of
// neighbouring cells with the same model (as many GL draws as the game's batching can make):
// what remains beyond that is the layer's own cost per draw. --order game-array draws the same
// in the same order with every texture a layer of one array texture (all the models' textures
// are 64 x 64; the layer comes with each instance), so that a draw changes no texture;
// --order game-multi sends them as one multi-draw besides, every mesh in one pair of buffers and
// each draw's index range, instances and layer in an indirect command. Their pictures are those
// of --order game.
//
//   frame_floor [--frames N] [--keys FILE] [--frame-time S] [--shot FILE.png]
//               [--order sorted|game|game-array|game-multi]
//
// Run from the directory that holds Models/. Prints one line in quorvel-replay's format.
#define GL_GLEXT_PROTOTYPES 1
#include <GL/glcorearb.h>
#include <SDL2/SDL.h>

#include <windows.h>
#include <d3d9.h>
#include <d3dx9.h>
#include <qv_png.h>
#include <qv_win32.h>

#include "platform/win32/qv_win32_sdl.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include <sys/resource.h>

#include "app/engine.h"
#include "app/timer.h"
#include "game/game.h"
#include "render/device.h"
#include "render/scene_pass.h"
#include "render/xobject.h"
#include "session/frame_clock.h"
#include "session/key_script.h"
#include "tools/quorvel-replay/replay.h"

namespace {

constexpr float kDegreesPerRadian = 57.2f; // the game's factor, not 180/pi, as its mesh objects use

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

struct Options {
    long long frames = 600;
    std::string keysPath;
    double frameTime = 0.02;
    std::string shotPath;
    bool gameOrder = false;
    bool arrayTexture = false; // game-array and game-multi
    bool multiDraw = false;
};

bool ParseOptions(int argc, char** argv, Options* o)
{
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (i + 1 >= argc)
            return false;
        const char* v = argv[++i];
        if (a == "--frames")
            o->frames = std::atoll(v);
        else if (a == "--keys")
            o->keysPath = v;
        else if (a == "--frame-time")
            o->frameTime = std::atof(v);
        else if (a == "--shot")
            o->shotPath = v;
        else if (a == "--order" && (!std::strcmp(v, "game") || !std::strcmp(v, "game-array") ||
                                    !std::strcmp(v, "game-multi") || !std::strcmp(v, "sorted"))) {
            o->gameOrder = std::strcmp(v, "sorted") != 0;
            o->multiDraw = std::strcmp(v, "game-multi") == 0;
            o->arrayTexture = o->multiDraw || std::strcmp(v, "game-array") == 0;
        }
        else
            return false;
    }
    return o->frames > 0 && o->frameTime > 0.0;
}

double ProcessCpuSeconds()
{
    rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

bool DrainMessages()
{
    MSG msg = {};
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
        if (msg.message == WM_QUIT)
            return false;
    }
    return true;
}

void SendKeys(uint16_t before, uint16_t now)
{
    for (int bit = 0; bit < replay::kScriptKeyCount; ++bit) {
        const uint16_t mask = uint16_t(1u << bit);
        if ((before & mask) != (now & mask))
            SendMessageA(g_hWnd, (now & mask) ? WM_KEYDOWN : WM_KEYUP, replay::VirtualKeyOfBit(bit),
                         (now & mask) ? 1 : LPARAM(0xC0000001u));
    }
}

// ---- what the game loaded, copied out of its Direct3D objects into GL ones ----

std::map<IDirect3DTexture9*, GLuint> g_textures;
GLuint g_white = 0;
bool g_s3tc = false;

GLuint UploadTexture(IDirect3DTexture9* t)
{
    if (!t)
        return g_white;
    auto found = g_textures.find(t);
    if (found != g_textures.end())
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
        if (d.Format == D3DFMT_DXT1 && g_s3tc) {
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
    g_textures[t] = name;
    return name;
}

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

// Every model's vertices (32 bytes each) and indices, kept only for the multi-draw.
bool g_shareMeshes = false;
std::vector<uint8_t> g_sharedVertices;
std::vector<uint32_t> g_sharedIndices;

// Every subset's material, uploaded once: a draw changes no uniform.
constexpr size_t kMaxMaterials = 64;
std::vector<float> g_materials;

float AddMaterial(const float colours[12])
{
    g_materials.insert(g_materials.end(), colours, colours + 12);
    return float(g_materials.size() / 12 - 1);
}

struct Model {
    GLuint vao = 0;
    GLenum indexType = GL_UNSIGNED_SHORT;
    std::vector<Subset> subsets;
};

struct Instance {
    float x, y, z, c, s, material, layer;
};

// The instance attributes of the bound vertex array, from record `first` of the bound buffer.
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

// The model's vertex and index buffers as the game's mesh holds them, and one subset per material.
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

bool LoadModel(const CXObject& object, GLuint instanceBuffer, Model* model)
{
    ID3DXMesh* mesh = object.mesh;
    if (!mesh)
        return true; // a missing model draws nothing, in the game too
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
    GLuint buffers[2];
    glGenVertexArrays(1, &model->vao);
    glGenBuffers(2, buffers);
    glBindVertexArray(model->vao);
    glBindBuffer(GL_ARRAY_BUFFER, buffers[0]);
    glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(mesh->GetNumVertices()) * stride, vertices, GL_STATIC_DRAW);
    PointVertexAttributes();
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffers[1]);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(mesh->GetNumFaces()) * 3 * (wide ? 4 : 2), indices, GL_STATIC_DRAW);
    const GLint sharedBaseVertex = GLint(g_sharedVertices.size() / 32);
    const GLuint sharedFirstIndex = GLuint(g_sharedIndices.size());
    if (g_shareMeshes) {
        const auto* vertexBytes = static_cast<const uint8_t*>(vertices);
        g_sharedVertices.insert(g_sharedVertices.end(), vertexBytes, vertexBytes + size_t(mesh->GetNumVertices()) * stride);
        for (DWORD k = 0; k < mesh->GetNumFaces() * 3; ++k)
            g_sharedIndices.push_back(wide ? static_cast<const uint32_t*>(indices)[k] : static_cast<const uint16_t*>(indices)[k]);
    }
    mesh->UnlockVertexBuffer();
    mesh->UnlockIndexBuffer();
    glBindBuffer(GL_ARRAY_BUFFER, instanceBuffer);
    PointInstanceAttributes(0);
    glBindVertexArray(0);
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

// The ground quad as the game's vertex buffer holds it: a strip of four vertices.
bool LoadGround(GLuint instanceBuffer, Model* ground)
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
    GLuint vb = 0;
    glGenVertexArrays(1, &ground->vao);
    glGenBuffers(1, &vb);
    glBindVertexArray(ground->vao);
    glBindBuffer(GL_ARRAY_BUFFER, vb);
    glBufferData(GL_ARRAY_BUFFER, sizeof vertices, vertices, GL_STATIC_DRAW);
    PointVertexAttributes();
    glBindBuffer(GL_ARRAY_BUFFER, instanceBuffer);
    PointInstanceAttributes(0);
    glBindVertexArray(0);
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

GLuint Compile(GLenum type, const char* text, bool layers = false)
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

// The view and projection as the game's scene pass builds them: its own code, on the game's
// device, which records them and draws nothing.
D3DXMATRIX ViewProjection(IDirect3DDevice9* device)
{
    g_pd3dDevice = device;
    SetupViewProjection();
    g_pd3dDevice = nullptr;
    D3DXMATRIX view, projection, viewProjection;
    device->GetTransform(D3DTS_VIEW, &view);
    device->GetTransform(D3DTS_PROJECTION, &projection);
    D3DXMatrixMultiply(&viewProjection, &view, &projection);
    return viewProjection;
}

Instance Place(const D3DXVECTOR3& position, float yawDegrees)
{
    const float a = yawDegrees / kDegreesPerRadian;
    return {position.x, position.y, position.z, std::cos(a), std::sin(a), 0.0f, 0.0f};
}

GLuint MakeProgram(bool layers, D3DCOLOR ambient)
{
    const GLuint program = glCreateProgram();
    glAttachShader(program, Compile(GL_VERTEX_SHADER, kVertexShader, layers));
    glAttachShader(program, Compile(GL_FRAGMENT_SHADER, kFragmentShader, layers));
    glLinkProgram(program);
    glUseProgram(program);
    glUniform3f(glGetUniformLocation(program, "uAmbient"), float((ambient >> 16) & 0xFF) / 255.0f,
                float((ambient >> 8) & 0xFF) / 255.0f, float(ambient & 0xFF) / 255.0f);
    return program;
}

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

constexpr GLsizei kTextureSide = 64;
constexpr size_t kMaxCommands = 4096;

// The array texture always; the shared buffers and the command buffer for the multi-draw only.
bool MakeMultiDraw(const std::vector<Model*>& models, GLuint instanceBuffer, D3DCOLOR ambient, bool multiDraw,
                   MultiDraw* multi)
{
    multi->program = MakeProgram(true, ambient);
    multi->viewProjLoc = glGetUniformLocation(multi->program, "uViewProj");
    glUniform4fv(glGetUniformLocation(multi->program, "uMaterials"), GLsizei(g_materials.size() / 4), g_materials.data());

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

    GLuint buffers[2];
    glGenVertexArrays(1, &multi->vao);
    glGenBuffers(2, buffers);
    glBindVertexArray(multi->vao);
    glBindBuffer(GL_ARRAY_BUFFER, buffers[0]);
    glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(g_sharedVertices.size()), g_sharedVertices.data(), GL_STATIC_DRAW);
    PointVertexAttributes();
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffers[1]);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(g_sharedIndices.size() * 4), g_sharedIndices.data(),
                 GL_STATIC_DRAW);
    glBindBuffer(GL_ARRAY_BUFFER, instanceBuffer);
    PointInstanceAttributes(0);
    glBindVertexArray(0);
    glGenBuffers(1, &multi->commandBuffer);
    glBindBuffer(GL_DRAW_INDIRECT_BUFFER, multi->commandBuffer);
    glBufferData(GL_DRAW_INDIRECT_BUFFER, GLsizeiptr(kMaxCommands * sizeof(MultiDraw::Command)), nullptr,
                 GL_STREAM_DRAW);
    multi->commands.reserve(kMaxCommands);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!ParseOptions(argc, argv, &options)) {
        std::fprintf(stderr, "usage: frame_floor [--frames N] [--keys FILE] [--frame-time S] [--shot FILE.png] "
                             "[--order sorted|game]\n");
        return 2;
    }
    replay::KeyScript script;
    if (!options.keysPath.empty()) {
        std::ifstream in(options.keysPath);
        std::string error;
        if (!in || !script.Parse(in, &error)) {
            std::fprintf(stderr, "frame_floor: cannot read key script %s %s\n", options.keysPath.c_str(), error.c_str());
            return 2;
        }
    }

    // The game's start-up, as the harness runs it; then the Direct3D device steps aside.
    replay::FrameClock clock(1000000000); // nanoseconds, as the harness's with --frame-time
    if (!replay::StartGame()) {
        std::fprintf(stderr, "frame_floor: the game could not start\n");
        return 1;
    }
    DWORD ambient = 0;
    g_pd3dDevice->GetRenderState(D3DRS_AMBIENT, &ambient);
    int windowW = 640, windowH = 480;
    SDL_GL_GetDrawableSize(QvWindowFromHwnd(g_hWnd), &windowW, &windowH);

    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
    SDL_Window* window = SDL_CreateWindow("frame_floor", 0, 0, windowW, windowH, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    SDL_GLContext context = window ? SDL_GL_CreateContext(window) : nullptr;
    if (!context || SDL_GL_MakeCurrent(window, context) != 0) {
        std::fprintf(stderr, "frame_floor: no GL 3.3 context: %s\n", SDL_GetError());
        return 1;
    }
    SDL_GL_SetSwapInterval(0);
    SDL_GL_GetDrawableSize(window, &windowW, &windowH);
    GLint major = 0, minor = 0;
    glGetIntegerv(GL_MAJOR_VERSION, &major);
    glGetIntegerv(GL_MINOR_VERSION, &minor);
    const bool baseInstance = major * 10 + minor >= 42;
    g_s3tc = SDL_GL_ExtensionSupported("GL_EXT_texture_compression_s3tc");

    const GLsizei w = GLsizei(g_engine.screen.width), h = GLsizei(g_engine.screen.height);
    GLuint colour = 0, depth = 0, fbo = 0;
    glGenRenderbuffers(1, &colour);
    glBindRenderbuffer(GL_RENDERBUFFER, colour);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, w, h);
    glGenRenderbuffers(1, &depth);
    glBindRenderbuffer(GL_RENDERBUFFER, depth);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT16, w, h);
    glGenFramebuffers(1, &fbo);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth);

    const GLuint program = MakeProgram(false, ambient);
    const GLint viewProjLoc = glGetUniformLocation(program, "uViewProj");

    const DWORD whitePixel = 0xFFFFFFFF;
    glGenTextures(1, &g_white);
    glBindTexture(GL_TEXTURE_2D, g_white);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1, 1, 0, GL_BGRA, GL_UNSIGNED_BYTE, &whitePixel);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    GLuint sampler = 0;
    glGenSamplers(1, &sampler);
    glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glSamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glBindSampler(0, sampler);

    // One instance buffer for a whole frame, written once before its draws.
    constexpr size_t kMaxInstances = 4096;
    GLuint instanceBuffer = 0;
    glGenBuffers(1, &instanceBuffer);
    glBindBuffer(GL_ARRAY_BUFFER, instanceBuffer);
    glBufferData(GL_ARRAY_BUFFER, kMaxInstances * sizeof(Instance), nullptr, GL_STREAM_DRAW);

    Model ground, pieces[6], tanks[4], bullet;
    g_shareMeshes = options.multiDraw;
    bool loaded = LoadGround(instanceBuffer, &ground) && LoadModel(g_bulletModel[0], instanceBuffer, &bullet);
    for (int i = 0; i < 6; ++i)
        loaded = loaded && LoadModel(g_pieceModels[i], instanceBuffer, &pieces[i]);
    for (int i = 0; i < kTankCount; ++i)
        loaded = loaded && LoadModel(g_tankModels[i], instanceBuffer, &tanks[i]);
    if (!loaded || g_materials.size() > 12 * kMaxMaterials) {
        std::fprintf(stderr, "frame_floor: a model is not in the layout this program draws\n");
        return 1;
    }
    glUniform4fv(glGetUniformLocation(program, "uMaterials"), GLsizei(g_materials.size() / 4), g_materials.data());
    MultiDraw multi;
    if (options.arrayTexture) {
        GLint major = 0, minor = 0;
        glGetIntegerv(GL_MAJOR_VERSION, &major);
        glGetIntegerv(GL_MINOR_VERSION, &minor);
        if (major * 10 + minor < 43 && !SDL_GL_ExtensionSupported("GL_ARB_multi_draw_indirect")) {
            std::fprintf(stderr, "frame_floor: --order %s needs GL 4.3 (multi-draw indirect, base instance)\n",
                         options.multiDraw ? "game-multi" : "game-array");
            return 2;
        }
        std::vector<Model*> models = {&bullet};
        for (Model& m : pieces)
            models.push_back(&m);
        for (Model& m : tanks)
            models.push_back(&m);
        if (!MakeMultiDraw(models, instanceBuffer, ambient, options.multiDraw, &multi)) {
            std::fprintf(stderr, "frame_floor: the models' textures do not fit one array texture\n");
            return 1;
        }
        glUseProgram(program);
    }
    // From here on the game's rules run without drawing: mesh objects draw nothing without a device.
    IDirect3DDevice9* gameDevice = g_pd3dDevice;
    g_pd3dDevice = nullptr;

    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    // D3D culls what winds counter-clockwise as the viewer sees it; upright in GL's window, that
    // is GL's front face.
    glEnable(GL_CULL_FACE);
    glCullFace(GL_FRONT);
    glActiveTexture(GL_TEXTURE0);

    std::vector<Instance> instances;
    instances.reserve(kMaxInstances);
    std::vector<Instance> byCode[6];
    for (auto& v : byCode)
        v.reserve(24 * 24);
    struct Draw {
        const Model* model;
        const Subset* subset;
        GLuint first, count;
    };
    std::vector<Draw> draws, layered;
    draws.reserve(600);
    layered.reserve(600);
    std::vector<Instance> run;
    run.reserve(576);
    std::vector<Instance> one(1), shots;
    shots.reserve(kBulletSlots);
    long long drawCalls = 0;

    uint16_t held = 0;
    long long frame = 0;
    bool running = DrainMessages();
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = ProcessCpuSeconds();
    while (running && frame < options.frames) {
        ++frame;
        const uint16_t now = script.Held(frame);
        SendKeys(held, now);
        held = now;
        running = DrainMessages();
        clock.Advance(options.frameTime);

        // The rules of GameFrame, in its order; the map is placed before the bullets break tiles.
        UpdateTanks();
        HandleInput();
        g_engine.fps.speedFactor = double(EngineTimer(TIMER_GETELAPSEDTIME)) * 50.0;
        g_engine.fps.Update();
        for (auto& v : byCode)
            v.clear();
        for (int iy = 0; iy < 24; ++iy)
            for (int ix = 0; ix < 24; ++ix) {
                const INT code = g_tileGrid->Code(ix, iy);
                byCode[code >= 0 && code <= 5 ? code : 0].push_back(
                    Place(D3DXVECTOR3(-300.0f + 25.0f * float(ix), -300.0f + 25.0f * float(iy), 0.0f), 0.0f));
            }
        UpdateBullets();

        instances.clear();
        draws.clear();
        // A draw per subset, with instance records of its own that name its material.
        auto add = [&](const Model& model, const std::vector<Instance>& list) {
            if (list.empty())
                return;
            for (const Subset& subset : model.subsets) {
                draws.push_back({&model, &subset, GLuint(instances.size()), GLuint(list.size())});
                for (Instance i : list) {
                    i.material = subset.material;
                    i.layer = subset.layer;
                    instances.push_back(i);
                }
            }
        };
        one[0] = Place(D3DXVECTOR3(0.0f, 0.0f, 0.0f), 0.0f);
        add(ground, one);
        if (options.gameOrder) {
            // Row by row as the game draws them; a model of several subsets changes texture
            // between its own draws, so each of its cells is a run of its own.
            const Model* runModel = nullptr;
            run.clear();
            for (int iy = 0; iy < 24; ++iy)
                for (int ix = 0; ix < 24; ++ix) {
                    const INT code = g_tileGrid->Code(ix, iy);
                    const Model& model = pieces[code >= 0 && code <= 5 ? code : 0];
                    if (model.subsets.empty())
                        continue;
                    if (&model != runModel || model.subsets.size() > 1) {
                        if (runModel)
                            add(*runModel, run);
                        run.clear();
                        runModel = &model;
                    }
                    run.push_back(Place(D3DXVECTOR3(-300.0f + 25.0f * float(ix), -300.0f + 25.0f * float(iy), 0.0f), 0.0f));
                }
            if (runModel)
                add(*runModel, run);
        } else {
            for (int c = 0; c < 6; ++c)
                add(pieces[c], byCode[c]);
        }
        for (int t = 0; t < kTankCount; ++t) {
            one[0] = Place(g_tanks[t].position, g_tanks[t].yaw);
            add(tanks[t], one);
        }
        shots.clear();
        for (const CBullet& b : g_tanks[0].bullets)
            if (b.active)
                shots.push_back(Place(b.position, b.yaw));
        add(bullet, shots);

        if (instances.size() > kMaxInstances) {
            std::fprintf(stderr, "frame_floor: more than %zu instances in a frame\n", kMaxInstances);
            return 1;
        }
        glBindFramebuffer(GL_FRAMEBUFFER, fbo);
        glViewport(0, 0, w, h);
        const D3DCOLOR bg = g_engine.backgroundColor;
        glClearColor(float((bg >> 16) & 0xFF) / 255.0f, float((bg >> 8) & 0xFF) / 255.0f, float(bg & 0xFF) / 255.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        const D3DXMATRIX viewProjection = ViewProjection(gameDevice);
        // Row vectors times a row-major matrix are GLSL's column-major matrix times a column vector.
        glUniformMatrix4fv(viewProjLoc, 1, GL_FALSE, &viewProjection._11);
        glBindBuffer(GL_ARRAY_BUFFER, instanceBuffer);
        glBufferSubData(GL_ARRAY_BUFFER, 0, GLsizeiptr(instances.size() * sizeof(Instance)), instances.data());
        // With the array texture, everything after the ground goes in the same order but with
        // the other program: one draw each (game-array) or one multi-draw (game-multi).
        layered.clear();
        multi.commands.clear();
        if (options.arrayTexture) {
            if (draws.size() > kMaxCommands) {
                std::fprintf(stderr, "frame_floor: more than %zu draws in a frame\n", kMaxCommands);
                return 1;
            }
            layered.assign(draws.begin() + 1, draws.end());
            draws.resize(1);
        }
        if (options.multiDraw)
            for (const Draw& d : layered)
                multi.commands.push_back({GLuint(d.subset->indexCount), d.count, d.subset->sharedFirstIndex,
                                          d.subset->sharedBaseVertex, d.first});
        const Model* boundModel = nullptr;
        GLuint boundTexture = 0;
        for (const Draw& d : draws) {
            if (d.model != boundModel) {
                glBindVertexArray(d.model->vao);
                boundModel = d.model;
            }
            if (!baseInstance) {
                glBindBuffer(GL_ARRAY_BUFFER, instanceBuffer);
                PointInstanceAttributes(d.first);
            }
            const Subset& s = *d.subset;
            if (s.texture != boundTexture) {
                glBindTexture(GL_TEXTURE_2D, s.texture);
                boundTexture = s.texture;
            }
            if (d.model == &ground && baseInstance)
                glDrawArraysInstancedBaseInstance(GL_TRIANGLE_STRIP, 0, 4, GLsizei(d.count), d.first);
            else if (d.model == &ground)
                glDrawArraysInstanced(GL_TRIANGLE_STRIP, 0, 4, GLsizei(d.count));
            else if (baseInstance)
                glDrawElementsInstancedBaseVertexBaseInstance(GL_TRIANGLES, s.indexCount, d.model->indexType,
                                                              reinterpret_cast<void*>(s.indexOffset),
                                                              GLsizei(d.count), s.baseVertex, d.first);
            else
                glDrawElementsInstancedBaseVertex(GL_TRIANGLES, s.indexCount, d.model->indexType,
                                                  reinterpret_cast<void*>(s.indexOffset), GLsizei(d.count),
                                                  s.baseVertex);
            ++drawCalls;
        }
        if (!layered.empty()) {
            glUseProgram(multi.program);
            glUniformMatrix4fv(multi.viewProjLoc, 1, GL_FALSE, &viewProjection._11);
            glBindTexture(GL_TEXTURE_2D_ARRAY, multi.textures);
            if (options.multiDraw) {
                glBindVertexArray(multi.vao);
                glBindBuffer(GL_DRAW_INDIRECT_BUFFER, multi.commandBuffer);
                glBufferSubData(GL_DRAW_INDIRECT_BUFFER, 0,
                                GLsizeiptr(multi.commands.size() * sizeof(MultiDraw::Command)), multi.commands.data());
                glMultiDrawElementsIndirect(GL_TRIANGLES, GL_UNSIGNED_INT, nullptr, GLsizei(multi.commands.size()), 0);
            } else {
                const Model* bound = nullptr;
                for (const Draw& d : layered) {
                    if (d.model != bound) {
                        glBindVertexArray(d.model->vao);
                        bound = d.model;
                    }
                    const Subset& s = *d.subset;
                    glDrawElementsInstancedBaseVertexBaseInstance(GL_TRIANGLES, s.indexCount, d.model->indexType,
                                                                  reinterpret_cast<void*>(s.indexOffset),
                                                                  GLsizei(d.count), s.baseVertex, d.first);
                }
            }
            drawCalls += layered.size();
            glUseProgram(program);
        }

        glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
        glViewport(0, 0, windowW, windowH);
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        const bool scaled = windowW != w || windowH != h;
        glBlitFramebuffer(0, 0, w, h, 0, 0, windowW, windowH, GL_COLOR_BUFFER_BIT, scaled ? GL_LINEAR : GL_NEAREST);
        SDL_GL_SwapWindow(window);
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double cpuSeconds = ProcessCpuSeconds() - cpuStart;

    if (!options.shotPath.empty()) {
        // Without this, llvmpipe's read-back of the renderbuffer now and then comes before the
        // last frame's rendering has landed, and the picture is the frame before.
        glFinish();
        std::vector<uint8_t> rgba(size_t(w) * size_t(h) * 4), flipped(rgba.size());
        glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo);
        glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        for (GLsizei y = 0; y < h; ++y)
            std::memcpy(&flipped[size_t(y) * size_t(w) * 4], &rgba[size_t(h - 1 - y) * size_t(w) * 4], size_t(w) * 4);
        if (!QvWritePng(options.shotPath.c_str(), int(w), int(h), 4, flipped.data(), 6))
            std::fprintf(stderr, "frame_floor: could not write %s\n", options.shotPath.c_str());
    }
    const double perFrame = frame ? 1000.0 / double(frame) : 0.0;
    std::printf("frame_floor: %lld frames in %.3f s, %.3f ms per frame, %.1f frames per second, "
                "%.3f ms of processor time per frame, %.1f draws per frame\n",
                frame, seconds, seconds * perFrame, seconds > 0.0 ? double(frame) / seconds : 0.0, cpuSeconds * perFrame,
                frame ? double(drawCalls) / double(frame) : 0.0);
    return 0;
}
