// Keyboard messages: SDL key events and fed keys as Windows would deliver them.
#include "test_win32_support.h"

#include "platform/core/win32_key_table.h"

using namespace win32test;

namespace {

constexpr LPARAM kPrevious = LPARAM(1) << 30;
constexpr LPARAM kReleased = LPARAM(1) << 31;
constexpr LPARAM kAlt = LPARAM(1) << 29;
constexpr LPARAM kExtended = LPARAM(1) << 24;

LPARAM Scan(unsigned scan) { return LPARAM(1) | (LPARAM(scan) << 16); }

class Win32Keys : public Win32Fixture {
protected:
    std::vector<MSG> Keys()
    {
        std::vector<MSG> keys;
        for (const MSG& m : Drain()) {
            if (m.message >= WM_KEYDOWN && m.message <= WM_SYSKEYUP) {
                keys.push_back(m);
            }
        }
        return keys;
    }
};

TEST_F(Win32Keys, PressRepeatAndReleaseCarryWindowsParameters)
{
    PushKey(hWnd, SDL_SCANCODE_W, SDLK_w, KMOD_NONE, true);
    PushKey(hWnd, SDL_SCANCODE_W, SDLK_w, KMOD_NONE, true, true);
    PushKey(hWnd, SDL_SCANCODE_W, SDLK_w, KMOD_NONE, false);
    auto keys = Keys();
    ASSERT_EQ(keys.size(), 3u);
    EXPECT_EQ(keys[0].message, UINT(WM_KEYDOWN));
    EXPECT_EQ(keys[0].wParam, WPARAM('W'));
    EXPECT_EQ(keys[0].lParam, Scan(0x11));
    EXPECT_EQ(keys[1].message, UINT(WM_KEYDOWN)) << "repeats are further key-downs";
    EXPECT_EQ(keys[1].lParam, Scan(0x11) | kPrevious);
    EXPECT_EQ(keys[2].message, UINT(WM_KEYUP));
    EXPECT_EQ(keys[2].lParam, Scan(0x11) | kPrevious | kReleased);
}

TEST_F(Win32Keys, CodesFollowLayoutNumLockAndExtendedKeys)
{
    struct Case {
        SDL_Scancode sc;
        SDL_Keycode sym;
        Uint16 mod;
        WPARAM vk;
        LPARAM lParam;
    };
    const Case cases[] = {
        {SDL_SCANCODE_Q, SDLK_a, KMOD_NONE, 'A', Scan(0x10)},  // AZERTY: the layout names letters
        {SDL_SCANCODE_KP_ENTER, SDLK_KP_ENTER, KMOD_NONE, VK_RETURN, Scan(0x1C) | kExtended},
        {SDL_SCANCODE_RCTRL, SDLK_RCTRL, KMOD_RCTRL, VK_CONTROL, Scan(0x1D) | kExtended},
        {SDL_SCANCODE_KP_5, SDLK_KP_5, KMOD_NUM, VK_NUMPAD5, Scan(0x4C)},
        {SDL_SCANCODE_KP_8, SDLK_KP_8, KMOD_NONE, VK_UP, Scan(0x48)},
        {SDL_SCANCODE_F12, SDLK_F12, KMOD_NONE, VK_F12, Scan(0x58)},
    };
    for (const Case& c : cases) {
        PushKey(hWnd, c.sc, c.sym, c.mod, true);
        auto keys = Keys();
        ASSERT_EQ(keys.size(), 1u) << SDL_GetScancodeName(c.sc);
        EXPECT_EQ(keys[0].wParam, c.vk) << SDL_GetScancodeName(c.sc);
        EXPECT_EQ(keys[0].lParam, c.lParam) << SDL_GetScancodeName(c.sc);
    }
    PushKey(hWnd, SDL_SCANCODE_MUTE, SDLK_MUTE, KMOD_NONE, true);  // no virtual-key code
    EXPECT_TRUE(Keys().empty());
}

TEST_F(Win32Keys, AltChordsAndF10AreSystemKeys)
{
    PushKey(hWnd, SDL_SCANCODE_LALT, SDLK_LALT, KMOD_LALT, true);
    PushKey(hWnd, SDL_SCANCODE_X, SDLK_x, KMOD_LALT, true);
    PushKey(hWnd, SDL_SCANCODE_X, SDLK_x, KMOD_LALT, false);
    PushKey(hWnd, SDL_SCANCODE_LALT, SDLK_LALT, KMOD_NONE, false);
    PushKey(hWnd, SDL_SCANCODE_F10, SDLK_F10, KMOD_NONE, true);
    PushKey(hWnd, SDL_SCANCODE_RALT, SDLK_RALT, KMOD_RALT, true);
    PushKey(hWnd, SDL_SCANCODE_RALT, SDLK_RALT, KMOD_NONE, false);
    PushKey(hWnd, SDL_SCANCODE_Q, SDLK_q, KMOD_LCTRL | KMOD_RALT, true);  // AltGr types text
    auto keys = Keys();
    ASSERT_EQ(keys.size(), 8u);
    const UINT expected[] = {WM_SYSKEYDOWN, WM_SYSKEYDOWN, WM_SYSKEYUP, WM_KEYUP,
                             WM_SYSKEYDOWN, WM_SYSKEYDOWN, WM_SYSKEYUP, WM_KEYDOWN};
    for (size_t i = 0; i < keys.size(); ++i) {
        EXPECT_EQ(keys[i].message, expected[i]) << i;
    }
    EXPECT_EQ(keys[0].lParam, Scan(0x38) | kAlt);
    EXPECT_EQ(keys[1].lParam, Scan(0x2D) | kAlt);
    EXPECT_EQ(keys[2].lParam, Scan(0x2D) | kAlt | kPrevious | kReleased);
    EXPECT_EQ(keys[4].lParam, Scan(0x44)) << "F10 without Alt";
    EXPECT_EQ(keys[5].lParam, Scan(0x38) | kExtended | kAlt);
}

TEST_F(Win32Keys, FocusLossDoesNotReleaseHeldKeys)
{
    PushKey(hWnd, SDL_SCANCODE_W, SDLK_w, KMOD_NONE, true);
    PushKey(hWnd, SDL_SCANCODE_D, SDLK_d, KMOD_NONE, true);
    ASSERT_EQ(Keys().size(), 2u);

    // SDL releases every held key just ahead of reporting the lost focus.
    PushKey(hWnd, SDL_SCANCODE_D, SDLK_d, KMOD_NONE, false);
    PushKey(hWnd, SDL_SCANCODE_W, SDLK_w, KMOD_NONE, false);
    PushWindowEvent(hWnd, SDL_WINDOWEVENT_FOCUS_LOST);
    auto taken = Drain();
    EXPECT_TRUE(OnlyMessage(taken, WM_KEYUP).empty());
    EXPECT_EQ(OnlyMessage(taken, WM_KILLFOCUS).size(), 1u);

    PushWindowEvent(hWnd, SDL_WINDOWEVENT_FOCUS_GAINED);
    PushKey(hWnd, SDL_SCANCODE_W, SDLK_w, KMOD_NONE, false);
    EXPECT_EQ(OnlyMessage(Drain(), WM_KEYUP).size(), 1u) << "a release with the focus arrives";
}

TEST_F(Win32Keys, FedKeysRepeatAndHonourAlt)
{
    QvPostKey(hWnd, 'S', TRUE);
    QvPostKey(hWnd, 'S', TRUE);
    QvPostKey(hWnd, VK_MENU, TRUE);
    QvPostKey(hWnd, 'S', FALSE);
    auto keys = Keys();
    ASSERT_EQ(keys.size(), 4u);
    EXPECT_EQ(keys[0].lParam, Scan(0x1F));
    EXPECT_EQ(keys[1].lParam, Scan(0x1F) | kPrevious);
    EXPECT_EQ(keys[3].message, UINT(WM_SYSKEYUP));

    EXPECT_FALSE(QvPostKey(hWnd, 0x100, TRUE));
    DestroyWindow(hWnd);
    EXPECT_FALSE(QvPostKey(hWnd, 'S', TRUE));
}

// The table the SDL and browser substitutes share: each key once by usage and once by the
// browser's name for it, so a browser key can never stand for two keys or none.
TEST(Win32KeyTable, UsagesAndBrowserCodesNameOneKeyEach)
{
    int keys = 0;
    for (unsigned usage = 0; usage < 0x100; ++usage) {
        const qvwin::KeyInfo* info = qvwin::KeyByUsage(usage);
        if (info == nullptr) continue;
        ++keys;
        EXPECT_EQ(info->usage, usage);
        EXPECT_EQ(qvwin::KeyByCode(info->code), info) << info->code;
    }
    EXPECT_EQ(keys, 105);
    EXPECT_EQ(qvwin::KeyByCode("KeyW")->vk, 'W');
    EXPECT_EQ(qvwin::KeyByCode("Space")->vk, VK_SPACE);
    EXPECT_EQ(qvwin::KeyByCode("Escape")->vk, VK_ESCAPE);
    EXPECT_EQ(qvwin::KeyByCode("Digit3")->vk, '3');
    EXPECT_EQ(qvwin::KeyByCode("NumpadEnter")->vk, VK_RETURN);
    EXPECT_TRUE(qvwin::KeyByCode("NumpadEnter")->extended);
    EXPECT_EQ(qvwin::KeyByCode("Fn"), nullptr);
    EXPECT_EQ(qvwin::KeyByCode(""), nullptr);
    EXPECT_EQ(qvwin::KeyByCode(nullptr), nullptr);
}

}  // namespace
