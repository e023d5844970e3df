// The player's bullets: flight, tiles they break, enemies they send away, and their drawing.
#include "game/game.h"

#include "app/timer.h"
#include "render/xobject.h"

namespace {

const float kHitDistance = 25.0f;

bool Near(const D3DXVECTOR3& enemy, const D3DXVECTOR3& bullet) {
    float diffX = enemy.x - bullet.x;
    float diffY = enemy.y - bullet.y;
    return FAbs(diffX) < kHitDistance && FAbs(diffY) < kHitDistance;
}

// A hit ends the bullet on its next update rather than now: it still moves, breaks and hits
// once more before the life check frees the slot.
void EndOnHit(CBullet& bullet, CTank& player) {
    bullet.life = 0;
    player.fireCooldown = 0;
}

void Update(CBullet& bullet, CTank& player) {
    float stepX = 2.0f * bullet.velocity.x;
    float stepY = 2.0f * bullet.velocity.y;
    float stepZ = 2.0f * bullet.velocity.z;
    bullet.position.x = bullet.position.x + stepX;
    bullet.position.y = bullet.position.y + stepY;
    bullet.position.z = bullet.position.z + stepZ;

    bullet.life = bullet.life - 1;
    if (player.fireCooldown > 0) player.fireCooldown = player.fireCooldown - 1;
    if (bullet.life < 0) bullet.active = 0;

    int ix = BulletCellIndex(bullet.position.x);
    int iy = BulletCellIndex(bullet.position.y);
    if (g_tileGrid->Code(ix, iy) > 2) {
        g_tileGrid->SetCode(ix, iy, 0);
        EndOnHit(bullet, player);
    }

    for (int j = 1; j < kTankCount; ++j) {
        if (!Near(g_tanks[j].position, bullet.position)) continue;
        PlaceEnemy(g_tanks[j]);  // a hit enemy reappears elsewhere
        EndOnHit(bullet, player);
    }

    CXObject& model = g_bulletModel[0];
    model.position = bullet.position;
    model.rotation = D3DXVECTOR3(0.0f, 0.0f, bullet.yaw);
    model.Render();
}

}  // namespace

void UpdateBullets() {
    CTank& player = g_tanks[0];
    for (CBullet& bullet : player.bullets) {
        if (bullet.active) Update(bullet, player);
    }
}
