// One pass of the game: advance the world a fixed step, then draw it.
#include "game/game.h"

#include "app/engine.h"
#include "app/timer.h"
#include "render/device.h"
#include "render/scene_pass.h"
#include "render/xobject.h"

namespace {

const int kDrawnCells = 24;
const float kMapOrigin = -300.0f;
const float kCellSize = 25.0f;

void DrawTanks() {
    for (int i = 0; i < kTankCount; ++i) {
        CXObject& model = g_tankModels[i];
        model.position = g_tanks[i].position;
        model.rotation = D3DXVECTOR3(0.0f, 0.0f, g_tanks[i].yaw);
        model.Render();
    }
}

}  // namespace

void DrawMap() {
    for (int iy = 0; iy < kDrawnCells; ++iy) {
        for (int ix = 0; ix < kDrawnCells; ++ix) {
            INT code = g_tileGrid->Code(ix, iy);
            CXObject& piece = g_pieceModels[code >= 0 && code <= 5 ? code : 0];
            piece.position = D3DXVECTOR3(kMapOrigin + kCellSize * ix, kMapOrigin + kCellSize * iy, 0.0f);
            piece.Render();
        }
    }
}

void GameFrame() {
    UpdateTanks();
    HandleInput();

    // The camera keys of the next frame move by this frame's time.
    FLOAT elapsed = EngineTimer(TIMER_GETELAPSEDTIME);
    g_engine.fps.speedFactor = static_cast<double>(elapsed) * 50.0;
    g_engine.fps.Update();

    g_pd3dDevice->Clear(0, NULL, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, g_engine.backgroundColor, 1.0f, 0);
    g_pd3dDevice->BeginScene();
    DrawScenePass();
    DrawMap();
    DrawTanks();
    UpdateBullets();
    g_pd3dDevice->EndScene();
    g_pd3dDevice->Present(NULL, NULL, NULL, NULL);
}
