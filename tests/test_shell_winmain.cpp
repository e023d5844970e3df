// WinMain end to end on a real window, with device set-up, game set-up and the frame stood in
// for by this file, so that the start-up order, the loop and the close roads can be watched.
#include "test_win32_support.h"

#include <cstring>
#include <functional>
#include <string>

#include "app/engine.h"
#include "game/game.h"

using namespace win32test;

namespace {

struct StandIns {
    HRESULT deviceResult = S_OK;
    int deviceCalls = 0;
    int gameCalls = 0;
    int frames = 0;
    bool hiddenDuringSetUp = true;
    bool shownDuringFrames = true;
    std::function<void()> onInitGame;
    std::function<void(int frame)> onFrame;
};
StandIns g_run;

bool Visible()
{
    SDL_Window* w = QvWindowFromHwnd(g_hWnd);
    return w != nullptr && (SDL_GetWindowFlags(w) & SDL_WINDOW_SHOWN) != 0;
}

}  // namespace

HRESULT CD3DEngine::InitD3D()
{
    ++g_run.deviceCalls;
    g_run.hiddenDuringSetUp = g_run.hiddenDuringSetUp && QvWindowFromHwnd(g_hWnd) != nullptr && !Visible();
    return g_run.deviceResult;
}

void InitGame()
{
    ++g_run.gameCalls;
    g_run.hiddenDuringSetUp = g_run.hiddenDuringSetUp && !Visible();
    if (g_run.onInitGame) {
        g_run.onInitGame();
    }
}

void GameFrame()
{
    ++g_run.frames;
    g_run.shownDuringFrames = g_run.shownDuringFrames && Visible();
    if (g_run.onFrame) {
        g_run.onFrame(g_run.frames);
    }
}

namespace {

class ShellWinMain : public ::testing::Test {
protected:
    void SetUp() override
    {
        QvResetWin32();
        QvSetMessageBoxMode(QvMessageBoxMode::NonModal);
        g_run = StandIns{};
        g_quitRequested = 0;
        std::memset(g_engine.keyboard.keys, 0, sizeof g_engine.keyboard.keys);
    }
    void TearDown() override
    {
        QvResetWin32();
        g_quitRequested = 0;
        std::memset(g_engine.keyboard.keys, 0, sizeof g_engine.keyboard.keys);
    }

    int RunWinMain()
    {
        static char commandLine[] = "";
        return WinMain(GetModuleHandleA(nullptr), nullptr, commandLine, SW_HIDE);
    }
};

TEST_F(ShellWinMain, QuitRequestClosesAfterThatFrameWithExitCodeZero)
{
    std::string title;
    int clientW = 0, clientH = 0;
    g_run.onFrame = [&](int frame) {
        if (frame == 1) {
            title = SDL_GetWindowTitle(QvWindowFromHwnd(g_hWnd));
            SDL_GetWindowSize(QvWindowFromHwnd(g_hWnd), &clientW, &clientH);
        }
        if (frame == 3) {
            g_quitRequested = 1;
        }
    };
    EXPECT_EQ(RunWinMain(), 0);
    EXPECT_EQ(g_run.deviceCalls, 1);
    EXPECT_EQ(g_run.gameCalls, 1);
    EXPECT_EQ(g_run.frames, 3) << "the close request follows the very frame that asked";
    EXPECT_TRUE(g_run.hiddenDuringSetUp);
    EXPECT_TRUE(g_run.shownDuringFrames);
    EXPECT_EQ(title, "Quorvel D3D U 01: ;)");
    EXPECT_EQ(clientW, 640);
    EXPECT_EQ(clientH, 480);
    EXPECT_EQ(QvWindowFromHwnd(g_hWnd), nullptr) << "destroyed on the way out";
    EXPECT_FALSE(UnregisterClassA("QuorvelD3D", GetModuleHandleA(nullptr))) << "already unregistered";
}

TEST_F(ShellWinMain, CloseButtonTakesTheSameRoad)
{
    g_run.onFrame = [](int frame) {
        if (frame == 2) {
            PushWindowEvent(g_hWnd, SDL_WINDOWEVENT_CLOSE);
        }
    };
    EXPECT_EQ(RunWinMain(), 0);
    EXPECT_EQ(g_run.frames, 2);
    EXPECT_EQ(QvWindowFromHwnd(g_hWnd), nullptr);
}

TEST_F(ShellWinMain, QueuedMessagesAreTakenBeforeTheNextFrame)
{
    BYTE wAtFirstFrame = 0;
    BYTE sAtSecondFrame = 1;
    g_run.onInitGame = [] { QvPostKey(g_hWnd, 'W', TRUE); };
    g_run.onFrame = [&](int frame) {
        if (frame == 1) {
            wAtFirstFrame = g_engine.keyboard.keys['W'];
            for (int i = 0; i < 20; ++i) {
                QvPostKey(g_hWnd, 'S', TRUE);  // a burst of auto-repeats, then the release
            }
            QvPostKey(g_hWnd, 'S', FALSE);
        } else if (frame == 2) {
            sAtSecondFrame = g_engine.keyboard.keys['S'];
            g_quitRequested = 1;
        }
    };
    EXPECT_EQ(RunWinMain(), 0);
    EXPECT_EQ(wAtFirstFrame, 1) << "a key pressed during set-up is in the table by the first frame";
    EXPECT_EQ(sAtSecondFrame, 0) << "the whole burst went through between two frames";
    EXPECT_EQ(g_run.frames, 2);
}

TEST_F(ShellWinMain, DeviceFailureNeverShowsTheWindowAndExitsNonZero)
{
    g_run.deviceResult = E_FAIL;
    EXPECT_EQ(RunWinMain(), 1);
    EXPECT_EQ(g_run.deviceCalls, 1);
    EXPECT_EQ(g_run.gameCalls, 0);
    EXPECT_EQ(g_run.frames, 0);
    EXPECT_FALSE(Visible());
    EXPECT_NE(QvWindowFromHwnd(g_hWnd), nullptr) << "left to end with the process";
}

}  // namespace
