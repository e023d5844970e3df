// libFuzzer entry for the window procedure and the message path: random messages, wParams and
// lParams sent, posted and dispatched to live, destroyed and made-up windows; keys fed through
// the platform's key table and as SDL key and window events; the queue drained with random
// filters. Checked after every step: the game's key-state table holds exactly what the key
// messages that reached the window procedure put there, no message reaches a destroyed window,
// and the queue always runs dry.
#include "app/engine.h"
#include "fuzz/fuzz_input.h"

#include <windows.h>
#include <qv_win32.h>
#include "platform/sdl/qv_win32_sdl.h"

#include <SDL.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

void Check(bool ok)
{
    if (!ok) __builtin_trap();
}

const char kClassName[] = "QuorvelFuzz";

struct Model {
    std::array<BYTE, 256> keys{};
    std::vector<HWND> live;
    std::vector<HWND> dead;
    bool IsLive(HWND h) const  // as far as the model knows
    {
        for (HWND w : live)
            if (w == h) return true;
        return false;
    }
};
Model g_model;
bool g_creating = false;  // CreateWindowExA sends its first messages before it returns the handle

// The game's window procedure behind a spy that keeps the model. A window is live for the
// platform until DestroyWindow has sent it WM_DESTROY; a WM_DESTROY sent by hand destroys nothing.
LRESULT CALLBACK Spy(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    Check(QvWindowFromHwnd(hWnd) != nullptr);
    if (!g_model.IsLive(hWnd)) {
        Check(g_creating);
        g_model.live.push_back(hWnd);
    }
    if ((msg == WM_KEYDOWN || msg == WM_KEYUP) && wParam < 256) g_model.keys[wParam] = msg == WM_KEYDOWN;
    return WndProc(hWnd, msg, wParam, lParam);
}

// Moves the windows the platform no longer knows to the dead list.
void Reconcile()
{
    for (size_t i = 0; i < g_model.live.size();) {
        if (QvWindowFromHwnd(g_model.live[i]) != nullptr) {
            ++i;
            continue;
        }
        g_model.dead.push_back(g_model.live[i]);
        g_model.live.erase(g_model.live.begin() + long(i));
    }
}

const UINT kMessages[] = {WM_KEYDOWN, WM_KEYUP,  WM_SYSKEYDOWN, WM_SYSKEYUP, WM_CLOSE, WM_DESTROY,
                          WM_SIZE,    WM_PAINT,  WM_QUIT,       WM_SETFOCUS, WM_KILLFOCUS, WM_SHOWWINDOW,
                          WM_CHAR,    WM_KEYDOWN, WM_KEYUP};

UINT TakeMessage(FuzzInput& in)
{
    return in.Flag() ? in.Pick(kMessages) : in.Take<UINT>();
}

WPARAM TakeWParam(FuzzInput& in)
{
    switch (in.Below(4)) {
    case 0: return in.Byte();
    case 1: return WPARAM(in.Take<uint16_t>());
    case 2: return WPARAM(256) + in.Byte();  // just past the table
    default: return in.Take<WPARAM>();
    }
}

HWND TakeWindow(FuzzInput& in)
{
    switch (in.Below(4)) {
    case 0: return nullptr;
    case 1: return g_model.dead.empty() ? nullptr : g_model.dead[in.Byte() % g_model.dead.size()];
    case 2: return reinterpret_cast<HWND>(in.Take<uintptr_t>() | 1);  // never a record's address
    default: return g_model.live.empty() ? nullptr : g_model.live[in.Byte() % g_model.live.size()];
    }
}

