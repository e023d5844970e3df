// The event pump: SDL's events become the window messages a Windows queue would hold.
#include "platform/sdl/sdl_internal.h"

namespace qvwin {
namespace {

void TranslateWindowEvent(const SDL_WindowEvent& ev)
{
    HWND hWnd = FromSdlId(ev.windowID);
    WindowRecord* rec = Lookup(hWnd);
    if (rec == nullptr) {
        return;
    }
    switch (ev.event) {
    case SDL_WINDOWEVENT_CLOSE:
        Enqueue(hWnd, WM_CLOSE, 0, 0);
        break;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
        if ((SDL_GetWindowFlags(rec->surface->sdl) & SDL_WINDOW_MINIMIZED) == 0) {
            Enqueue(hWnd, WM_SIZE, SIZE_RESTORED, SizeParam(ev.data1, ev.data2));
        }
        break;
    case SDL_WINDOWEVENT_MINIMIZED:
        Enqueue(hWnd, WM_SIZE, SIZE_MINIMIZED, 0);
        break;
    case SDL_WINDOWEVENT_MAXIMIZED:
    case SDL_WINDOWEVENT_RESTORED: {
        int w = 0, h = 0;
        SDL_GetWindowSize(rec->surface->sdl, &w, &h);
        Enqueue(hWnd, WM_SIZE, ev.event == SDL_WINDOWEVENT_MAXIMIZED ? SIZE_MAXIMIZED : SIZE_RESTORED,
                SizeParam(w, h));
        break;
    }
    case SDL_WINDOWEVENT_EXPOSED:
        rec->needsPaint = true;
        break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
        Enqueue(hWnd, WM_SETFOCUS, 0, 0);
        break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
        Enqueue(hWnd, WM_KILLFOCUS, 0, 0);
        break;
    default:
        break;
    }
}

bool IsFocusLoss(const SDL_Event& ev)
{
    return ev.type == SDL_WINDOWEVENT && ev.window.event == SDL_WINDOWEVENT_FOCUS_LOST;
}

// SDL releases every held key just before it reports a lost focus; Windows does not, and a key
// let go elsewhere stays down for the window. Key-ups are therefore held back until the next
// event shows whether they were that release.
class KeyUpHold {
public:
    void Hold(const SDL_KeyboardEvent& key)
    {
        if (count_ == kCapacity) {
            Flush();
        }
        held_[count_++] = key;
    }

    void Before(const SDL_Event& next)
    {
        if (IsFocusLoss(next)) {
            Drop(next.window.windowID);
        }
        Flush();
    }

    void Flush()
    {
        for (size_t i = 0; i < count_; ++i) {
            HWND hWnd = FromSdlId(held_[i].windowID);
            if (hWnd != nullptr) {
                TranslateSdlKey(hWnd, held_[i]);
            }
        }
        count_ = 0;
    }

private:
    void Drop(Uint32 windowID)
    {
        size_t kept = 0;
        for (size_t i = 0; i < count_; ++i) {
            if (held_[i].windowID != windowID) {
                held_[kept++] = held_[i];
            }
        }
        count_ = kept;
    }

    static constexpr size_t kCapacity = SDL_NUM_SCANCODES;
    SDL_KeyboardEvent held_[kCapacity];
    size_t count_ = 0;
};

void Translate(const SDL_Event& ev)
{
    switch (ev.type) {
    case SDL_KEYDOWN: {
        HWND hWnd = FromSdlId(ev.key.windowID);
        if (hWnd != nullptr && !KeepShowKey(hWnd, ev.key)) {
            TranslateSdlKey(hWnd, ev.key);
        }
        break;
    }
    case SDL_WINDOWEVENT:
        TranslateWindowEvent(ev.window);
        break;
    case SDL_CONTROLLERDEVICEADDED:
    case SDL_CONTROLLERDEVICEREMOVED:
    case SDL_CONTROLLERAXISMOTION:
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP:
        TranslateGamepadEvent(ev);
        break;
    case SDL_QUIT:
        // A terminal's Ctrl+C or a session ending: close as from the window's own close button.
        for (HWND hWnd : LiveWindows()) {
            Enqueue(hWnd, WM_CLOSE, 0, 0);
        }
        break;
    default:
        break;
    }
}

}  // namespace
}  // namespace qvwin

using namespace qvwin;

void QvPumpEvents()
{
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) {
        return;
    }
    SDL_PumpEvents();
    static KeyUpHold hold;
    SDL_Event batch[64];
    for (;;) {
        const int n = SDL_PeepEvents(batch, 64, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT);
        if (n <= 0) {
            break;
        }
        for (int i = 0; i < n; ++i) {
            if (batch[i].type == SDL_KEYUP) {
                if (!KeepShowKey(FromSdlId(batch[i].key.windowID), batch[i].key)) {
                    hold.Hold(batch[i].key);
                }
                continue;
            }
            hold.Before(batch[i]);
            Translate(batch[i]);
        }
    }
    hold.Flush();
}
