// The page's keyboard as Windows key messages. The canvas takes the keys when it has the focus;
// each key is looked up by its physical position (KeyboardEvent.code) in the table the SDL
// substitute uses, letters re-read from the active layout, so the game sees the codes and
// lParam a Windows keyboard gives.
#include <emscripten.h>
#include <emscripten/html5.h>

#include <array>
#include <cctype>
#include <cstring>

#include <qv_win32.h>

#include "platform/web/qv_web.h"
#include "platform/web/web_internal.h"
#include "platform/web/web_touch.h"
#include "platform/core/win32_key_table.h"

namespace qvweb {
namespace {

using qvwin::KeyInfo;

// Physical keys down now, by usage, so that losing the focus can let each of them go.
std::array<bool, 256> g_held{};
std::array<bool, 256> g_fedDown{};
bool g_listening = false;

// A loop that has not presented for this long gives the browser a turn anyway, so that a game
// stopped before its first frame (a failed start-up, a message loop without a device) never
// freezes the page.
constexpr double kLongestWithoutYield = 100.0;

void Post(const KeyInfo& info, BYTE vk, bool down, bool repeat, bool alt, bool ctrl)
{
    HWND hWnd = InputWindow();
    if (hWnd == nullptr) return;
    const qvwin::KeyMessage m = qvwin::MakeKeyMessage(vk, info.scan, info.extended, down, repeat, alt, ctrl);
    qvwin::Enqueue(hWnd, m.message, m.wParam, m.lParam);
}

// The virtual key for a key event: the US-layout code of the key, but a letter as the active
// layout names it, and the keypad's navigation codes while Num Lock is off (the browser says
// so in `key`: "ArrowUp" instead of "8").
BYTE VirtualKeyOf(const KeyInfo& info, const EmscriptenKeyboardEvent& e)
{
    const char* key = e.key;
    if (key[0] != '\0' && key[1] == '\0' && std::isalpha(static_cast<unsigned char>(key[0]))) {
        return static_cast<BYTE>(std::toupper(static_cast<unsigned char>(key[0])));
    }
    const bool keypadDigitOrPoint = (info.usage >= 0x59 && info.usage <= 0x63);
    if (keypadDigitOrPoint && !(std::isdigit(static_cast<unsigned char>(key[0])) || key[0] == '.' ||
                                key[0] == ',')) {
        return qvwin::KeypadWithoutNumLock(info.usage, info.vk);
    }
    return info.vk;
}

// The browser keeps the keys it needs itself: function keys (reload, developer tools, full
// screen), Tab (moving the focus on) and shortcuts with Ctrl or the system key.
bool BrowserKeeps(const KeyInfo& info, const EmscriptenKeyboardEvent& e)
{
    return (info.vk >= VK_F1 && info.vk <= VK_F12) || info.vk == VK_TAB || e.ctrlKey || e.metaKey;
}

EM_BOOL OnKey(int eventType, const EmscriptenKeyboardEvent* e, void*)
{
    const KeyInfo* info = qvwin::KeyByCode(e->code);
    if (info == nullptr) return EM_FALSE;
    const bool down = eventType == EMSCRIPTEN_EVENT_KEYDOWN;
    if (!down && !g_held[info->usage]) {
        return BrowserKeeps(*info, *e) ? EM_FALSE : EM_TRUE;  // its press went elsewhere
    }
    const bool repeat = down && (e->repeat || g_held[info->usage]);
    g_held[info->usage] = down;
    Post(*info, VirtualKeyOf(*info, *e), down, repeat, e->altKey, e->ctrlKey);
    // Handled keys go no further: Space and the arrows would scroll the page.
    return BrowserKeeps(*info, *e) ? EM_FALSE : EM_TRUE;
}

// The canvas losing the focus takes the keyboard away; the touch controls are not on the
// canvas and go on. The window losing the focus or the page being hidden takes both.
EM_BOOL OnCanvasBlur(int, const EmscriptenFocusEvent*, void*)
{
    ReleaseHeldKeys();
    return EM_FALSE;
}

EM_BOOL OnWindowBlur(int, const EmscriptenFocusEvent*, void*)
{
    ReleaseHeldKeys();
    ReleaseTouchKeys();
    return EM_FALSE;
}

EM_BOOL OnVisibility(int, const EmscriptenVisibilityChangeEvent* e, void*)
{
    if (e->hidden) {
        ReleaseHeldKeys();
        ReleaseTouchKeys();
    }
    return EM_FALSE;
}

}  // namespace

void ListenForInput()
{
    if (g_listening) return;
    g_listening = true;
    emscripten_set_keydown_callback(kCanvas, nullptr, EM_TRUE, OnKey);
    emscripten_set_keyup_callback(kCanvas, nullptr, EM_TRUE, OnKey);
    emscripten_set_blur_callback(kCanvas, nullptr, EM_TRUE, OnCanvasBlur);
    emscripten_set_blur_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_TRUE, OnWindowBlur);
    emscripten_set_visibilitychange_callback(nullptr, EM_TRUE, OnVisibility);
    ListenForTouch();
}

void ReleaseHeldKeys()
{
    for (unsigned usage = 0; usage < g_held.size(); ++usage) {
        if (!g_held[usage]) continue;
        g_held[usage] = false;
        const KeyInfo* info = qvwin::KeyByUsage(usage);
        if (info != nullptr) Post(*info, info->vk, false, false, false, false);
    }
}

void ResetInput()
{
    g_held.fill(false);
    g_fedDown.fill(false);
    qvwin::ResetKeyMessages();
    ResetGamepads();
    ResetTouch();
}

}  // namespace qvweb

using namespace qvweb;

// Key events arrive by themselves while the program yields to the browser; what is left is to
// make sure the program yields at all, and to read the game controllers, which the browser
// only reports when asked.
void QvPumpEvents()
{
    if (QvWebMillisecondsSinceYield() > kLongestWithoutYield) QvWebYieldFrame(false);
    SampleGamepads();
}

BOOL QvPostKey(HWND hWnd, UINT virtualKey, BOOL down)
{
    if (qvwin::WindowProc(hWnd) == nullptr || virtualKey == 0 || virtualKey > 0xFF) return FALSE;
    const KeyInfo* info = qvwin::KeyByVirtualKey(virtualKey);
    const bool repeat = down && g_fedDown[virtualKey];
    g_fedDown[virtualKey] = down != FALSE;
    const qvwin::KeyMessage m = qvwin::MakeKeyMessage(
        static_cast<BYTE>(virtualKey), info != nullptr ? info->scan : 0, info != nullptr && info->extended,
        down != FALSE, repeat, virtualKey != VK_MENU ? g_fedDown[VK_MENU] : down != FALSE, g_fedDown[VK_CONTROL]);
    qvwin::Enqueue(hWnd, m.message, m.wParam, m.lParam);
    return TRUE;
}
