// The window's show, outside the game: a larger window, full screen, and F11 and Alt+Enter
// switching it, which never reach the window as key messages.
#include "test_win32_support.h"

using namespace win32test;

namespace {

class Win32WindowShow : public Win32Fixture {
protected:
    SDL_Window* Sdl() const { return QvWindowFromHwnd(hWnd); }
    // Over the whole of its display (without its frame, where the video driver has frames).
    bool Fullscreen() const
    {
        SDL_Rect bounds{};
        EXPECT_EQ(SDL_GetDisplayBounds(SDL_GetWindowDisplayIndex(Sdl()), &bounds), 0);
        int x = 0, y = 0, w = 0, h = 0;
        SDL_GetWindowPosition(Sdl(), &x, &y);
        SDL_GetWindowSize(Sdl(), &w, &h);
        return x == bounds.x && y == bounds.y && w == bounds.w && h == bounds.h;
    }
    void ClientSize(int* w, int* h) const { SDL_GetWindowSize(Sdl(), w, h); }
    std::vector<MSG> Keys()
    {
        std::vector<MSG> keys;
        for (const MSG& m : Drain())
            if (m.message >= WM_KEYDOWN && m.message <= WM_SYSKEYUP)
                keys.push_back(m);
        return keys;
    }
};

TEST_F(Win32WindowShow, F11AndAltEnterSwitchFullScreenAndNeverReachTheWindow)
{
    ShowWindow(hWnd, SW_SHOW);
    int w = 0, h = 0;
    ClientSize(&w, &h);
    ASSERT_EQ(w, 640);
    ASSERT_EQ(h, 480);

    PushKey(hWnd, SDL_SCANCODE_F11, SDLK_F11, KMOD_NONE, true);
    PushKey(hWnd, SDL_SCANCODE_F11, SDLK_F11, KMOD_NONE, true, true); // held: no second switch
    PushKey(hWnd, SDL_SCANCODE_F11, SDLK_F11, KMOD_NONE, false);
    EXPECT_TRUE(Keys().empty());
    EXPECT_TRUE(Fullscreen());

    // Alt reaches the window as ever; Enter pressed with it does not, nor its release after
    // Alt's.
    PushKey(hWnd, SDL_SCANCODE_LALT, SDLK_LALT, KMOD_LALT, true);
    PushKey(hWnd, SDL_SCANCODE_RETURN, SDLK_RETURN, KMOD_LALT, true);
    PushKey(hWnd, SDL_SCANCODE_LALT, SDLK_LALT, KMOD_NONE, false);
    PushKey(hWnd, SDL_SCANCODE_RETURN, SDLK_RETURN, KMOD_NONE, false);
    auto keys = Keys();
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_EQ(keys[0].wParam, WPARAM(VK_MENU));
    EXPECT_EQ(keys[1].wParam, WPARAM(VK_MENU));
    EXPECT_FALSE(Fullscreen());
    ClientSize(&w, &h);
    EXPECT_EQ(w, 640) << "leaving full screen gives the window its size back";
    EXPECT_EQ(h, 480);
    int x = -1, y = -1;
    SDL_GetWindowPosition(Sdl(), &x, &y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);

    // Enter alone is the game's, and the keypad's Enter with Alt switches too.
    PushKey(hWnd, SDL_SCANCODE_RETURN, SDLK_RETURN, KMOD_NONE, true);
    PushKey(hWnd, SDL_SCANCODE_RETURN, SDLK_RETURN, KMOD_NONE, false);
    keys = Keys();
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_EQ(keys[0].wParam, WPARAM(VK_RETURN));
    PushKey(hWnd, SDL_SCANCODE_KP_ENTER, SDLK_KP_ENTER, KMOD_RALT, true);
    PushKey(hWnd, SDL_SCANCODE_KP_ENTER, SDLK_KP_ENTER, KMOD_RALT, false);
    EXPECT_TRUE(Keys().empty());
    EXPECT_TRUE(Fullscreen());
}

TEST_F(Win32WindowShow, WindowsOpenScaledOrInFullScreenAsAsked)
{
    const auto open = [&](int scale, bool fullscreen) {
        QvResetWin32();
        QvSetWindowShow(scale, fullscreen);
        WNDCLASSEXA wc = ClassFor("QvShowClass", RecordingProc);
        RegisterClassExA(&wc);
        hWnd = CreateWindowExA(0, "QvShowClass", "shown", WS_SYSMENU | WS_MINIMIZEBOX, 0, 0, 640, 480, nullptr,
                               nullptr, wc.hInstance, nullptr);
        ASSERT_NE(hWnd, nullptr);
        ShowWindow(hWnd, SW_SHOW);
        Drain();
    };
    int w = 0, h = 0;
    open(3, false);
    ClientSize(&w, &h);
    EXPECT_EQ(w, 1920);
    EXPECT_EQ(h, 1440);
    EXPECT_FALSE(Fullscreen());
    open(2, true);
    EXPECT_TRUE(Fullscreen());
    PushKey(hWnd, SDL_SCANCODE_F11, SDLK_F11, KMOD_NONE, true);
    PushKey(hWnd, SDL_SCANCODE_F11, SDLK_F11, KMOD_NONE, false);
    Drain();
    EXPECT_FALSE(Fullscreen());
    ClientSize(&w, &h);
    EXPECT_EQ(w, 1280) << "the window left is the scaled one";
    EXPECT_EQ(h, 960);
    // Out of range is the window's own size; a reset forgets the request.
    open(9, false);
    ClientSize(&w, &h);
    EXPECT_EQ(w, 640);
    QvSetWindowShow(2, true);
    open(1, false);
    ClientSize(&w, &h);
    EXPECT_EQ(w, 640);
    EXPECT_FALSE(Fullscreen());
}

} // namespace
