// The frame and the set-up as the device sees them: the order of the frame's calls, the map's
// 576 draws, the tanks and bullets after it, and the set-up's loads and light states.
#include "test_game_fixture.h"

#include "app/timer.h"
#include "render/xobject.h"

#include <qv_win32.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace {

const DWORD kWorld = 256;  // D3DTS_WORLD

std::vector<D3DMATRIX> WorldTransforms(const RecordingDevice& device) {
    std::vector<D3DMATRIX> worlds;
    for (const RecordedCall& call : device.Calls("SetTransform"))
        if (call.u(0) == kWorld) worlds.push_back(call.matrix);
    return worlds;
}

}  // namespace

using Frame = GameWorldTest;

TEST_F(Frame, ClearsDrawsMapTanksAndBulletsThenPresents) {
    Hold('A');
    Hold(VK_SPACE);
    GameFrame();

    const std::vector<RecordedCall>& calls = device_.calls();
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(calls[0].name, "Clear");
    EXPECT_EQ(calls[0].u(0), 0u);
    EXPECT_EQ(calls[0].u(2), 3u);  // target and depth
    EXPECT_EQ(calls[0].u(3), 0u);  // the engine's black
    EXPECT_EQ(calls[0].f(4), 1.0f);
    EXPECT_EQ(calls[1].name, "BeginScene");
    EXPECT_EQ(calls[calls.size() - 2].name, "EndScene");
    EXPECT_EQ(calls.back().name, "Present");
    EXPECT_EQ(device_.Count("Present"), 1u);

    // Every mesh draw sets its world transform; the map's come first, y outer and x inner, then
    // the four tanks, then the one bullet. The scene pass's own transforms come before them all.
    std::vector<D3DMATRIX> worlds = WorldTransforms(device_);
    ASSERT_GE(worlds.size(), 576u + 4u + 1u);
    size_t first = worlds.size() - (576 + 4 + 1);
    for (int iy = 0; iy < 24; ++iy) {
        for (int ix = 0; ix < 24; ++ix) {
            const D3DMATRIX& m = worlds[first + iy * 24 + ix];
            ASSERT_EQ(m._41, -300.0f + 25.0f * ix);
            ASSERT_EQ(m._42, -300.0f + 25.0f * iy);
            ASSERT_EQ(m._43, 0.0f);
        }
    }
    for (int i = 0; i < kTankCount; ++i) {
        const D3DMATRIX& m = worlds[first + 576 + i];
        EXPECT_EQ(m._41, g_tanks[i].position.x) << i;
        EXPECT_EQ(m._42, g_tanks[i].position.y) << i;
    }
    EXPECT_EQ(worlds.back()._41, -3.0f);  // the bullet, already moved once
}

// Each drawn cell moves the piece of its code there; what a piece holds after the map is the
// last cell drawn with it, y outer and x inner.
TEST_F(Frame, MapMovesThePieceOfEachCellsCode) {
    ClearGrid();
    g_tileGrid->SetCode(21, 22, 3);
    g_tileGrid->SetCode(5, 23, 3);   // a later row, though further left
    g_tileGrid->SetCode(2, 3, 5);
    g_tileGrid->SetCode(30, 2, 4);   // never drawn
    g_tileGrid->SetCode(23, 23, 7);  // not a tile code: drawn with piece 0
    const D3DXVECTOR3 untouched(1.0e6f, 1.0e6f, 1.0e6f);
    for (CXObject& piece : g_pieceModels) piece.position = untouched;
    g_pieceModels[3].rotation = D3DXVECTOR3(1.0f, 2.0f, 3.0f);

    DrawMap();

    EXPECT_EQ(g_pieceModels[0].position, D3DXVECTOR3(275.0f, 275.0f, 0.0f));
    EXPECT_EQ(g_pieceModels[1].position, untouched);
    EXPECT_EQ(g_pieceModels[2].position, untouched);
    EXPECT_EQ(g_pieceModels[3].position, D3DXVECTOR3(-175.0f, 275.0f, 0.0f));
    EXPECT_EQ(g_pieceModels[3].rotation, D3DXVECTOR3(1.0f, 2.0f, 3.0f));
    EXPECT_EQ(g_pieceModels[4].position, untouched);
    EXPECT_EQ(g_pieceModels[5].position, D3DXVECTOR3(-250.0f, -225.0f, 0.0f));
    EXPECT_EQ(WorldTransforms(device_).size(), 576u);
    g_pieceModels[3].rotation = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
}

TEST_F(Frame, SpeedFactorIsTheFramesSecondsTimesFifty) {
    QvFakeClock clock;
    QvSetFakeClock(&clock);
    EngineTimerForget();
    EngineTimer(TIMER_RESET);
    clock.counter += clock.frequency / 25;  // 0.04 s
    GameFrame();
    QvSetFakeClock(nullptr);
    EngineTimerForget();
    EXPECT_EQ(g_engine.fps.speedFactor, static_cast<double>(0.04f) * 50.0);
}

// Set-up loads its models in a fixed order; in a directory without them every load reports
// itself, which shows the order.
TEST_F(Frame, SetUpLoadsInOrderThenSetsTheLight) {
    namespace fs = std::filesystem;
    // A name of its own: other runs of this suite may share the temporary directory.
    std::random_device random;
    fs::path dir;
    for (int tries = 0; tries < 100 && dir.empty(); ++tries) {
        const fs::path candidate = fs::temp_directory_path() / ("qv-game-" + std::to_string(random()));
        std::error_code error;
        if (fs::create_directory(candidate, error)) dir = candidate;
    }
    ASSERT_FALSE(dir.empty());
    const fs::path inner = dir / "run";
    ASSERT_TRUE(fs::create_directories(inner));
    const fs::path saved = fs::current_path();
    fs::current_path(inner);

    std::vector<std::string> paths;
    QvSetMessageBoxMode(QvMessageBoxMode::NonModal);
    QvSetMessageBoxObserver([&](const char* caption, const char* text) {
        if (std::string(caption) == "Load XMesh" && std::string(text) != "Could not find X file")
            paths.push_back(text);
    });
    g_randomState = 1;
    InitGame();
    QvSetMessageBoxObserver({});
    fs::current_path(saved);
    fs::remove_all(dir);

    EXPECT_EQ(paths, (std::vector<std::string>{
                         "Models/lpice0.x", "Models/lpice1.x", "Models/lpice2.x", "Models/lpice3.x",
                         "Models/lpice4.x", "Models/lpice5.x", "Models/tank0.x", "Models/tank0.x",
                         "Models/tank1.x", "Models/tank2.x", "Models/tank3.x", "Models/bullet1.x"}));

    const std::vector<RecordedCall>& calls = device_.calls();
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(calls[calls.size() - 3].ToString(), "SetRenderState(29, 0)");
    EXPECT_EQ(calls[calls.size() - 2].ToString(), "SetRenderState(139, 4287407551)");
    EXPECT_EQ(calls[calls.size() - 1].ToString(), "LightEnable(0, 1)");
    EXPECT_EQ(Enemy(1).waypoint, D3DXVECTOR3(-200.0f, 34.0f, 0.0f));
    EXPECT_EQ(g_tileGrid->Code(4, 5), 2);
}
