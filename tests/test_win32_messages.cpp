// Window classes, windows and the message queue of the Win32 subset, on a real SDL window.
#include "test_win32_support.h"

#include <string>

using namespace win32test;

namespace {

class Win32Window : public Win32Fixture {};

TEST_F(Win32Window, ClassesRegisterOnceAndLeaveOnlyWithoutWindows)
{
    WNDCLASSEXA wc = ClassFor("QvTestClass", RecordingProc);
    EXPECT_EQ(RegisterClassExA(&wc), 0) << "a second class of the same name";
    wc.lpszClassName = "qvtestclass";
    EXPECT_EQ(RegisterClassExA(&wc), 0) << "class names ignore case";

    WNDCLASSEXA bad = ClassFor("Other", RecordingProc);
    bad.cbSize = 48 + 1;
    EXPECT_EQ(RegisterClassExA(&bad), 0);
    bad = ClassFor("Other", nullptr);
    EXPECT_EQ(RegisterClassExA(&bad), 0);
    EXPECT_EQ(RegisterClassExA(nullptr), 0);

    EXPECT_EQ(CreateWindowExA(0, "NoSuchClass", "x", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr),
              nullptr);
    EXPECT_FALSE(UnregisterClassA("QvTestClass", GetModuleHandleA(nullptr))) << "its window still exists";
    EXPECT_TRUE(DestroyWindow(hWnd));
    EXPECT_TRUE(UnregisterClassA("QvTestClass", GetModuleHandleA(nullptr)));
    EXPECT_FALSE(UnregisterClassA("QvTestClass", GetModuleHandleA(nullptr)));
}

TEST_F(Win32Window, WindowIsAnOpenGlSdlWindowHiddenUntilShown)
{
    SDL_Window* sdl = QvWindowFromHwnd(hWnd);
    ASSERT_NE(sdl, nullptr);
    const Uint32 flags = SDL_GetWindowFlags(sdl);
    EXPECT_NE(flags & SDL_WINDOW_OPENGL, 0u);
    EXPECT_EQ(flags & SDL_WINDOW_SHOWN, 0u);
    EXPECT_EQ(flags & SDL_WINDOW_RESIZABLE, 0u) << "no sizing border was asked for";
    EXPECT_STREQ(SDL_GetWindowTitle(sdl), "test window");

    EXPECT_FALSE(ShowWindow(hWnd, SW_SHOWDEFAULT)) << "was hidden";
    EXPECT_NE(SDL_GetWindowFlags(sdl) & SDL_WINDOW_SHOWN, 0u);
    EXPECT_TRUE(ShowWindow(hWnd, SW_SHOWDEFAULT)) << "was visible";
    // The offscreen driver draws no frame, so the client area is the whole outer size.
    int w = 0, h = 0;
    SDL_GetWindowSize(sdl, &w, &h);
    EXPECT_EQ(w, 640);
    EXPECT_EQ(h, 480);

    EXPECT_TRUE(DestroyWindow(hWnd));
    EXPECT_EQ(QvWindowFromHwnd(hWnd), nullptr);
    EXPECT_FALSE(ShowWindow(hWnd, SW_SHOWDEFAULT));
    EXPECT_FALSE(DestroyWindow(hWnd));
}

TEST_F(Win32Window, ShownWindowIsPaintedOnceThenFramesCanRun)
{
    ShowWindow(hWnd, SW_SHOWDEFAULT);
    UpdateWindow(hWnd);
    auto paints = OnlyMessage(Seen(), WM_PAINT);
    ASSERT_EQ(paints.size(), 1u) << "UpdateWindow sends WM_PAINT straight to the procedure";
    MSG msg{};
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) << "default processing validated it";

