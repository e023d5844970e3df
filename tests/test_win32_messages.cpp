// Window classes, windows and the message queue of the Win32 subset, on a real SDL window.
#include "test_win32_support.h"

#include <string>

using namespace win32test;

namespace {

class Win32Window : public Win32Fixture {};

TEST_F(Win32Window, ClassAndWindowLifecycle)
{
    WNDCLASSEXA wc = ClassFor("qvtestclass", RecordingProc);
    EXPECT_EQ(RegisterClassExA(&wc), 0) << "names ignore case: already registered";
    WNDCLASSEXA bad = ClassFor("Other", RecordingProc);
    bad.cbSize = 48 + 1;
    EXPECT_EQ(RegisterClassExA(&bad), 0);
    EXPECT_EQ(CreateWindowExA(0, "Other", "x", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr), nullptr);

    SDL_Window* sdl = QvWindowFromHwnd(hWnd);
    ASSERT_NE(sdl, nullptr);
    EXPECT_EQ(SDL_GetWindowFlags(sdl) & (SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN | SDL_WINDOW_RESIZABLE),
              Uint32(SDL_WINDOW_OPENGL)) << "for GL, hidden, no sizing border";
    EXPECT_FALSE(ShowWindow(hWnd, SW_SHOWDEFAULT)) << "was hidden";
    EXPECT_TRUE(ShowWindow(hWnd, SW_SHOWDEFAULT)) << "was visible";
    int w = 0, h = 0;
    SDL_GetWindowSize(sdl, &w, &h);  // no frame under the offscreen driver: client = outer size
    EXPECT_EQ(w, 640);
    EXPECT_EQ(h, 480);

    EXPECT_FALSE(UnregisterClassA("QvTestClass", nullptr)) << "its window still exists";
    EXPECT_TRUE(DestroyWindow(hWnd));
    EXPECT_EQ(QvWindowFromHwnd(hWnd), nullptr);
    EXPECT_FALSE(DestroyWindow(hWnd));
    EXPECT_TRUE(UnregisterClassA("QvTestClass", nullptr));

    // Atoms come back with their classes: a process may register and unregister for ever.
    WNDCLASSEXA again = ClassFor("Again", RecordingProc);
    const ATOM first = RegisterClassExA(&again);
    EXPECT_GE(first, 0xC000);
    for (int i = 0; i < 20000; ++i) {
        ASSERT_TRUE(UnregisterClassA("Again", nullptr));
        ASSERT_EQ(RegisterClassExA(&again), first) << i;
    }
    WNDCLASSEXA second = ClassFor("Second", RecordingProc);
    EXPECT_NE(RegisterClassExA(&second), first);
}

TEST_F(Win32Window, PostedMessagesInOrderThenQuit)
{
    PostQuitMessage(3);
    ASSERT_TRUE(PostMessageA(hWnd, WM_USER, 1, 10));
    ASSERT_TRUE(PostMessageA(nullptr, WM_USER + 1, 2, 20));
    ASSERT_TRUE(PostMessageA(hWnd, WM_USER + 2, 3, 30));

    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.message, UINT(WM_USER));
    ASSERT_TRUE(PeekMessageA(&msg, hWnd, WM_USER + 2, WM_USER + 2, PM_REMOVE));
    EXPECT_EQ(msg.wParam, WPARAM(3)) << "window and range filters";
    PeekMessageA(&msg, hWnd, 0, 0, PM_REMOVE);
    EXPECT_FALSE(PeekMessageA(&msg, hWnd, 0, 0, PM_REMOVE)) << "quit has no window to match";

    auto taken = Drain();
    ASSERT_EQ(taken.size(), 2u);
    EXPECT_EQ(taken[0].message, UINT(WM_USER + 1));
    EXPECT_EQ(taken[1].message, UINT(WM_QUIT)) << "after every posted message";
    EXPECT_EQ(taken[1].wParam, WPARAM(3));
    EXPECT_EQ(OnlyMessage(Seen(), WM_USER + 1).size(), 0u) << "thread messages have no procedure";
}

