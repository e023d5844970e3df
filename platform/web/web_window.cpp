// The browser backend of the window table (platform/core/win32_window.h). The page has one
// canvas, 640 x 480, and the first window made stands for it: its title becomes the page's title,
// its messages get the page's keys. Later windows exist as Windows would have them, without a
// surface of their own.
#include <emscripten.h>
#include <emscripten/html5.h>

#include <memory>

#include <qv_win32.h>

#include "platform/core/win32_window.h"
#include "platform/web/web_internal.h"

namespace qvwin {

struct Surface {
    bool visible = false;
    bool ownsCanvas = false;
};

namespace {

constexpr int kCanvasWidth = 640;
constexpr int kCanvasHeight = 480;

}  // namespace

Surface* CreateSurface(const WindowRequest& request)
{
    auto s = std::make_unique<Surface>();
    // The canvas keeps its size whatever the window asks: the back buffer is drawn into it,
    // and the page scales the canvas, never its pixels.
    s->ownsCanvas = qvweb::InputWindow() == nullptr;
    if (s->ownsCanvas) {
        emscripten_set_canvas_element_size(qvweb::kCanvas, kCanvasWidth, kCanvasHeight);
        if (request.title != nullptr) emscripten_set_window_title(request.title);
        qvweb::ListenForInput();
    }
    return s.release();
}

void DestroySurface(Surface* surface)
{
    const std::unique_ptr<Surface> s(surface);
    // The canvas is free again: its held keys are let go, with no window left to hear of it.
    if (s->ownsCanvas) qvweb::ReleaseHeldKeys();
}

bool SurfaceVisible(const Surface& surface) { return surface.visible; }

void ShowSurface(Surface& surface) { surface.visible = true; }

void HideSurface(Surface& surface) { surface.visible = false; }

// A page is neither minimised nor maximised by the program.
void ArrangeSurface(Surface&, int) {}

void ClientSize(const Surface&, int* width, int* height)
{
    *width = kCanvasWidth;
    *height = kCanvasHeight;
}

// Alt+F4 belongs to the browser here.
bool AltF4Closes() { return false; }

void ForgetInput() { qvweb::ResetInput(); }

}  // namespace qvwin

namespace qvweb {

HWND InputWindow()
{
    return qvwin::FindLiveWindow([](const qvwin::Surface& s) { return s.ownsCanvas; });
}

}  // namespace qvweb

// No display to choose in a page.
void QvUseOffscreenVideoWithoutDisplay() {}
