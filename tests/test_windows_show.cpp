// The game's window on the real Windows (QvSetWindowShow): F11 and Alt+Enter in and out of full
// screen without reaching the window's procedure, the window put back as it was, its size at the
// monitor's DPI or the scale asked for, and Present keeping the picture's shape in a client area
// of another. Runs under Wine with an X display; QV_EXPECT_DPI names the DPI the prefix is set to
// (test_windows_show_dpi.sh runs the DPI case again at 192).
#include <gtest/gtest.h>

#include <windows.h>

#include <qv_d3d9.h>
#include <qv_win32.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "platform/windows/qv_win32_windows.h"

namespace {

std::vector<std::pair<UINT, WPARAM>> g_seen;  // key, character and system-command messages

LRESULT CALLBACK Record(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if ((message >= WM_KEYFIRST && message <= WM_KEYLAST) || message == WM_SYSCOMMAND) g_seen.push_back({message, wParam});
    return DefWindowProcA(hWnd, message, wParam, lParam);
}

// The game's own window: its style and outer size.
HWND GameWindow()
{
    WNDCLASSEXA wc = {sizeof wc, CS_CLASSDC, Record, 0, 0, GetModuleHandleA(nullptr), nullptr, nullptr, nullptr, nullptr,
                      "QvShowTest", nullptr};
    RegisterClassExA(&wc);
    return CreateWindowExA(0, wc.lpszClassName, "show", WS_SYSMENU | WS_MINIMIZEBOX, 0, 0, 640, 480, nullptr, nullptr,
                           wc.hInstance, nullptr);
}

void Drain()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void Keys(HWND hWnd, std::initializer_list<std::pair<UINT, BOOL>> keys)
{
    for (const auto& [key, down] : keys) ASSERT_TRUE(QvPostKey(hWnd, key, down));
    Drain();
}

std::vector<LONG> Rect(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

std::vector<LONG> WindowRect(HWND hWnd)
{
    RECT r{};
    GetWindowRect(hWnd, &r);
    return Rect(r);
}

std::vector<LONG> MonitorRect(HWND hWnd)
{
    MONITORINFO info{};
    info.cbSize = sizeof info;
    GetMonitorInfoA(MonitorFromWindow(hWnd, MONITOR_DEFAULTTONEAREST), &info);
    return Rect(info.rcMonitor);
}

std::vector<LONG> Size(HWND hWnd)
{
    const std::vector<LONG> r = WindowRect(hWnd);
    return {r[2] - r[0], r[3] - r[1]};
}

// The outer size a window asking for `width` x `height` gets: Windows makes none larger than
// the screen and its frame (Xvfb's screen here may be smaller than 1280 x 960).
std::vector<LONG> Fit(int width, int height)
{
    return {std::min(width, GetSystemMetrics(SM_CXMAXTRACK)), std::min(height, GetSystemMetrics(SM_CYMAXTRACK))};
}

class WindowsShow : public ::testing::Test {
protected:
    void TearDown() override { QvResetWin32(); }
};

}  // namespace

TEST_F(WindowsShow, FullScreenKeysSwitchAndNeverReachTheWindow)
{
    QvSetWindowShow(1, false);
    HWND hWnd = GameWindow();
    ASSERT_NE(hWnd, nullptr);
    ShowWindow(hWnd, SW_SHOWNORMAL);
    SetWindowPos(hWnd, nullptr, 30, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    const std::vector<LONG> windowed = WindowRect(hWnd);
    const LONG_PTR style = GetWindowLongPtrA(hWnd, GWL_STYLE);
    EXPECT_EQ(Size(hWnd), Fit(640, 480));
    Drain();
    g_seen.clear();

    // F11 held: one switch however long it repeats; a visible window without its frame.
    Keys(hWnd, {{'W', TRUE}, {VK_F11, TRUE}, {VK_F11, TRUE}, {VK_F11, TRUE}, {VK_F11, FALSE}, {'W', FALSE}});
    EXPECT_TRUE(QvIsWindowFullscreen(hWnd));
    EXPECT_EQ(WindowRect(hWnd), MonitorRect(hWnd));
    EXPECT_EQ(GetWindowLongPtrA(hWnd, GWL_STYLE) & (WS_CAPTION | WS_POPUP | WS_VISIBLE), WS_POPUP | WS_VISIBLE);

    // Alt+Enter back, Enter let go before Alt, then in and out with Alt let go first.
    Keys(hWnd, {{VK_MENU, TRUE}, {VK_RETURN, TRUE}, {VK_RETURN, FALSE}, {VK_MENU, FALSE}});
    EXPECT_FALSE(QvIsWindowFullscreen(hWnd));
    EXPECT_EQ(WindowRect(hWnd), windowed);
    EXPECT_EQ(GetWindowLongPtrA(hWnd, GWL_STYLE), style);
    Keys(hWnd, {{VK_MENU, TRUE}, {VK_RETURN, TRUE}, {VK_MENU, FALSE}, {VK_RETURN, FALSE}});
    EXPECT_TRUE(QvIsWindowFullscreen(hWnd));
    Keys(hWnd, {{VK_F11, TRUE}, {VK_F11, FALSE}});
    EXPECT_EQ(WindowRect(hWnd), windowed);

    // Enter alone, Ctrl+Alt+Enter (AltGr) and Escape are the game's.
    Keys(hWnd, {{VK_RETURN, TRUE}, {VK_RETURN, FALSE}, {VK_CONTROL, TRUE}, {VK_MENU, TRUE}, {VK_RETURN, TRUE},
                {VK_RETURN, FALSE}, {VK_MENU, FALSE}, {VK_CONTROL, FALSE}, {VK_ESCAPE, TRUE}});
    EXPECT_FALSE(QvIsWindowFullscreen(hWnd));
    std::vector<WPARAM> downs;
    for (const auto& [message, wParam] : g_seen) {
        EXPECT_NE(wParam, WPARAM(VK_F11)) << "message " << message;
        EXPECT_NE(message, UINT(WM_SYSCHAR));     // Alt+Enter's character: the menu's beep
        EXPECT_NE(message, UINT(WM_SYSCOMMAND));  // Alt let go after Alt+Enter opens no menu
        if (message == WM_KEYDOWN) downs.push_back(wParam);
    }
    EXPECT_EQ(downs, (std::vector<WPARAM>{'W', VK_RETURN, VK_CONTROL, VK_MENU, VK_RETURN, VK_ESCAPE}));
}

TEST_F(WindowsShow, OpensScaledOrInFullScreenAndLeavesToItsSize)
{
    QvSetWindowShow(2, false);
    EXPECT_EQ(Size(GameWindow()), Fit(1280, 960));
    QvSetWindowShow(3, true);
    HWND hWnd = GameWindow();
    ShowWindow(hWnd, SW_SHOWNORMAL);
    EXPECT_EQ(WindowRect(hWnd), MonitorRect(hWnd));
    Keys(hWnd, {{VK_F11, TRUE}, {VK_F11, FALSE}});
    EXPECT_EQ(Size(hWnd), Fit(1920, 1440));
    EXPECT_NE(GetWindowLongPtrA(hWnd, GWL_STYLE) & WS_CAPTION, 0);

    // Plain windows again after the reset.
    QvResetWin32();
    hWnd = GameWindow();
    EXPECT_EQ(Size(hWnd), Fit(640, 480));
    Keys(hWnd, {{VK_F11, TRUE}});
    EXPECT_FALSE(QvIsWindowFullscreen(hWnd));
}

TEST_F(WindowsShow, OpensAtTheMonitorsScale)
{
    QvSetWindowShow(0, false);
    HWND hWnd = GameWindow();
    ASSERT_NE(hWnd, nullptr);
    const UINT dpi = GetDpiForWindow(hWnd);
    if (const char* expected = std::getenv("QV_EXPECT_DPI")) {
        EXPECT_EQ(dpi, UINT(std::atoi(expected)));
    }
    EXPECT_EQ(Size(hWnd), Fit(MulDiv(640, int(dpi), 96), MulDiv(480, int(dpi), 96)));

    // A monitor of another scale: the window takes the rectangle Windows suggests for it.
    RECT suggested{10, 20, 10 + 960, 20 + 720};
    SendMessageA(hWnd, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(WindowRect(hWnd), Rect(suggested));
}

TEST_F(WindowsShow, PresentKeepsThePicturesShapeWithBlackBars)
{
    QvSetWindowShow(1, false);
    HWND hWnd = GameWindow();
    ShowWindow(hWnd, SW_SHOWNORMAL);
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    D3DPRESENT_PARAMETERS pp = QvPresentParams(64, 48);
    IDirect3DDevice9* device = nullptr;
    if (d3d == nullptr || FAILED(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, hWnd, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp,
                                 &device))) {
        if (d3d != nullptr) d3d->Release();
        GTEST_SKIP() << "no Direct3D device here (no X display?)";
    }

    // A client area wider than the picture's shape, then one taller: the picture in the middle,
    // each time without a Reset. (Wine's GDI reads a window Direct3D draws in as black
    // throughout, so the bars' colour is seen only on the screen.)
    struct Case {
        int width, height;
        RECT shown;
    };
    for (const Case& c : {Case{480, 180, {120, 0, 360, 180}}, Case{300, 600, {0, 187, 300, 412}}}) {
        RECT outer{0, 0, c.width, c.height};
        AdjustWindowRectEx(&outer, DWORD(GetWindowLongPtrA(hWnd, GWL_STYLE)), FALSE, 0);
        SetWindowPos(hWnd, HWND_TOP, 0, 0, outer.right - outer.left, outer.bottom - outer.top, SWP_NOMOVE);
        Drain();
        RECT client{};
        GetClientRect(hWnd, &client);
        ASSERT_EQ(Rect(client), (std::vector<LONG>{0, 0, c.width, c.height}));
        ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(250, 250, 250), 1.0f, 0), D3D_OK);
        ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
        EXPECT_EQ(Rect(QvLastPresentRect()), Rect(c.shown)) << c.width << " x " << c.height;
    }
    EXPECT_EQ(device->TestCooperativeLevel(), D3D_OK);
    // The caller's own destination still goes where it says.
    const RECT dest{0, 0, 300, 600};
    EXPECT_EQ(device->Present(nullptr, &dest, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(Rect(QvLastPresentRect()), Rect(dest));
    device->Release();
    d3d->Release();
}
