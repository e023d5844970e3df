// Player control: the held keys become camera moves, driving, the frame-rate box, shots and the
// quit request, every frame for as long as they are held.
#include "game/game.h"

#include <cstdio>

#include "app/engine.h"

namespace {

struct DriveKey {
    int key;
    float dirX;
    float dirY;
    float yaw;
};

// Examined in this order; the first one held wins the frame.
const DriveKey kDriveKeys[] = {
    {'W', 0.0f, 1.0f, 0.0f},
    {'S', 0.0f, -1.0f, 180.0f},
    {'A', -1.0f, 0.0f, 90.0f},
    {'D', 1.0f, 0.0f, -90.0f},
};

const int kShotLife = 255;
const int kShotCooldown = 200;
const float kShotHeight = 16.0f;

bool Held(int key) { return g_engine.keyboard.keys[key] != 0; }

void Drive() {
    for (const DriveKey& drive : kDriveKeys) {
        if (!Held(drive.key)) continue;
        CTank& player = g_tanks[0];
        player.direction.x = drive.dirX;
        player.direction.y = drive.dirY;
        player.yaw = drive.yaw;
        MovePlayer(player.direction.x, player.direction.y, player.direction.z);
        return;
    }
}

void ShowFrameRate() {
    char text[64];
    std::snprintf(text, sizeof text, "FPS: %1.0f", g_engine.fps.fps);
    MessageBoxA(NULL, text, "FPS info", MB_OK);
}

}  // namespace

void MovePlayer(float dx, float dy, float dz) {
    D3DXVECTOR3& p = g_tanks[0].position;
    p.x = p.x + dx;
    p.y = p.y + dy;
    p.z = p.z + dz;
}

void FireBullet() {
    CTank& player = g_tanks[0];
    if (player.fireCooldown != 0) return;
    for (int slot = 0; slot < kBulletSlots; ++slot) {
        CBullet& bullet = player.bullets[slot];
        if (bullet.active) continue;
        bullet.active = 1;
        float z = player.position.z - kShotHeight;
        bullet.position = D3DXVECTOR3(player.position.x, player.position.y, z);
        bullet.velocity = player.direction;
        bullet.yaw = player.yaw;
        bullet.life = kShotLife;
        player.lastShotSlot = slot;
        player.fireCooldown = kShotCooldown;
        return;
    }
}

void HandleInput() {
    if (Held('1')) g_engine.camera.MoveForward(static_cast<float>(g_engine.fps.speedFactor));
    if (Held('2')) g_engine.camera.MoveForward(static_cast<float>(-g_engine.fps.speedFactor));
    Drive();
    if (Held('3')) ShowFrameRate();
    if (Held(VK_SPACE)) FireBullet();
    if (Held(VK_ESCAPE)) g_quitRequested = 1;
}
