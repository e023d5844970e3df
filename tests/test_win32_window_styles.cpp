// What a window's style and placement make of its SDL window, and how the subset tells that no
// one can see a window: no video at all, a headless driver, no display named.
#include "test_win32_support.h"

#include "support/child_exit.h"

#include <cstdlib>
#include <string>

using namespace win32test;

namespace {

class Win32WindowStyle : public Win32Fixture {
protected:
    HWND Make(DWORD style, int x, int y, int width, int height)
    {
        HWND made = CreateWindowExA(0, "QvTestClass", "styled", style, x, y, width, height, nullptr, nullptr,
                                    nullptr, nullptr);
        EXPECT_NE(made, nullptr);
        return made;
    }
    static Uint32 Flags(HWND window)
    {
        return SDL_GetWindowFlags(QvWindowFromHwnd(window)) & (SDL_WINDOW_RESIZABLE | SDL_WINDOW_BORDERLESS);
    }
};

TEST_F(Win32WindowStyle, SizingBorderAndCaptionDecideResizableAndBorderless)
{
    const struct {
        const char* what;
        DWORD style;
        Uint32 flags;
    } cases[] = {
        {"overlapped window", WS_OVERLAPPEDWINDOW, SDL_WINDOW_RESIZABLE},
        {"caption, no sizing border", WS_CAPTION | WS_SYSMENU, 0},
        {"popup", WS_POPUP, SDL_WINDOW_BORDERLESS},
        {"popup with a caption", WS_POPUP | WS_CAPTION, 0},
        {"popup with a sizing border", WS_POPUP | WS_THICKFRAME, SDL_WINDOW_RESIZABLE | SDL_WINDOW_BORDERLESS},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        HWND made = Make(c.style, 0, 0, 200, 100);
        EXPECT_EQ(Flags(made), c.flags);
        DestroyWindow(made);
    }
}

TEST_F(Win32WindowStyle, PlacementAndSizeFollowCreateWindowsRules)
{
    // Placed where asked, at the asked size (no frame under the offscreen driver).
    HWND placed = Make(WS_OVERLAPPEDWINDOW, 40, 30, 200, 100);
    int x = 0, y = 0, w = 0, h = 0;
    SDL_GetWindowPosition(QvWindowFromHwnd(placed), &x, &y);
    SDL_GetWindowSize(QvWindowFromHwnd(placed), &w, &h);
    EXPECT_EQ(x, 40);
    EXPECT_EQ(y, 30);
    EXPECT_EQ(w, 200);
    EXPECT_EQ(h, 100);
    DestroyWindow(placed);

    // A default width is the system's choice of both sides, whatever the height says.
    HWND chosen = Make(WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, 123);
    SDL_GetWindowSize(QvWindowFromHwnd(chosen), &w, &h);
    EXPECT_EQ(w, 640);
    EXPECT_EQ(h, 480);
    DestroyWindow(chosen);

    // Sides of zero or less give a window one pixel across, never none or a negative size.
    HWND empty = Make(WS_POPUP, 0, 0, 0, -5);
    SDL_GetWindowSize(QvWindowFromHwnd(empty), &w, &h);
    EXPECT_EQ(w, 1);
    EXPECT_EQ(h, 1);
    DestroyWindow(empty);
}

// Each in a process of its own, where SDL's video has not been started by an earlier test.
TEST(Win32Headless, NoVideoNoWindowAndNoBoxToWaitFor)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // Without QV_HEADLESS: a headless driver, or no display named, still never waits on a box.
    EXPECT_EXIT(
        {
            unsetenv("QV_HEADLESS");
            setenv("SDL_VIDEODRIVER", "dummy", 1);
            MessageBoxA(nullptr, "one", "Dummy", MB_OK);
            unsetenv("SDL_VIDEODRIVER");
            setenv("DISPLAY", "", 1);
            unsetenv("WAYLAND_DISPLAY");
            MessageBoxA(nullptr, "two", "No display", MB_OK);
            testsupport::ChildExit(0);
        },
        testing::ExitedWithCode(0), "^Dummy: one\nNo display: two\n$");

    // Video that cannot start: no window, and the reason on stderr.
    EXPECT_EXIT(
        {
            setenv("SDL_VIDEODRIVER", "no-such-driver", 1);
            WNDCLASSEXA wc = ClassFor("QvNoVideo", DefWindowProcA);
            RegisterClassExA(&wc);
            HWND made = CreateWindowExA(0, "QvNoVideo", "x", WS_OVERLAPPEDWINDOW, 0, 0, 64, 64, nullptr, nullptr,
                                        nullptr, nullptr);
            testsupport::ChildExit(made == nullptr ? 0 : 1);
        },
        testing::ExitedWithCode(0), "^CreateWindowExA: no video: [^\n]+\n$");

    // The tools' own choice of driver: offscreen only when no display is named and the user
    // chose none.
    EXPECT_EXIT(
        {
            unsetenv("SDL_VIDEODRIVER");
            setenv("DISPLAY", ":99", 1);
            QvUseOffscreenVideoWithoutDisplay();
            const bool keptDisplay = std::getenv("SDL_VIDEODRIVER") == nullptr;
            unsetenv("DISPLAY");
            unsetenv("WAYLAND_DISPLAY");
            setenv("SDL_VIDEODRIVER", "dummy", 1);
            QvUseOffscreenVideoWithoutDisplay();
            const bool keptChoice = std::string(std::getenv("SDL_VIDEODRIVER")) == "dummy";
            unsetenv("SDL_VIDEODRIVER");
            QvUseOffscreenVideoWithoutDisplay();
            const char* now = std::getenv("SDL_VIDEODRIVER");
            testsupport::ChildExit(keptDisplay && keptChoice && now && std::string(now) == "offscreen" ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

}  // namespace
