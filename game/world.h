// The game world's records and globals: four tanks with their bullet slots, the tile grid, the
// mesh objects that draw them, and the one random generator every choice of the world draws from.
#pragma once

#include <d3dx9math.h>

class CXObject;

const int kTankCount = 4;        // tank 0 is the player, 1 to 3 the enemies
const int kBulletSlots = 64;
const int kGridSize = 64;        // cells per axis
const int kGridCells = kGridSize * kGridSize;

// One bullet slot of a tank.
struct CBullet {
    BYTE active;
    D3DXVECTOR3 position;
    D3DXVECTOR3 velocity;   // the firing tank's direction; the bullet moves twice this a frame
    float yaw;
    INT life;               // 255 at the shot; the slot frees once it drops below 0
};

// A tank, the player's or an enemy's.
struct CTank {
    CTank();

    D3DXVECTOR3 position;   // z is the bobbing height, rewritten every frame
    D3DXVECTOR3 direction;  // axis of the last move; a shot takes it as velocity
    CBullet bullets[kBulletSlots];
    INT lastShotSlot;
    INT fireCooldown;       // 0: may fire
    float yaw;              // degrees about z; 0 faces +y
    float bobAngle;
    D3DXVECTOR3 waypoint;
    INT steerState;         // 0 new target, 1 choose axis, 2 arrived, 3 along x, 4 along y
    INT moveCode;           // 0 none, 1 +x, -1 -x, 2 +y, -2 -y
};

// The map: 64 x 64 tile codes, cell (ix, iy) at entry ix * 64 + iy. A point off the grid has no
// cell; lookups treat it as empty and writes to it go nowhere.
struct TileGrid {
    INT cells[kGridCells];

    static bool Contains(int ix, int iy) { return ix >= 0 && ix < kGridSize && iy >= 0 && iy < kGridSize; }
    INT Code(int ix, int iy) const { return Contains(ix, iy) ? cells[ix * kGridSize + iy] : 0; }
    void SetCode(int ix, int iy, INT code) {
        if (Contains(ix, iy)) cells[ix * kGridSize + iy] = code;
    }
};

// The game object. It holds nothing; it exists so the world's lifetime has an owner.
class CGame {
public:
    virtual ~CGame();
};

extern CTank* g_tanks;          // kTankCount tanks, made by InitGame
extern TileGrid* g_tileGrid;    // made by InitGame
extern CXObject g_tankModels[4];
extern CXObject g_pieceModels[6];
extern CXObject g_bulletModel[1];
extern CXObject g_spareTankModel;
extern CGame g_game;

// The world's random generator. It starts at 1 and is never reseeded, so every run builds the
// same world.
extern DWORD g_randomState;
int NextRandom();               // 0 to 32767
float RandomCoordinate();       // -300 to 299, whole units
