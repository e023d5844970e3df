// The engine object and the window procedure: the key-state table and the close road.
#include "test_win32_support.h"

#include <cstring>
#include <memory>

#include "app/engine.h"

using namespace win32test;

namespace {

TEST(ShellEngine, ConstructionSetsScreenCameraAndClearsKeys)
{
    // A heap engine starts from garbage, so this checks what the constructor itself sets.
    alignas(CD3DEngine) unsigned char storage[sizeof(CD3DEngine)];
    std::memset(storage, 0xAB, sizeof storage);
    CD3DEngine* e = new (storage) CD3DEngine;
    EXPECT_EQ(e->screen.width, 640);
    EXPECT_EQ(e->screen.height, 480);
    EXPECT_EQ(e->screen.backBufferFormat, D3DFMT_X8R8G8B8);
    EXPECT_FALSE(e->screen.fullScreen);
    EXPECT_EQ(e->screen.backBufferCount, 2u);
    EXPECT_EQ(e->screen.refreshRate, 0u);
    for (BYTE k : e->keyboard.keys) {
        ASSERT_EQ(k, 0);
    }
    EXPECT_EQ(e->camera.position, D3DXVECTOR3(0.0f, 0.0f, -40.0f));
    EXPECT_EQ(e->fps.windowStart, 0.0);
    EXPECT_EQ(e->labels, nullptr);
    EXPECT_EQ(e->backgroundColor, 0u);
    e->~CD3DEngine();
}

// A window of a class using the game's window procedure.
class ShellWndProc : public ::testing::Test {
protected:
    void SetUp() override
    {
        QvResetWin32();
        QvSetMessageBoxMode(QvMessageBoxMode::NonModal);
        std::memset(g_engine.keyboard.keys, 0, sizeof g_engine.keyboard.keys);
        WNDCLASSEXA wc = ClassFor("QuorvelD3D", WndProc);
        ASSERT_NE(RegisterClassExA(&wc), 0);
        hWnd = CreateWindowExA(0, "QuorvelD3D", "Quorvel D3D U 01: ;)", WS_SYSMENU | WS_MINIMIZEBOX, 0, 0,
                               640, 480, nullptr, nullptr, wc.hInstance, nullptr);
        ASSERT_NE(hWnd, nullptr);
        Drain();
    }
    void TearDown() override
    {
        QvResetWin32();
        std::memset(g_engine.keyboard.keys, 0, sizeof g_engine.keyboard.keys);
    }

    BYTE Key(int vk) const { return g_engine.keyboard.keys[vk]; }

    HWND hWnd = nullptr;
};

TEST_F(ShellWndProc, KeyDownRepeatAndUpDriveTheTable)
{
    QvPostKey(hWnd, 'W', TRUE);
    Drain();
    EXPECT_EQ(Key('W'), 1);
    QvPostKey(hWnd, 'W', TRUE);
    QvPostKey(hWnd, 'W', TRUE);
    Drain();
    EXPECT_EQ(Key('W'), 1) << "auto-repeat leaves the entry at 1";
    QvPostKey(hWnd, 'W', FALSE);
    Drain();
    EXPECT_EQ(Key('W'), 0);

    // Straight from SDL, as a keyboard delivers them.
    PushKey(hWnd, SDL_SCANCODE_ESCAPE, SDLK_ESCAPE, KMOD_NONE, true);
    Drain();
    EXPECT_EQ(Key(VK_ESCAPE), 1);
}

TEST_F(ShellWndProc, SystemKeysLeaveTheTableAlone)
{
    QvPostKey(hWnd, VK_F10, TRUE);
    QvPostKey(hWnd, VK_MENU, TRUE);
    QvPostKey(hWnd, 'D', TRUE);
    Drain();
    EXPECT_EQ(Key(VK_F10), 0);
    EXPECT_EQ(Key(VK_MENU), 0);
    EXPECT_EQ(Key('D'), 0);
}

TEST_F(ShellWndProc, OutOfRangeCodesAreIgnored)
{
    BYTE before[256];
    std::memcpy(before, g_engine.keyboard.keys, sizeof before);
    for (WPARAM code : {WPARAM(256), WPARAM(0x1000), ~WPARAM(0)}) {
        EXPECT_EQ(WndProc(hWnd, WM_KEYDOWN, code, 0), 0);
        EXPECT_EQ(WndProc(hWnd, WM_KEYUP, code, 0), 0);
    }
    EXPECT_EQ(std::memcmp(before, g_engine.keyboard.keys, sizeof before), 0);

    EXPECT_EQ(WndProc(hWnd, WM_KEYDOWN, 255, 0), 0);
    EXPECT_EQ(Key(255), 1) << "the last entry is still a key";
}

TEST_F(ShellWndProc, SizeValidatesWithoutDefaultProcessing)
{
    ShowWindow(hWnd, SW_SHOWDEFAULT);  // leaves the window waiting to be painted
    EXPECT_EQ(WndProc(hWnd, WM_SIZE, SIZE_MINIMIZED, 0), 0);
    MSG msg{};
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) << "no WM_PAINT left to take";
    EXPECT_NE(QvWindowFromHwnd(hWnd), nullptr);
}

}  // namespace
