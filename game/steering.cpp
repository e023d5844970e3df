// Enemy steering: drive along one axis at a time from waypoint to waypoint.
#include "game/game.h"

#include "app/timer.h"

namespace {

const float kStep = 0.7f;
const float kArriveDistance = 5.0f;

enum SteerState { kNewTarget = 0, kChooseAxis = 1, kArrived = 2, kAlongX = 3, kAlongY = 4 };

struct Move {
    INT code;
    float dirX;
    float dirY;
    float yaw;
};

const Move kMoves[] = {
    {1, 1.0f, 0.0f, -90.0f},
    {-1, -1.0f, 0.0f, 90.0f},
    {2, 0.0f, 1.0f, 0.0f},
    {-2, 0.0f, -1.0f, 180.0f},
};

// One 0.7-unit step along the axis of the move code; the heading and direction follow it.
// Move code 0 leaves everything as it was.
void Advance(CTank& tank) {
    for (const Move& move : kMoves) {
        if (move.code != tank.moveCode) continue;
        if (move.dirX != 0.0f) {
            float step = kStep * move.dirX;
            tank.position.x = tank.position.x + step;
        } else {
            float step = kStep * move.dirY;
            tank.position.y = tank.position.y + step;
        }
        tank.yaw = move.yaw;
        tank.direction.x = move.dirX;
        tank.direction.y = move.dirY;
        return;
    }
}

}  // namespace

void SteerTank(CTank& tank, D3DXVECTOR3 target) {
    // The position does not change before the move, so the distances hold for the whole call.
    const float x = tank.position.x;
    const float y = tank.position.y;

    if (tank.steerState == kNewTarget) {
        tank.waypoint = target;
        tank.steerState = kChooseAxis;
    }

    float diffX = x - tank.waypoint.x;
    float diffY = y - tank.waypoint.y;
    float dx = FAbs(diffX);
    float dy = FAbs(diffY);

    if (tank.steerState == kChooseAxis) tank.steerState = dy <= dx ? kAlongX : kAlongY;

    if (tank.steerState == kAlongX) {
        if (tank.waypoint.x > x) tank.moveCode = 1;
        if (tank.waypoint.x < x) tank.moveCode = -1;
        if (dx < kArriveDistance) tank.steerState = kAlongY;
    }
    if (tank.steerState == kAlongY) {
        if (tank.waypoint.y > y) tank.moveCode = 2;
        if (tank.waypoint.y < y) tank.moveCode = -2;
        if (dy < kArriveDistance) tank.steerState = kAlongX;
    }
    if (tank.steerState != kArrived && dy < kArriveDistance && dx < kArriveDistance) tank.steerState = kArrived;

    if (tank.steerState == kArrived) {
        float wx = RandomCoordinate();
        float wy = RandomCoordinate();
        tank.waypoint = D3DXVECTOR3(wx, wy, 0.0f);
        tank.steerState = kChooseAxis;
    }

    Advance(tank);
}

void PlaceEnemy(CTank& enemy) {
    enemy.position.x = RandomCoordinate();
    enemy.position.y = RandomCoordinate();
    enemy.steerState = 0;
    float a = RandomCoordinate();
    float b = RandomCoordinate();
    SteerTank(enemy, D3DXVECTOR3(b, a, 0.0f));  // the later draw is the x of the target
}