    // Exposure invalidates again; the queue then hands out WM_PAINT until something validates.
    PushWindowEvent(hWnd, SDL_WINDOWEVENT_EXPOSED);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT(WM_PAINT));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT(WM_PAINT));
    EXPECT_TRUE(ValidateRect(hWnd, nullptr));
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(Win32Window, QueueHandsOutPostedMessagesInOrderThenQuit)
{
    PostQuitMessage(3);
    ASSERT_TRUE(PostMessageA(hWnd, WM_USER, 1, 10));
    ASSERT_TRUE(PostMessageA(nullptr, WM_USER + 1, 2, 20));
    ASSERT_TRUE(PostMessageA(hWnd, WM_USER + 2, 3, 30));

    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.message, UINT(WM_USER)) << "not removed: still first";
    ASSERT_TRUE(PeekMessageA(&msg, hWnd, WM_USER + 2, WM_USER + 2, PM_REMOVE));
    EXPECT_EQ(msg.wParam, WPARAM(3)) << "window and range filters";

    auto taken = Drain();
    ASSERT_EQ(taken.size(), 3u);
    EXPECT_EQ(taken[0].message, UINT(WM_USER));
    EXPECT_EQ(taken[0].hwnd, hWnd);
    EXPECT_EQ(taken[0].lParam, 10);
    EXPECT_EQ(taken[1].message, UINT(WM_USER + 1));
    EXPECT_EQ(taken[1].hwnd, nullptr);
    EXPECT_EQ(taken[2].message, UINT(WM_QUIT)) << "quit comes after every posted message";
    EXPECT_EQ(taken[2].wParam, WPARAM(3));
    EXPECT_EQ(OnlyMessage(Seen(), WM_USER).size(), 1u) << "dispatched to the window's procedure";
    EXPECT_EQ(OnlyMessage(Seen(), WM_USER + 1).size(), 0u) << "thread messages have no procedure";

    EXPECT_FALSE(PeekMessageA(nullptr, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(DispatchMessageA(nullptr), 0);
}

TEST_F(Win32Window, QuitIsNotTakenThroughAWindowFilter)
{
    PostQuitMessage(0);
    MSG msg{};
    EXPECT_FALSE(PeekMessageA(&msg, hWnd, 0, 0, PM_REMOVE));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_REMOVE)) << "but ignores the range";
    EXPECT_EQ(msg.message, UINT(WM_QUIT));
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) << "taken once";
}

TEST_F(Win32Window, CloseDestroysTheWindowAndDropsItsMessages)
{
    PostMessageA(hWnd, WM_USER, 0, 0);
    EXPECT_EQ(SendMessageA(hWnd, WM_CLOSE, 0, 0), 0);

    ASSERT_EQ(Seen().size(), 2u);
    EXPECT_EQ(Seen()[0].message, UINT(WM_CLOSE));
    EXPECT_EQ(Seen()[1].message, UINT(WM_DESTROY));
    EXPECT_EQ(QvWindowFromHwnd(hWnd), nullptr);

    auto taken = Drain();
    ASSERT_EQ(taken.size(), 1u) << "the WM_USER for the dead window is gone";
    EXPECT_EQ(taken[0].message, UINT(WM_QUIT));
    EXPECT_EQ(taken[0].wParam, WPARAM(7));

    EXPECT_EQ(SendMessageA(hWnd, WM_USER, 0, 0), 0);
    EXPECT_FALSE(PostMessageA(hWnd, WM_USER, 0, 0));
    EXPECT_EQ(Seen().size(), 2u) << "a dead window's procedure is never called";
}

TEST_F(Win32Window, WindowManagerRequestsBecomeMessages)
{
    PushWindowEvent(hWnd, SDL_WINDOWEVENT_SIZE_CHANGED, 320, 200);
    PushWindowEvent(hWnd, SDL_WINDOWEVENT_MINIMIZED);
    PushWindowEvent(hWnd, SDL_WINDOWEVENT_CLOSE);
    auto taken = Drain();

    auto sizes = OnlyMessage(taken, WM_SIZE);
    ASSERT_EQ(sizes.size(), 2u);
    EXPECT_EQ(sizes[0].wParam, WPARAM(SIZE_RESTORED));
    EXPECT_EQ(sizes[0].lParam, LPARAM((200 << 16) | 320));
    EXPECT_EQ(sizes[1].wParam, WPARAM(SIZE_MINIMIZED));
    ASSERT_EQ(OnlyMessage(taken, WM_CLOSE).size(), 1u);
    EXPECT_EQ(OnlyMessage(Seen(), WM_DESTROY).size(), 1u);
    EXPECT_EQ(OnlyMessage(taken, WM_QUIT).size(), 1u);
}