TEST_F(Win32Window, ShownWindowIsPaintedUntilValidated)
{
    ShowWindow(hWnd, SW_SHOWDEFAULT);
    UpdateWindow(hWnd);
    EXPECT_EQ(OnlyMessage(Seen(), WM_PAINT).size(), 1u) << "sent straight to the procedure";
    MSG msg{};
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) << "default processing validated it";

    PushWindowEvent(hWnd, SDL_WINDOWEVENT_EXPOSED);
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
        EXPECT_EQ(msg.message, UINT(WM_PAINT)) << "taking it does not validate";
    }
    ValidateRect(hWnd, nullptr);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(Win32Window, HiddenWindowIsNotPaintedUntilShownAgain)
{
    EXPECT_FALSE(ShowWindow(hWnd, SW_SHOWDEFAULT));
    EXPECT_TRUE(ShowWindow(hWnd, SW_HIDE)) << "was visible";
    EXPECT_FALSE(ShowWindow(hWnd, SW_HIDE)) << "was hidden: nothing to do";
    MSG msg{};
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) << "hidden before it was painted: no WM_PAINT";
    UpdateWindow(hWnd);
    EXPECT_TRUE(OnlyMessage(Seen(), WM_PAINT).empty());

    EXPECT_FALSE(ShowWindow(hWnd, SW_SHOWDEFAULT));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT(WM_PAINT)) << "shown again, it is invalid whole";
    const auto shows = OnlyMessage(Seen(), WM_SHOWWINDOW);
    ASSERT_EQ(shows.size(), 3u);
    EXPECT_EQ(shows[0].wParam, WPARAM(TRUE));
    EXPECT_EQ(shows[1].wParam, WPARAM(FALSE));
    EXPECT_EQ(shows[2].wParam, WPARAM(TRUE));
}

