// A fresh game world for each test: the generator back at its start, the world built as set-up
// builds it, no key held, and a recording device under the mesh objects' draws.
#pragma once

#include <gtest/gtest.h>

#include <cstring>

#include "app/engine.h"
#include "game/game.h"
#include "render/device.h"
#include "support/recording_device.h"

class GameWorldTest : public ::testing::Test {
protected:
    void SetUp() override {
        savedDevice_ = g_pd3dDevice;
        g_pd3dDevice = &device_;
        std::memset(g_engine.keyboard.keys, 0, sizeof g_engine.keyboard.keys);
        g_engine.fps.speedFactor = 0.0;
        g_quitRequested = 0;
        g_randomState = 1;
        InitWorld();
    }
    void TearDown() override {
        std::memset(g_engine.keyboard.keys, 0, sizeof g_engine.keyboard.keys);
        g_quitRequested = 0;
        g_pd3dDevice = savedDevice_;
    }

public:
    CTank& Player() { return g_tanks[0]; }
    CTank& Enemy(int i) { return g_tanks[i]; }
    void Hold(int key, bool down = true) { g_engine.keyboard.keys[key] = down ? 1 : 0; }
    void ClearGrid() { std::memset(g_tileGrid->cells, 0, sizeof g_tileGrid->cells); }
    // Moves every enemy far off the map where no bullet near the origin can reach it.
    void ParkEnemies() {
        for (int i = 1; i < kTankCount; ++i) {
            Enemy(i).position = D3DXVECTOR3(5000.0f + 100.0f * i, 5000.0f, 0.0f);
            Enemy(i).moveCode = 0;
        }
    }
    // Puts a flying bullet into one of the player's slots.
    CBullet& Launch(int slot, D3DXVECTOR3 position, D3DXVECTOR3 velocity, INT life) {
        CBullet& bullet = Player().bullets[slot];
        bullet.active = 1;
        bullet.position = position;
        bullet.velocity = velocity;
        bullet.life = life;
        return bullet;
    }
    // The world rules of one frame in the order GameFrame runs them, without the drawing around
    // them (the bullets still draw themselves into the recording device).
    void WorldFrame() {
        UpdateTanks();
        HandleInput();
        UpdateBullets();
        device_.CallLog::Clear();
    }

    RecordingDevice device_;

private:
    IDirect3DDevice9* savedDevice_ = nullptr;
};
