// Enemy steering: drive along one axis at a time from waypoint to waypoint.
#include "game/game.h"

#include "app/timer.h"

namespace {

const float kStep = 0.7f;
const float kArriveDistance = 5.0f;

enum SteerState { kNewTarget = 0, kChooseAxis = 1, kArrived = 2, kAlongX = 3, kAlongY = 4 };

// One 0.7-unit step along the axis of the move code; the heading and direction follow it.
void Advance(CTank& tank) {
    switch (tank.moveCode) {
    case 1: {
        float x = tank.position.x + kStep;
        tank.position.x = x;
        tank.yaw = -90.0f;
        tank.direction.x = 1.0f;
        tank.direction.y = 0.0f;
        break;
    }
    case -1: {
        float x = tank.position.x - kStep;
        tank.position.x = x;
        tank.yaw = 90.0f;
        tank.direction.x = -1.0f;
        tank.direction.y = 0.0f;
        break;
    }
    case 2: {
        float y = tank.position.y + kStep;
        tank.position.y = y;
        tank.yaw = 0.0f;
        tank.direction.x = 0.0f;
        tank.direction.y = 1.0f;
        break;
    }
    case -2: {
        float y = tank.position.y - kStep;
        tank.position.y = y;
        tank.yaw = 180.0f;
        tank.direction.x = 0.0f;
        tank.direction.y = -1.0f;
        break;
    }
    default:
        break;
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