TEST_F(Win32Window, ProcessQuitClosesEveryWindowOnce)
{
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    PushWindowEvent(hWnd, SDL_WINDOWEVENT_CLOSE);  // the last window's close brings SDL_QUIT too
    ASSERT_EQ(SDL_PushEvent(&quit), 1);
    auto taken = Drain();
    EXPECT_EQ(OnlyMessage(taken, WM_CLOSE).size(), 1u);
    EXPECT_EQ(OnlyMessage(Seen(), WM_DESTROY).size(), 1u);
}

TEST_F(Win32Window, AltF4ClosesThroughDefaultProcessing)
{
    EXPECT_TRUE(QvPostKey(hWnd, VK_MENU, TRUE));
    EXPECT_TRUE(QvPostKey(hWnd, VK_F4, TRUE));
    auto taken = Drain();
    EXPECT_EQ(OnlyMessage(Seen(), WM_CLOSE).size(), 1u);
    EXPECT_EQ(QvWindowFromHwnd(hWnd), nullptr);
}

TEST_F(Win32Window, F4AloneIsAnOrdinaryKey)
{
    QvPostKey(hWnd, VK_F4, TRUE);
    Drain();
    EXPECT_NE(QvWindowFromHwnd(hWnd), nullptr);
}

class Win32MessageBox : public ::testing::Test {
protected:
    void TearDown() override { QvResetWin32(); }
};

TEST_F(Win32MessageBox, NonModalBoxWritesCaptionAndTextAndAnswersOk)
{
    std::vector<std::string> seen;
    QvSetMessageBoxMode(QvMessageBoxMode::NonModal);
    QvSetMessageBoxObserver([&](const char* caption, const char* text) {
        seen.push_back(std::string(caption) + "|" + text);
    });
    testing::internal::CaptureStderr();
    EXPECT_EQ(MessageBoxA(nullptr, "Could not find X file", "Load XMesh", MB_OK), IDOK);
    EXPECT_EQ(MessageBoxA(nullptr, nullptr, nullptr, MB_OK | MB_ICONERROR), IDOK);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err, "Load XMesh: Could not find X file\nError: \n");
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], "Load XMesh|Could not find X file");
    EXPECT_EQ(seen[1], "Error|");
}

TEST_F(Win32MessageBox, NoDisplayMeansNoModalBox)
{
    // The suite runs under the offscreen driver with QV_HEADLESS=1: the automatic mode must not
    // block on a box nobody can see.
    testing::internal::CaptureStderr();
    EXPECT_EQ(MessageBoxA(nullptr, "D3D9 Device not found", "fail!ENGINE", MB_OK), IDOK);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "fail!ENGINE: D3D9 Device not found\n");
}

TEST(Win32Clock, FakeClockStandsInForEveryClock)
{
    QvFakeClock clock;
    clock.frequency = 1000;
    clock.counter = 123;
    clock.tickCount = 55;
    clock.multimediaTime = 66;
    QvSetFakeClock(&clock);
    LARGE_INTEGER li;
    EXPECT_TRUE(QueryPerformanceFrequency(&li));
    EXPECT_EQ(li.QuadPart, 1000);
    EXPECT_TRUE(QueryPerformanceCounter(&li));
    EXPECT_EQ(li.QuadPart, 123);
    EXPECT_EQ(GetTickCount(), 55u);
    EXPECT_EQ(timeGetTime(), 66u);
    clock.frequencyOk = FALSE;
    EXPECT_FALSE(QueryPerformanceFrequency(&li));
    EXPECT_FALSE(QueryPerformanceFrequency(nullptr));

    QvSetFakeClock(nullptr);
    EXPECT_TRUE(QueryPerformanceFrequency(&li));
    EXPECT_GT(li.QuadPart, 0);
    LARGE_INTEGER a, b;
    QueryPerformanceCounter(&a);
    QueryPerformanceCounter(&b);
    EXPECT_LE(a.QuadPart, b.QuadPart);
}

}  // namespace
