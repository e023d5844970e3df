// Tank bobbing and the tile test that turns an enemy back when it runs onto a tile.
#include "game/game.h"

#include "third_party/musl-math/qv_libm.h"

CBox g_tankBox;
CBox g_cellBox;

namespace {

const float kBobStep = 0.3f;
const float kTankHalfSize = 50.0f;
const float kCellHalfSize = 25.0f;
const float kTurnBackDistance = 100.0f;

// Truncation toward zero of a cell coordinate that is already offset by 12. Anything at or
// past -1 or 64, and NaN, has no cell; converting such a float to int could overflow.
int TruncateToCell(float cell) {
    if (!(cell > -1.0f && cell < static_cast<float>(kGridSize))) return -1;
    return static_cast<int>(cell);
}

void Bob(CTank& tank) {
    float angle = tank.bobAngle + kBobStep;
    tank.bobAngle = angle;
    if (tank.bobAngle > 360.0f) tank.bobAngle = 0.0f;
    tank.position.z = static_cast<float>(qv_sin(static_cast<double>(tank.bobAngle)));
}

// Backs the tank off a tile: the first matching test adopts a point 100 units behind it; a
// later test that matches the move code that call left only adds one more step.
void TurnBack(CTank& tank) {
    tank.steerState = 0;
    const D3DXVECTOR3& p = tank.position;
    if (tank.moveCode == 1) SteerTank(tank, D3DXVECTOR3(p.x - kTurnBackDistance, p.y, p.z));
    if (tank.moveCode == -1) SteerTank(tank, D3DXVECTOR3(p.x + kTurnBackDistance, p.y, p.z));
    if (tank.moveCode == 2) SteerTank(tank, D3DXVECTOR3(p.x, p.y - kTurnBackDistance, p.z));
    if (tank.moveCode == -2) SteerTank(tank, D3DXVECTOR3(p.x, p.y + kTurnBackDistance, p.z));
}

}  // namespace

int BulletCellIndex(float coordinate) {
    float scaled = coordinate / 25.0f;
    float cell = scaled + 12.0f;
    return TruncateToCell(cell);
}

int TankCellIndex(float coordinate) {
    float scaled = coordinate * 0.04f;
    float cell = scaled + 12.0f;
    return TruncateToCell(cell);
}

bool CBox::Overlaps(D3DXVECTOR3 otherMin, D3DXVECTOR3 otherMax) const {
    return min.x < otherMax.x && otherMin.x < max.x && min.y < otherMax.y && otherMin.y < max.y;
}

void UpdateTanks() {
    for (int i = 0; i < kTankCount; ++i) {
        CTank& tank = g_tanks[i];
        Bob(tank);

        const D3DXVECTOR3& p = tank.position;
        g_tankBox.min = D3DXVECTOR3(p.x - kTankHalfSize, p.y - kTankHalfSize, p.z);
        g_tankBox.max = D3DXVECTOR3(p.x + kTankHalfSize, p.y + kTankHalfSize, p.z);

        int ix = TankCellIndex(p.x);
        int iy = TankCellIndex(p.y);
        if (g_tileGrid->Code(ix, iy) != 0) {
            float cx = static_cast<float>(25 * ix - 300);
            float cy = static_cast<float>(25 * iy - 300);
            g_cellBox.min = D3DXVECTOR3(cx - kCellHalfSize, cy - kCellHalfSize, 0.0f);
            g_cellBox.max = D3DXVECTOR3(cx + kCellHalfSize, cy + kCellHalfSize, 0.0f);
            if (g_tankBox.Overlaps(g_cellBox.min, g_cellBox.max)) TurnBack(tank);
        }

        if (i != 0) SteerTank(tank, g_tanks[0].position);
    }
}
