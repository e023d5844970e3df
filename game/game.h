// The game's set-up and frame, and the routines of one frame: map drawing, bullets, player
// control, enemy steering, bobbing and tile collision.
#pragma once

#include "game/world.h"

void InitGame();
void GameFrame();

// Steps of InitGame, in the order it runs them; tests build a world without a device through
// InitWorld alone.
void InitWorld();          // camera, tanks with their first steering step, tile grid
void LoadWorldModels();

void DrawMap();
void UpdateBullets();

void HandleInput();
void MovePlayer(float dx, float dy, float dz);
void FireBullet();

void SteerTank(CTank& tank, D3DXVECTOR3 target);
// Puts an enemy at a random point and sets it off toward a random target (set-up, and an enemy
// a bullet hit).
void PlaceEnemy(CTank& enemy);

// Axis-aligned box; only x and y take part in the overlap test.
struct CBox {
    D3DXVECTOR3 min;
    D3DXVECTOR3 max;

    bool Overlaps(D3DXVECTOR3 otherMin, D3DXVECTOR3 otherMax) const;
};

extern CBox g_tankBox;
extern CBox g_cellBox;

void UpdateTanks();

// Cell index of a world coordinate, truncated toward zero. Bullets divide by 25; tanks
// multiply by the single-precision 0.04, which differs a hair from it at cell borders.
int BulletCellIndex(float coordinate);
int TankCellIndex(float coordinate);