TEST_F(Win32Window, WindowDestroyedWhileBeingShownStaysGone)
{
    WNDCLASSEXA wc = ClassFor("QvGoesOnShow", [](HWND h, UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (msg == WM_SHOWWINDOW && wParam == TRUE) DestroyWindow(h);
        return RecordingProc(h, msg, wParam, lParam);
    });
    ASSERT_NE(RegisterClassExA(&wc), 0);
    for (int show : {SW_MINIMIZE, SW_RESTORE}) {
        HWND h = CreateWindowExA(0, "QvGoesOnShow", "x", 0, 0, 0, 64, 64, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(h, nullptr);
        EXPECT_FALSE(ShowWindow(h, show)) << show;
        EXPECT_EQ(QvWindowFromHwnd(h), nullptr) << show;
    }
    EXPECT_EQ(CreateWindowExA(0, "QvGoesOnShow", "x", WS_VISIBLE, 0, 0, 64, 64, nullptr, nullptr, nullptr, nullptr),
              nullptr) << "gone before CreateWindowExA returned";
}

TEST_F(Win32Window, CloseDestroysTheWindowAndDropsItsMessages)
{
    PostMessageA(hWnd, WM_CLOSE, 0, 0);
    PostMessageA(hWnd, WM_USER, 0, 0);
    auto taken = Drain();
    ASSERT_EQ(taken.size(), 2u) << "the WM_USER for the dead window is gone";
    EXPECT_EQ(taken[1].message, UINT(WM_QUIT));
    EXPECT_EQ(taken[1].wParam, WPARAM(7));
    ASSERT_EQ(Seen().size(), 2u);
    EXPECT_EQ(Seen()[1].message, UINT(WM_DESTROY));

    EXPECT_EQ(SendMessageA(hWnd, WM_USER, 0, 0), 0);
    EXPECT_FALSE(PostMessageA(hWnd, WM_USER, 0, 0));
    EXPECT_EQ(Seen().size(), 2u) << "a dead window's procedure is never called";
}

TEST_F(Win32Window, WindowManagerRequestsBecomeMessages)
{
    PushWindowEvent(hWnd, SDL_WINDOWEVENT_SIZE_CHANGED, 320, 200);
    PushWindowEvent(hWnd, SDL_WINDOWEVENT_MINIMIZED);
    PushWindowEvent(hWnd, SDL_WINDOWEVENT_CLOSE);
    SDL_Event quit{};
    quit.type = SDL_QUIT;  // SDL adds this when the last window is asked to close
    ASSERT_EQ(SDL_PushEvent(&quit), 1);
    auto taken = Drain();

    auto sizes = OnlyMessage(taken, WM_SIZE);
    ASSERT_EQ(sizes.size(), 2u);
    EXPECT_EQ(sizes[0].wParam, WPARAM(SIZE_RESTORED));
    EXPECT_EQ(sizes[0].lParam, LPARAM((200 << 16) | 320));
    EXPECT_EQ(sizes[1].wParam, WPARAM(SIZE_MINIMIZED));
    EXPECT_EQ(OnlyMessage(taken, WM_CLOSE).size(), 1u);
    EXPECT_EQ(OnlyMessage(Seen(), WM_DESTROY).size(), 1u);
}

TEST_F(Win32Window, AltF4ClosesButF4AloneDoesNot)
{
    QvPostKey(hWnd, VK_F4, TRUE);
    QvPostKey(hWnd, VK_F4, FALSE);
    Drain();
    EXPECT_NE(QvWindowFromHwnd(hWnd), nullptr);
    QvPostKey(hWnd, VK_MENU, TRUE);
    QvPostKey(hWnd, VK_F4, TRUE);
    Drain();
    EXPECT_EQ(OnlyMessage(Seen(), WM_CLOSE).size(), 1u);
    EXPECT_EQ(QvWindowFromHwnd(hWnd), nullptr);
}

TEST(Win32MessageBox, WithoutADisplayWritesCaptionAndText)
{
    // The suite runs with QV_HEADLESS=1, so even the automatic mode must not block.
    std::vector<std::string> seen;
    QvSetMessageBoxObserver([&](const char* caption, const char* text) {
        seen.push_back(std::string(caption) + "|" + text);
    });
    testing::internal::CaptureStderr();
    EXPECT_EQ(MessageBoxA(nullptr, "Could not find X file", "Load XMesh", MB_OK), IDOK);
    QvSetMessageBoxMode(QvMessageBoxMode::NonModal);
    EXPECT_EQ(MessageBoxA(nullptr, nullptr, nullptr, MB_OK | MB_ICONERROR), IDOK);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Load XMesh: Could not find X file\nError: \n");
    EXPECT_EQ(seen, (std::vector<std::string>{"Load XMesh|Could not find X file", "Error|"}));
    QvResetWin32();
}

TEST(Win32MessageBox, ObserverMayReplaceItselfAndResetDropsIt)
{
    int first = 0, second = 0;
    QvSetMessageBoxObserver([&](const char*, const char*) {
        ++first;
        QvSetMessageBoxObserver([&](const char*, const char*) { ++second; });
    });
    QvSetMessageBoxMode(QvMessageBoxMode::NonModal);
    testing::internal::CaptureStderr();
    EXPECT_EQ(MessageBoxA(nullptr, "one", "A", MB_OK), IDOK);
    EXPECT_EQ(MessageBoxA(nullptr, "two", "B", MB_OK), IDOK);
    QvResetWin32();
    EXPECT_EQ(MessageBoxA(nullptr, "three", "C", MB_OK), IDOK) << "Auto again, and headless: no box to wait for";
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "A: one\nB: two\nC: three\n");
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 1) << "the replacement heard the second box only; the reset dropped it";
}

}  // namespace
