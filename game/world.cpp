// World records, the world's globals and its random generator.
//
// The mesh objects and the game object are defined here, in one translation unit, so that they
// are constructed in a fixed order (tank models, piece models, bullet model, spare tank model,
// game object) and destroyed in the reverse one. The engine object lives in another unit, so
// its place relative to these is up to the linker; none of these constructors touches it.
#include "game/world.h"

#include "render/xobject.h"

CTank::CTank()
    : position(0.0f, 0.0f, 0.0f),
      direction(0.0f, 0.0f, 0.0f),
      lastShotSlot(0),
      fireCooldown(0),
      yaw(0.0f),
      bobAngle(0.0f),
      waypoint(0.0f, 0.0f, 0.0f),
      steerState(0),
      moveCode(0) {
    for (CBullet& bullet : bullets) {
        bullet.active = 0;
        bullet.position = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
        bullet.velocity = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
        // A slot's yaw and life are first written by the shot that takes it; zero keeps
        // a never-used slot from holding garbage.
        bullet.yaw = 0.0f;
        bullet.life = 0;
    }
}

CGame::~CGame() {}

CTank* g_tanks = nullptr;
TileGrid* g_tileGrid = nullptr;

CXObject g_tankModels[4];
CXObject g_pieceModels[6];
CXObject g_bulletModel[1];
CXObject g_spareTankModel;
CGame g_game;

DWORD g_randomState = 1;

int NextRandom() {
    g_randomState = g_randomState * 214013u + 2531011u;
    return static_cast<int>((g_randomState >> 16) & 0x7FFF);
}

float RandomCoordinate() {
    return static_cast<float>(NextRandom() % 600 - 300);
}
