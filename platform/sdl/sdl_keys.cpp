// Keyboard messages: SDL key events (or fed keys) become WM_KEYDOWN/WM_KEYUP, or the WM_SYS*
// pair, with Windows virtual-key codes and a Windows lParam.
#include <array>

#include "platform/sdl/sdl_internal.h"
#include "platform/core/win32_key_table.h"

namespace qvwin {
namespace {

// The key table is keyed by USB HID usage, which is what SDL's scancodes are.
static_assert(SDL_SCANCODE_A == 0x04 && SDL_SCANCODE_0 == 0x27 && SDL_SCANCODE_SPACE == 0x2C &&
              SDL_SCANCODE_F12 == 0x45 && SDL_SCANCODE_UP == 0x52 && SDL_SCANCODE_KP_0 == 0x62 &&
              SDL_SCANCODE_NONUSBACKSLASH == 0x64 && SDL_SCANCODE_APPLICATION == 0x65 &&
              SDL_SCANCODE_LCTRL == 0xE0 && SDL_SCANCODE_RGUI == 0xE7,
              "SDL scancodes are USB HID usages");

std::array<bool, 256> g_fedDown{};

void PostKeyMessage(HWND hWnd, BYTE vk, BYTE scan, bool extended, bool down, bool repeat, bool alt,
                    bool ctrl)
{
    const KeyMessage m = MakeKeyMessage(vk, scan, extended, down, repeat, alt, ctrl);
    Enqueue(hWnd, m.message, m.wParam, m.lParam);
}

}  // namespace

void TranslateSdlKey(HWND hWnd, const SDL_KeyboardEvent& key)
{
    const KeyInfo* info = KeyByUsage(key.keysym.scancode);
    if (info == nullptr) {
        return;  // keys Windows has no virtual-key code for
    }
    BYTE vk = info->vk;
    const SDL_Keycode sym = key.keysym.sym;
    if (sym >= 'a' && sym <= 'z') {
        vk = static_cast<BYTE>(sym - 'a' + 'A');
    }
    if ((key.keysym.mod & KMOD_NUM) == 0) {
        vk = KeypadWithoutNumLock(key.keysym.scancode, vk);
    }
    PostKeyMessage(hWnd, vk, info->scan, info->extended, key.type == SDL_KEYDOWN, key.repeat != 0,
                   (key.keysym.mod & KMOD_ALT) != 0, (key.keysym.mod & KMOD_CTRL) != 0);
}

void ResetKeys()
{
    g_fedDown.fill(false);
    ResetKeyMessages();
}

}  // namespace qvwin

using namespace qvwin;

BOOL QvPostKey(HWND hWnd, UINT virtualKey, BOOL down)
{
    if (Lookup(hWnd) == nullptr || virtualKey == 0 || virtualKey > 0xFF) {
        return FALSE;
    }
    const KeyInfo* info = KeyByVirtualKey(virtualKey);
    const bool repeat = down && g_fedDown[virtualKey];
    g_fedDown[virtualKey] = down != FALSE;
    PostKeyMessage(hWnd, static_cast<BYTE>(virtualKey), info != nullptr ? info->scan : 0,
                   info != nullptr && info->extended, down != FALSE, repeat,
                   virtualKey != VK_MENU ? g_fedDown[VK_MENU] : down != FALSE, g_fedDown[VK_CONTROL]);
    return TRUE;
}
