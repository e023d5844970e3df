// frame_floor: the yardstick for whole frames. The game's own start-up builds the world and loads
// the models; every frame then runs the game's own frame with the same key script as
// quorvel-replay, on a device that takes its calls and draws nothing (frame_floor_device.h), and
// draws the result with a plain OpenGL 3.3 program as cheaply as we know how: one instanced
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
#include "bench/frame_floor_device.h"
#include "bench/frame_floor_gl.h"
#include "bench/frame_floor_plan.h"

#include <SDL2/SDL.h>

#include <qv_png.h>
#include <qv_win32.h>

#include "platform/sdl/qv_win32_sdl.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/engine.h"
#include "game/game.h"
#include "render/device.h"
#include "session/command_line.h"
#include "session/frame_clock.h"
#include "session/key_feed.h"
#include "session/key_script.h"
#include "session/replay.h"

namespace {

constexpr char kUsage[] = "usage: frame_floor [--frames N] [--keys FILE] [--frame-time S] [--shot FILE.png] "
                          "[--order sorted|game|game-array|game-multi]\n";

struct Options {
    long long frames = 600;
    std::string keysPath;
    double frameTime = 0.02;
    std::string shotPath;
    bool gameOrder = false;
    bool arrayTexture = false; // game-array and game-multi
    bool multiDraw = false;
};

bool ParseOptions(int argc, char** argv, Options* o, std::string* error)
{
    session::CommandLine line;
    line.Value("--frames", "a whole number from 1",
               [o](const char* text) { return session::ReadCount(text, &o->frames) && o->frames > 0; });
    line.Text("--keys", &o->keysPath);
    line.Value("--frame-time", "seconds above 0", [o](const char* text) { return session::ReadSeconds(text, &o->frameTime); });
    line.Text("--shot", &o->shotPath);
    line.Value("--order", "sorted, game, game-array or game-multi", [o](const char* text) {
        const std::string order = text;
        if (order != "sorted" && order != "game" && order != "game-array" && order != "game-multi")
            return false;
        o->gameOrder = order != "sorted";
        o->multiDraw = order == "game-multi";
        o->arrayTexture = o->multiDraw || order == "game-array";
        return true;
    });
    return line.Parse(argc, argv, error);
}

bool GlVersionAtLeast(int version)
{
    GLint major = 0, minor = 0;
    glGetIntegerv(GL_MAJOR_VERSION, &major);
    glGetIntegerv(GL_MINOR_VERSION, &minor);
    return major * 10 + minor >= version;
}

// Where the floor draws: a GL 3.3 core context of its own on a hidden window the size of the
// game's drawable, and a framebuffer the size of the game's back buffer with 16-bit depth.
struct Target {
    SDL_Window* window = nullptr;
    int windowW = 640, windowH = 480;
    GLsizei w = 0, h = 0;
    GLuint fbo = 0;
    bool baseInstance = false;
    bool s3tc = false;
};

bool OpenTarget(Target* t)
{
    SDL_GL_GetDrawableSize(QvWindowFromHwnd(g_hWnd), &t->windowW, &t->windowH);
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
    t->window = SDL_CreateWindow("frame_floor", 0, 0, t->windowW, t->windowH, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    SDL_GLContext context = t->window ? SDL_GL_CreateContext(t->window) : nullptr;
    if (!context || SDL_GL_MakeCurrent(t->window, context) != 0) {
        std::fprintf(stderr, "frame_floor: no GL 3.3 context: %s\n", SDL_GetError());
        return false;
    }
    SDL_GL_SetSwapInterval(0);
    SDL_GL_GetDrawableSize(t->window, &t->windowW, &t->windowH);
    t->baseInstance = GlVersionAtLeast(42);
    t->s3tc = SDL_GL_ExtensionSupported("GL_EXT_texture_compression_s3tc");

    t->w = GLsizei(g_engine.screen.width);
    t->h = GLsizei(g_engine.screen.height);
    GLuint colour = 0, depth = 0;
    glGenRenderbuffers(1, &colour);
    glBindRenderbuffer(GL_RENDERBUFFER, colour);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, t->w, t->h);
    glGenRenderbuffers(1, &depth);
    glBindRenderbuffer(GL_RENDERBUFFER, depth);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT16, t->w, t->h);
    glGenFramebuffers(1, &t->fbo);
    glBindFramebuffer(GL_FRAMEBUFFER, t->fbo);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth);
    return true;
}