void CreateSpyWindow(FuzzInput& in)
{
    if (g_model.live.size() >= 3) return;
    const DWORD styles[] = {WS_SYSMENU | WS_MINIMIZEBOX, WS_OVERLAPPEDWINDOW, WS_POPUP, WS_VISIBLE | WS_SYSMENU};
    const int x = in.Flag() ? CW_USEDEFAULT : int(in.Take<int16_t>());
    // Up to what SDL will make; below 1 is taken as 1.
    const int w = int(in.Take<int16_t>() % 4096), h = int(in.Take<int16_t>() % 4096);
    g_creating = true;
    HWND made = CreateWindowExA(0, kClassName, "fuzz", in.Pick(styles), x, 0, w, h, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    g_creating = false;
    if (made && !g_model.IsLive(made)) g_model.live.push_back(made);
}

void PushSdlEvent(FuzzInput& in)
{
    SDL_Event ev{};
    Uint32 windowId = 0;
    if (!g_model.live.empty() && in.Below(4) != 0) {
        SDL_Window* w = QvWindowFromHwnd(g_model.live[in.Byte() % g_model.live.size()]);
        windowId = w ? SDL_GetWindowID(w) : 0;
    } else {
        windowId = in.Byte();
    }
    switch (in.Below(3)) {
    case 0:
    case 1:
        ev.type = in.Flag() ? SDL_KEYDOWN : SDL_KEYUP;
        ev.key.windowID = windowId;
        ev.key.state = ev.type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
        ev.key.repeat = in.Flag();
        ev.key.keysym.scancode = SDL_Scancode(in.Take<uint16_t>() % (SDL_NUM_SCANCODES + 8));
        ev.key.keysym.sym = in.Flag() ? SDL_Keycode('a' + in.Below(26)) : SDL_Keycode(in.Take<int32_t>());
        ev.key.keysym.mod = in.Take<uint16_t>();
        break;
    default:
        ev.type = in.Flag() ? SDL_WINDOWEVENT : SDL_QUIT;
        ev.window.windowID = windowId;
        ev.window.event = in.Below(SDL_WINDOWEVENT_DISPLAY_CHANGED + 2);
        ev.window.data1 = in.Take<int16_t>();
        ev.window.data2 = in.Take<int16_t>();
        break;
    }
    SDL_PushEvent(&ev);
}

// Takes messages with a random filter, then everything that is left. Nothing a message does
// here posts another without end, so the queue must run dry.
void Drain(FuzzInput& in)
{
    MSG msg{};
    const HWND filter = in.Flag() ? TakeWindow(in) : nullptr;
    const UINT lo = in.Flag() ? TakeMessage(in) : 0;
    const UINT hi = in.Flag() ? TakeMessage(in) : 0;
    for (unsigned n = in.Below(8); n > 0; --n) {
        if (!PeekMessageA(&msg, filter, lo, hi, in.Flag() ? PM_REMOVE : PM_NOREMOVE)) break;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    int taken = 0;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        Check(++taken < 4096);
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void Step(FuzzInput& in)
{
    switch (in.Below(12)) {
    case 0: CreateSpyWindow(in); break;
    case 1: {
        const HWND h = TakeWindow(in);
        const UINT m = TakeMessage(in);
        const WPARAM w = TakeWParam(in);
        SendMessageA(h, m, w, in.Take<LPARAM>());
        break;
    }
    case 2: {
        const HWND h = TakeWindow(in);
        const UINT m = TakeMessage(in);
        const WPARAM w = TakeWParam(in);
        PostMessageA(h, m, w, in.Take<LPARAM>());
        break;
    }
    case 3: {
        MSG msg{};
        msg.hwnd = TakeWindow(in);
        msg.message = TakeMessage(in);
        msg.wParam = TakeWParam(in);
        msg.lParam = in.Take<LPARAM>();
        TranslateMessage(&msg);
        DispatchMessageA(in.Below(16) ? &msg : nullptr);
        break;
    }
    case 4: {
        // Straight into the default processing, as the game's procedure ends.
        const HWND h = TakeWindow(in);
        const UINT m = TakeMessage(in);
        const WPARAM w = TakeWParam(in);
        DefWindowProcA(h, m, w, in.Take<LPARAM>());
        break;
    }
    case 5: {
        const HWND h = TakeWindow(in);
        const UINT vk = in.Flag() ? in.Byte() : in.Take<uint16_t>();
        QvPostKey(h, vk, in.Flag());
        break;
    }
    case 6: PushSdlEvent(in); break;
    case 7: Drain(in); break;
    case 8: ShowWindow(TakeWindow(in), in.Below(13)); break;
    case 9: {
        const HWND h = TakeWindow(in);
        if (in.Flag()) {
            UpdateWindow(h);
        } else {
            RECT r{in.Take<int16_t>(), in.Take<int16_t>(), in.Take<int16_t>(), in.Take<int16_t>()};
            ValidateRect(h, in.Flag() ? &r : nullptr);
        }
        break;
    }
    case 10: DestroyWindow(TakeWindow(in)); break;
    default: PostQuitMessage(in.Take<int>()); break;
    }
}

// Every window gets an EGL surface, and for each SDL looks for the config nearest its GL sizes,
// asking the driver about every config unless one matches exactly; with SDL's default sizes none
// does, and that search was most of an input's time. The first config llvmpipe offers is 8-8-8-8
// with no depth or stencil: asked for exactly that, the search ends at once. The windows, their
// messages and the key table are the same either way.
void AskForTheFirstConfig()
{
    static bool asked = false;
    if (asked || SDL_WasInit(SDL_INIT_VIDEO) == 0) return;
    asked = true;
    const SDL_GLattr attributes[] = {SDL_GL_RED_SIZE, SDL_GL_GREEN_SIZE, SDL_GL_BLUE_SIZE, SDL_GL_ALPHA_SIZE};
    for (SDL_GLattr a : attributes) SDL_GL_SetAttribute(a, 8);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("QV_HEADLESS", "1", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    AskForTheFirstConfig();
    QvResetWin32();
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    g_model = Model{};
    std::memset(g_engine.keyboard.keys, 0, sizeof g_engine.keyboard.keys);
    const BYTE quitBefore = g_quitRequested;

    WNDCLASSEXA wc = {sizeof(WNDCLASSEXA), CS_CLASSDC, Spy, 0, 0, GetModuleHandleA(nullptr),
                      nullptr, nullptr, nullptr, nullptr, kClassName, nullptr};
    Check(RegisterClassExA(&wc) != 0);
    FuzzInput in(data, size);
    CreateSpyWindow(in);
    for (int steps = 0; steps < 256 && !in.empty(); ++steps) {
        Step(in);
        Reconcile();
        Check(std::memcmp(g_model.keys.data(), g_engine.keyboard.keys, 256) == 0);
    }
    // Whatever is left, taken as the main loop would; the quit flag belongs to the game alone.
    MSG msg{};
    int taken = 0;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        Check(++taken < 4096);
        DispatchMessageA(&msg);
    }
    Check(std::memcmp(g_model.keys.data(), g_engine.keyboard.keys, 256) == 0);
    Check(g_quitRequested == quitBefore);
    return 0;
}
