// The Direct3D device's GL context in the page: WebGL 2 on the canvas (emscripten/html5.h), the
// GL backend in its OpenGL ES 3.0 dialect. The canvas is the default framebuffer, and presenting
// gives the browser its turn: on its next animation frame, or at once for an interval of 0.
#include "platform/d3d9/d3d9_device.h"

#include "platform/d3d9/gl_api.h"
#include "platform/web/qv_web.h"
#include "platform/web/web_internal.h"

#include <emscripten/html5.h>
#include <emscripten/html5_webgl.h>

#include <cstdio>

namespace qv::d3d {

struct GlContext::Native {
    EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = 0;
    bool animationFrame = true;
};

GlContext::GlContext() : native(std::make_unique<Native>()) {}

GlContext::~GlContext()
{
    if (!native->context)
        return;
    if (emscripten_webgl_get_current_context() == native->context)
        emscripten_webgl_make_context_current(0);
    emscripten_webgl_destroy_context(native->context);
}

// The canvas lives as long as the page.
bool GlContext::WindowAlive() const { return true; }

bool GlContext::MakeCurrent() const
{
    if (!native->context)
        return false;
    return emscripten_webgl_get_current_context() == native->context ||
           emscripten_webgl_make_context_current(native->context) == EMSCRIPTEN_RESULT_SUCCESS;
}

void GlContext::WindowSize(int* width, int* height) const
{
    if (emscripten_get_canvas_element_size(qvweb::kCanvas, width, height) != EMSCRIPTEN_RESULT_SUCCESS)
        *width = *height = 0;
}

void GlContext::DrawableSize(int* width, int* height) const { WindowSize(width, height); }

void GlContext::SetSwapInterval(int interval) { native->animationFrame = interval != 0; }

// The browser shows the canvas once it has its turn.
void GlContext::Swap() { QvWebYieldFrame(native->animationFrame); }

std::unique_ptr<GlContext> CreateGlContext(HWND focus, DWORD, HRESULT* hr)
{
    *hr = D3DERR_NOTAVAILABLE;
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.majorVersion = 2;
    attributes.minorVersion = 0;
    // Depth lives in our own back buffer, not in the canvas's; the picture is opaque.
    attributes.alpha = false;
    attributes.depth = false;
    attributes.stencil = false;
    attributes.antialias = false;
    auto ctx = std::make_unique<GlContext>();
    ctx->hwnd = focus;
    ctx->native->context = emscripten_webgl_create_context(qvweb::kCanvas, &attributes);
    if (ctx->native->context <= 0) {
        ctx->native->context = 0;
        std::fprintf(stderr, "d3d9: no WebGL 2 context on the canvas\n");
        return nullptr;
    }
    if (!ctx->MakeCurrent() || !gl::LoadFunctions(gl::Dialect::Es30)) {
        std::fprintf(stderr, "d3d9: the WebGL 2 context lacks an entry point\n");
        return nullptr;
    }
    const auto* renderer = reinterpret_cast<const char*>(gl::glGetString(GL_RENDERER));
    ctx->renderer = renderer ? renderer : "";
    *hr = D3D_OK;
    return ctx;
}

// A page cannot ask for the screen's mode; the default mode stands.
bool DesktopMode(int*, int*, int*) { return false; }

} // namespace qv::d3d

void* qv::gl::GlProcAddress(const char* name) { return emscripten_webgl_get_proc_address(name); }