// The framebuffer into the window, scaled when their sizes differ, and the swap.
void Present(const Target& t)
{
    glBindFramebuffer(GL_READ_FRAMEBUFFER, t.fbo);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glViewport(0, 0, t.windowW, t.windowH);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    const bool scaled = t.windowW != t.w || t.windowH != t.h;
    glBlitFramebuffer(0, 0, t.w, t.h, 0, 0, t.windowW, t.windowH, GL_COLOR_BUFFER_BIT, scaled ? GL_LINEAR : GL_NEAREST);
    SDL_GL_SwapWindow(t.window);
}

void SaveShot(const Target& t, const std::string& path)
{
    // Without this, llvmpipe's read-back of the renderbuffer now and then comes before the
    // last frame's rendering has landed, and the picture is the frame before.
    glFinish();
    std::vector<uint8_t> rgba(size_t(t.w) * size_t(t.h) * 4), flipped(rgba.size());
    glBindFramebuffer(GL_READ_FRAMEBUFFER, t.fbo);
    glReadPixels(0, 0, t.w, t.h, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    for (GLsizei y = 0; y < t.h; ++y)
        std::memcpy(&flipped[size_t(y) * size_t(t.w) * 4], &rgba[size_t(t.h - 1 - y) * size_t(t.w) * 4], size_t(t.w) * 4);
    if (!QvWritePng(path.c_str(), int(t.w), int(t.h), 4, flipped.data(), 6))
        std::fprintf(stderr, "frame_floor: could not write %s\n", path.c_str());
}

// The GL side of a run: the target, the models, the programs, and how each mode sends its draws.
struct Floor {
    Target target;
    GLuint instanceBuffer = 0;
    World world;
    GLuint program = 0; // the plain one: a 2D texture per draw
    GLint viewProjLoc = -1;
    bool arrayTexture = false;
    bool multiDraw = false;
    MultiDraw multi;
};

bool OpenFloor(const Options& options, D3DCOLOR ambient, Floor* floor)
{
    if (!OpenTarget(&floor->target))
        return false;
    GLuint sampler = 0;
    glGenSamplers(1, &sampler);
    glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glSamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glBindSampler(0, sampler);
    // One instance buffer for a whole frame, written once before its draws.
    glGenBuffers(1, &floor->instanceBuffer);
    glBindBuffer(GL_ARRAY_BUFFER, floor->instanceBuffer);
    glBufferData(GL_ARRAY_BUFFER, kMaxInstances * sizeof(Instance), nullptr, GL_STREAM_DRAW);

    FloorModels models(floor->instanceBuffer, floor->target.s3tc, options.multiDraw);
    if (!LoadWorld(&models, &floor->world)) {
        std::fprintf(stderr, "frame_floor: a model is not in the layout this program draws\n");
        return false;
    }
    floor->program = models.MakeProgram(false, ambient);
    floor->viewProjLoc = glGetUniformLocation(floor->program, "uViewProj");
    floor->arrayTexture = options.arrayTexture;
    floor->multiDraw = options.multiDraw;
    if (options.arrayTexture) {
        if (!GlVersionAtLeast(43) && !SDL_GL_ExtensionSupported("GL_ARB_multi_draw_indirect")) {
            std::fprintf(stderr, "frame_floor: --order %s needs GL 4.3 (multi-draw indirect, base instance)\n",
                         options.multiDraw ? "game-multi" : "game-array");
            return false;
        }
        if (!models.MakeMultiDraw(floor->world.Drawn(), ambient, options.multiDraw, &floor->multi)) {
            std::fprintf(stderr, "frame_floor: the models' textures do not fit one array texture\n");
            return false;
        }
        glUseProgram(floor->program);
    }

    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    // D3D culls what winds counter-clockwise as the viewer sees it; upright in GL's window, that
    // is GL's front face.
    glEnable(GL_CULL_FACE);
    glCullFace(GL_FRONT);
    glActiveTexture(GL_TEXTURE0);
    return true;
}

// Each draw on its own with the plain program, binding a vertex array and a texture when they
// change (sorted and game order, and the ground in the others).
void DrawEach(const Floor& floor, const Draw* begin, const Draw* end)
{
    const Model* boundModel = nullptr;
    GLuint boundTexture = 0;
    const bool baseInstance = floor.target.baseInstance;
    for (const Draw* d = begin; d != end; ++d) {
        if (d->model != boundModel) {
            glBindVertexArray(d->model->vao);
            boundModel = d->model;
        }
        if (!baseInstance) {
            glBindBuffer(GL_ARRAY_BUFFER, floor.instanceBuffer);
            PointInstanceAttributes(d->first);
        }
        const Subset& s = *d->subset;
        if (s.texture != boundTexture) {
            glBindTexture(GL_TEXTURE_2D, s.texture);
            boundTexture = s.texture;
        }
        if (d->model == &floor.world.ground && baseInstance)
            glDrawArraysInstancedBaseInstance(GL_TRIANGLE_STRIP, 0, 4, GLsizei(d->count), d->first);
        else if (d->model == &floor.world.ground)
            glDrawArraysInstanced(GL_TRIANGLE_STRIP, 0, 4, GLsizei(d->count));
        else if (baseInstance)
            glDrawElementsInstancedBaseVertexBaseInstance(GL_TRIANGLES, s.indexCount, d->model->indexType,
                                                          reinterpret_cast<void*>(s.indexOffset), GLsizei(d->count),
                                                          s.baseVertex, d->first);
        else
            glDrawElementsInstancedBaseVertex(GL_TRIANGLES, s.indexCount, d->model->indexType,
                                              reinterpret_cast<void*>(s.indexOffset), GLsizei(d->count), s.baseVertex);
    }
}

// Everything after the ground with the array texture's program: one draw each (game-array), or
// one multi-draw of them all (game-multi).
void DrawLayered(Floor& floor, const Draw* begin, const Draw* end, const D3DXMATRIX& viewProjection)
{
    MultiDraw& multi = floor.multi;
    glUseProgram(multi.program);
    glUniformMatrix4fv(multi.viewProjLoc, 1, GL_FALSE, &viewProjection._11);
    glBindTexture(GL_TEXTURE_2D_ARRAY, multi.textures);
    if (floor.multiDraw) {
        multi.commands.clear();
        for (const Draw* d = begin; d != end; ++d)
            multi.commands.push_back({GLuint(d->subset->indexCount), d->count, d->subset->sharedFirstIndex,
                                      d->subset->sharedBaseVertex, d->first});
        glBindVertexArray(multi.vao);
        glBindBuffer(GL_DRAW_INDIRECT_BUFFER, multi.commandBuffer);
        glBufferSubData(GL_DRAW_INDIRECT_BUFFER, 0, GLsizeiptr(multi.commands.size() * sizeof(MultiDraw::Command)),
                        multi.commands.data());
        glMultiDrawElementsIndirect(GL_TRIANGLES, GL_UNSIGNED_INT, nullptr, GLsizei(multi.commands.size()), 0);
    } else {
        const Model* bound = nullptr;
        for (const Draw* d = begin; d != end; ++d) {
            if (d->model != bound) {
                glBindVertexArray(d->model->vao);
                bound = d->model;
            }
            const Subset& s = *d->subset;
            glDrawElementsInstancedBaseVertexBaseInstance(GL_TRIANGLES, s.indexCount, d->model->indexType,
                                                          reinterpret_cast<void*>(s.indexOffset), GLsizei(d->count),
                                                          s.baseVertex, d->first);
        }
    }
    glUseProgram(floor.program);
}

// One frame's picture into the framebuffer, then the window. Returns the GL draws it made, or -1
// when the frame holds more than the floor's buffers.
long long DrawFrame(Floor& floor, const FrameDraws& frame, const D3DXMATRIX& viewProjection)
{
    const std::vector<Draw>& draws = frame.draws();
    if (frame.instances().size() > kMaxInstances) {
        std::fprintf(stderr, "frame_floor: more than %zu instances in a frame\n", kMaxInstances);
        return -1;
    }
    if (floor.arrayTexture && draws.size() > kMaxCommands) {
        std::fprintf(stderr, "frame_floor: more than %zu draws in a frame\n", kMaxCommands);
        return -1;
    }
    const Target& t = floor.target;
    glBindFramebuffer(GL_FRAMEBUFFER, t.fbo);
    glViewport(0, 0, t.w, t.h);
    const D3DCOLOR bg = g_engine.backgroundColor;
    glClearColor(float((bg >> 16) & 0xFF) / 255.0f, float((bg >> 8) & 0xFF) / 255.0f, float(bg & 0xFF) / 255.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    // Row vectors times a row-major matrix are GLSL's column-major matrix times a column vector.
    glUniformMatrix4fv(floor.viewProjLoc, 1, GL_FALSE, &viewProjection._11);
    glBindBuffer(GL_ARRAY_BUFFER, floor.instanceBuffer);
    glBufferSubData(GL_ARRAY_BUFFER, 0, GLsizeiptr(frame.instances().size() * sizeof(Instance)),
                    frame.instances().data());
    // With the array texture only the ground keeps the plain program.
    const Draw* begin = draws.data();
    const Draw* end = begin + draws.size();
    const Draw* plainEnd = floor.arrayTexture && !draws.empty() ? begin + 1 : end;
    DrawEach(floor, begin, plainEnd);
    if (plainEnd != end)
        DrawLayered(floor, plainEnd, end, viewProjection);
    Present(t);
    return static_cast<long long>(draws.size());
}

struct RunTimes {
    long long frames = 0;
    long long drawCalls = 0;
    double seconds = 0.0;
    double cpuSeconds = 0.0;
};

// The game's frames with the script's keys at a fixed frame time, each drawn by the floor.
bool RunFrames(const Options& options, const session::KeyScript& script, session::FrameClock& clock,
               QuietDevice& device, Floor& floor, RunTimes* times)
{
    FramePlan plan(floor.world);
    FrameDraws frame;
    device.onBeginScene = [&plan] { plan.TakeMap(); };
    session::KeyFeed keys(session::KeyFeed::kSend);
    bool running = session::DispatchWaitingMessages();
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = QvProcessCpuSeconds();
    while (running && times->frames < options.frames) {
        const long long number = ++times->frames;
        keys.Feed(g_hWnd, script.Held(number));
        running = session::DispatchWaitingMessages();
        clock.Advance(options.frameTime);
        GameFrame();
        plan.Plan(options.gameOrder, &frame);
        D3DXMATRIX viewProjection;
        D3DXMatrixMultiply(&viewProjection, &device.view(), &device.projection());
        const long long draws = DrawFrame(floor, frame, viewProjection);
        if (draws < 0)
            return false;
        times->drawCalls += draws;
    }
    times->seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    times->cpuSeconds = QvProcessCpuSeconds() - cpuStart;
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    std::string error;
    if (!ParseOptions(argc, argv, &options, &error)) {
        std::fprintf(stderr, "frame_floor: %s\n%s", error.c_str(), kUsage);
        return 2;
    }
    session::KeyScript script;
    if (!options.keysPath.empty() && !script.Load(options.keysPath, &error)) {
        std::fprintf(stderr, "frame_floor: %s\n", error.c_str());
        return 2;
    }

    // The game's start-up, as the harness runs it, on a device that stops drawing once the floor
    // has copied what it loaded.
    session::FrameClock clock(1000000000); // nanoseconds, as the harness's with --frame-time
    InstallQuietDirect3D();
    if (!session::StartGame()) {
        std::fprintf(stderr, "frame_floor: the game could not start\n");
        return 1;
    }
    auto& device = *static_cast<QuietDevice*>(g_pd3dDevice);
    DWORD ambient = 0;
    device.GetRenderState(D3DRS_AMBIENT, &ambient);
    Floor floor;
    if (!OpenFloor(options, ambient, &floor))
        return 1;
    device.StopDrawing();

    RunTimes times;
    if (!RunFrames(options, script, clock, device, floor, &times))
        return 1;
    if (!options.shotPath.empty())
        SaveShot(floor.target, options.shotPath);
    const double perFrame = times.frames ? 1000.0 / double(times.frames) : 0.0;
    std::printf("frame_floor: %lld frames in %.3f s, %.3f ms per frame, %.1f frames per second, "
                "%.3f ms of processor time per frame, %.1f draws per frame\n",
                times.frames, times.seconds, times.seconds * perFrame,
                times.seconds > 0.0 ? double(times.frames) / times.seconds : 0.0, times.cpuSeconds * perFrame,
                times.frames ? double(times.drawCalls) / double(times.frames) : 0.0);
    return 0;
}
