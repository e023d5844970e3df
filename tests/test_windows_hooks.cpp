// The hooks over the real Windows: key feeding through the system's queue, the fake clock and
// message boxes reaching the program's own calls, and a device whose presented picture reads
// back, whose creation can be made to fail. Runs under Wine with an X display.
#include <gtest/gtest.h>

#include <windows.h>

#include <qv_d3d9.h>
#include <qv_win32.h>

#include <string>
#include <vector>

#include "test_windows_support.h"

namespace {

struct Message {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
std::vector<Message> g_seen;

LRESULT CALLBACK Record(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message >= WM_KEYFIRST && message <= WM_KEYLAST) g_seen.push_back({message, wParam, lParam});
    return DefWindowProcA(hWnd, message, wParam, lParam);
}

void Drain()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

}  // namespace

TEST(WindowsHooks, FedKeysArriveWithWindowsParameters)
{
    HWND hWnd = windowstest::MakeWindow("QvHookTest", Record);
    ASSERT_NE(hWnd, nullptr);
    g_seen.clear();
    EXPECT_TRUE(QvPostKey(hWnd, 'W', TRUE));
    EXPECT_TRUE(QvPostKey(hWnd, 'W', TRUE));  // held: a repeat
    EXPECT_TRUE(QvPostKey(hWnd, 'W', FALSE));
    EXPECT_TRUE(QvPostKey(hWnd, VK_MENU, TRUE));
    EXPECT_TRUE(QvPostKey(hWnd, 'X', TRUE));  // with Alt: a system key
    EXPECT_FALSE(QvPostKey(nullptr, 'W', TRUE));
    EXPECT_FALSE(QvPostKey(hWnd, 0x100, TRUE));
    Drain();
    ASSERT_EQ(g_seen.size(), 5u);
    EXPECT_EQ(g_seen[0].message, UINT(WM_KEYDOWN));
    EXPECT_EQ(g_seen[0].wParam, WPARAM('W'));
    EXPECT_EQ(DWORD(g_seen[0].lParam) & 0xC000FFFFu, 1u);      // count 1, was up, pressed
    EXPECT_EQ((DWORD(g_seen[0].lParam) >> 16) & 0xFF, 0x11u);  // W's scan code
    EXPECT_EQ(DWORD(g_seen[1].lParam) >> 30, 1u);              // a repeat: previously down
    EXPECT_EQ(g_seen[2].message, UINT(WM_KEYUP));
    EXPECT_EQ(DWORD(g_seen[2].lParam) >> 30, 3u);
    EXPECT_EQ(g_seen[3].message, UINT(WM_SYSKEYDOWN));
    EXPECT_EQ(g_seen[4].message, UINT(WM_SYSKEYDOWN));
    EXPECT_NE(DWORD(g_seen[4].lParam) & (1u << 29), 0u);  // context code: Alt held
    QvResetWin32();
    EXPECT_FALSE(IsWindow(hWnd));
}

TEST(WindowsHooks, FakeClockAndMessageBoxesReachTheProgramsCalls)
{
    QvFakeClock clock;
    clock.frequency = 1000;
    clock.counter = 12345;
    clock.tickCount = 777;
    clock.multimediaTime = 888;
    QvSetFakeClock(&clock);
    LARGE_INTEGER value;
    ASSERT_TRUE(QueryPerformanceFrequency(&value));
    EXPECT_EQ(value.QuadPart, 1000);
    ASSERT_TRUE(QueryPerformanceCounter(&value));
    EXPECT_EQ(value.QuadPart, 12345);
    EXPECT_EQ(GetTickCount(), 777u);
    EXPECT_EQ(timeGetTime(), 888u);
    clock.counterOk = FALSE;
    EXPECT_FALSE(QueryPerformanceCounter(&value));
    QvSetFakeClock(nullptr);
    ASSERT_TRUE(QueryPerformanceCounter(&value));
    EXPECT_NE(value.QuadPart, 12345);

    std::vector<std::string> boxes;
    QvSetMessageBoxMode(QvMessageBoxMode::NonModal);
    QvSetMessageBoxObserver([&](const char* caption, const char* text) { boxes.push_back(std::string(caption) + "|" + text); });
    EXPECT_EQ(MessageBoxA(nullptr, "Could not find X file", "Load XMesh", MB_OK), IDOK);
    EXPECT_EQ(MessageBoxA(nullptr, nullptr, nullptr, MB_OK), IDOK);
    EXPECT_EQ(boxes, (std::vector<std::string>{"Load XMesh|Could not find X file", "Error|"}));
    QvResetWin32();
}

TEST(WindowsHooks, PresentedPictureReadsBackAndCreationFailsOnRequest)
{
    D3DPRESENT_PARAMETERS pp = QvPresentParams(64, 32);
    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* device = nullptr;
    QvFailNextDeviceCreations(1);
    EXPECT_EQ(QvCreateStandaloneDevice(&pp, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &d3d, &device), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(d3d, nullptr);
    EXPECT_EQ(device, nullptr);
    pp = QvPresentParams(64, 32);
    HRESULT hr = QvCreateStandaloneDevice(&pp, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &d3d, &device);
    if (FAILED(hr)) GTEST_SKIP() << "no Direct3D device here (no X display?)";

    device->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(10, 200, 30), 1.0f, 0);
    device->Present(nullptr, nullptr, nullptr, nullptr);
    UINT w = 0, h = 0;
    ASSERT_EQ(QvReadBackBuffer(device, QV_BACKBUFFER_PRESENTED, nullptr, 0, &w, &h), D3D_OK);
    EXPECT_EQ(w, 64u);
    EXPECT_EQ(h, 32u);
    std::vector<DWORD> pixels(w * h);
    EXPECT_EQ(QvReadBackBuffer(device, QV_BACKBUFFER_PRESENTED, pixels.data(), 10, &w, &h), D3DERR_MOREDATA);
    ASSERT_EQ(QvReadBackBuffer(device, QV_BACKBUFFER_PRESENTED, pixels.data(), UINT(pixels.size()), &w, &h), D3D_OK);
    EXPECT_EQ(pixels.front(), 0xFF0AC81Eu);
    EXPECT_EQ(pixels.back(), 0xFF0AC81Eu);
    EXPECT_EQ(QvReadBackBuffer(nullptr, QV_BACKBUFFER_PRESENTED, nullptr, 0, &w, &h), D3DERR_INVALIDCALL);
    device->Release();
    d3d->Release();
}
