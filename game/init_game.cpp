// Game set-up: the camera, the tanks, the tile grid, the models, the text and the light.
#include <cstdio>

#include "game/game.h"

#include "app/engine.h"
#include "render/device.h"
#include "render/xobject.h"
#include "text/engine_text.h"

namespace {

const DWORD kAmbientLight = 0xFF8CA5BF;

// Column by column: one draw per cell, and a second for the code when the first says so.
void FillGrid(TileGrid& grid) {
    for (int iy = 0; iy < kGridSize; ++iy) {
        for (int ix = 0; ix < kGridSize; ++ix) {
            INT code = 0;
            if (NextRandom() % 10 == 1) code = NextRandom() % 6;
            grid.SetCode(ix, iy, code);
        }
    }
    grid.SetCode(4, 5, 2);
}

}  // namespace

void InitWorld() {
    g_engine.camera.position = D3DXVECTOR3(0.0f, 0.0f, -500.0f);
    g_engine.camera.angles = D3DXVECTOR3(0.0f, 0.0f, 0.0f);

    // The game builds its world once; a second set-up (tests, the replay harness) replaces the
    // first instead of leaking it.
    delete[] g_tanks;
    g_tanks = new CTank[kTankCount];
    g_tanks[0].position = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    for (int i = 1; i < kTankCount; ++i) PlaceEnemy(g_tanks[i]);

    delete g_tileGrid;
    g_tileGrid = new TileGrid;
    FillGrid(*g_tileGrid);
}

void LoadWorldModels() {
    char path[32];
    for (int i = 0; i < 6; ++i) {
        std::snprintf(path, sizeof path, "Models/lpice%i.x", i);
        g_pieceModels[i].Load(path);
    }
    g_spareTankModel.Load("Models/tank0.x");
    for (int i = 0; i < 4; ++i) {
        std::snprintf(path, sizeof path, "Models/tank%i.x", i);
        g_tankModels[i].Load(path);
    }
    g_bulletModel[0].Load("Models/bullet1.x");
}

void InitGame() {
    InitWorld();
    LoadWorldModels();
    SetupEngineText(&g_engine);

    g_pd3dDevice->SetRenderState(D3DRS_SPECULARENABLE, FALSE);
    g_pd3dDevice->SetRenderState(D3DRS_AMBIENT, kAmbientLight);
    g_pd3dDevice->LightEnable(0, TRUE);

    for (CBullet& bullet : g_tanks[0].bullets) bullet.active = 0;
}
