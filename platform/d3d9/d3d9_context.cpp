// The GL context behind a device, and what the three vertex-processing requests mean here.
//
// HARDWARE_VERTEXPROCESSING asks for an accelerated visual and refuses a software rasteriser
// (llvmpipe, softpipe, swrast): SDL reports llvmpipe as accelerated, so the renderer string
// decides. MIXED takes any context, as a driver that falls back to the CPU for vertex work
// would; SOFTWARE takes any context too, with no demand on the visual. On a machine without a
// GPU the first request fails and the second one succeeds, on the context the first one made
// (the Direct3D object keeps it for the window in between).
#include "platform/d3d9/d3d9_device.h"

#include "platform/d3d9/gl_api.h"
#include <qv_win32.h>
#include "platform/sdl/qv_win32_sdl.h"

#include <SDL2/SDL.h>

#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <link.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace qv::d3d {

namespace {

bool IsSoftwareRenderer(const std::string& renderer)
{
    static const char* const kSoftware[] = {"llvmpipe", "softpipe", "swrast", "Software Rasterizer", "SwiftShader"};
    for (const char* name : kSoftware)
        if (renderer.find(name) != std::string::npos)
            return true;
    return false;
}

// llvmpipe mallocs a few megabytes in steps as it bins a frame and frees them once the frame is
// drawn. Where that memory ends up at the top of the heap, glibc hands it back to the kernel at
// the frame's end (its trim threshold is 128 KiB) and faults it in again, page by page, in the
// next one: milliseconds a frame, decided by nothing more than where other allocations happen
// to lie. Keeping up to this much free at the top costs no more than a frame takes at its peak.
void KeepFrameMemory()
{
#ifdef __GLIBC__
    static const bool once = mallopt(M_TRIM_THRESHOLD, 32 << 20) != 0;
    (void)once;
#endif
}

// Mesa's EGL unloads the DRI driver at exit; what the driver still points to from its own
// globals then looks leaked to LeakSanitizer. Held with RTLD_NODELETE, the driver stays mapped
// and its memory stays reachable, so the sanitizer build reports only our own leaks. Only that
// build needs it: elsewhere the driver unloads as Mesa means it to.
#if defined(__SANITIZE_ADDRESS__)
#define QV_PIN_GL_DRIVER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QV_PIN_GL_DRIVER 1
#endif
#endif

void PinGlDriver()
{
#ifdef QV_PIN_GL_DRIVER
    static bool pinned = false;
    if (pinned)
        return;
    pinned = true;
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void*) -> int {
            const char* name = info->dlpi_name;
            if (name && (std::strstr(name, "_dri.so") || std::strstr(name, "libgallium")))
                dlopen(name, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
            return 0;
        },
        nullptr);
#endif
}

// A context that cannot be made is D3DERR_NOTAVAILABLE to the caller, which cannot say why:
// the reason goes to stderr, on one line.
std::unique_ptr<GlContext> Unavailable(const char* step, const char* why)
{
    const char* kind = gl::RequestedDialect() == gl::Dialect::Es30 ? "OpenGL ES 3.0" : "OpenGL 3.3 core";
    std::fprintf(stderr, "d3d9: no %s context (%s): %s\n", kind, step, why && *why ? why : "no reason given");
    return nullptr;
}

} // namespace

struct GlContext::Native {
    SDL_Window* window = nullptr;
    bool ownWindow = false;
    SDL_GLContext context = nullptr;
};

GlContext::GlContext() : native(std::make_unique<Native>()) {}

GlContext::~GlContext()
{
    if (native->context) {
        if (SDL_GL_GetCurrentContext() == native->context)
            SDL_GL_MakeCurrent(native->window, nullptr);
        SDL_GL_DeleteContext(native->context);
    }
    if (native->ownWindow && native->window)
        SDL_DestroyWindow(native->window);
}

bool GlContext::WindowAlive() const
{
    return native->ownWindow || (hwnd && QvWindowFromHwnd(hwnd) == native->window);
}

bool GlContext::MakeCurrent() const
{
    if (!native->context)
        return false;
    if (SDL_GL_GetCurrentContext() == native->context)
        return true;
    // Destroying the window releases the context from it; a dead window is never touched.
    return WindowAlive() && SDL_GL_MakeCurrent(native->window, native->context) == 0;
}

void GlContext::WindowSize(int* width, int* height) const { SDL_GetWindowSize(native->window, width, height); }

void GlContext::DrawableSize(int* width, int* height) const { SDL_GL_GetDrawableSize(native->window, width, height); }

// Drivers without vsync control simply present at once.
void GlContext::SetSwapInterval(int interval) { SDL_GL_SetSwapInterval(interval); }

void GlContext::Swap() { SDL_GL_SwapWindow(native->window); }

bool DesktopMode(int* width, int* height, int* refreshRate)
{
    SDL_DisplayMode desktop;
    if (!SDL_WasInit(SDL_INIT_VIDEO) || SDL_GetDesktopDisplayMode(0, &desktop) != 0)
        return false;
    *width = desktop.w;
    *height = desktop.h;
    *refreshRate = desktop.refresh_rate;
    return true;
}

std::unique_ptr<GlContext> CreateGlContext(HWND focus, DWORD behavior, HRESULT* hr)
{
    *hr = D3DERR_NOTAVAILABLE;
    if (!SDL_WasInit(SDL_INIT_VIDEO) && SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
        return Unavailable("video", SDL_GetError());
    auto ctx = std::make_unique<GlContext>();
    GlContext::Native& n = *ctx->native;
    if (focus) {
        n.window = QvWindowFromHwnd(focus);
        ctx->hwnd = focus;
        if (!n.window) {
            *hr = D3DERR_INVALIDCALL;
            return nullptr;
        }
    }

    const gl::Dialect dialect = gl::RequestedDialect();
    const bool es = dialect == gl::Dialect::Es30;
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, es ? SDL_GL_CONTEXT_PROFILE_ES : SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, es ? 0 : 3);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    // Depth lives in our own back buffer, not in the window's.
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
    if (behavior & D3DCREATE_HARDWARE_VERTEXPROCESSING)
        SDL_GL_SetAttribute(SDL_GL_ACCELERATED_VISUAL, 1);

    if (!n.window) {
        // Tools may create a device without a window of their own.
        n.window = SDL_CreateWindow("", 0, 0, 1, 1, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        if (!n.window)
            return Unavailable("window", SDL_GetError());
        n.ownWindow = true;
    }
    n.context = SDL_GL_CreateContext(n.window);
    if (!n.context || SDL_GL_MakeCurrent(n.window, n.context) != 0)
        return Unavailable("context", SDL_GetError());
    // Pinned as soon as a context has loaded the driver: one refused below would otherwise
    // unload it with its window, leaving what it allocated to look leaked.
    PinGlDriver();
    const char* missing = nullptr;
    if (!gl::LoadFunctions(dialect, &missing)) {
        const std::string why = std::string(missing) + " is missing";
        return Unavailable("context", why.c_str());
    }
    const auto* renderer = reinterpret_cast<const char*>(gl::glGetString(GL_RENDERER));
    ctx->renderer = renderer ? renderer : "";
    ctx->software = IsSoftwareRenderer(ctx->renderer);
    if (ctx->software)
        KeepFrameMemory();
    *hr = D3D_OK;
    return ctx;
}

} // namespace qv::d3d

void* qv::gl::GlProcAddress(const char* name) { return SDL_GL_GetProcAddress(name); }
