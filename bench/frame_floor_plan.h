// What the floor draws of a frame, worked out on the processor: the models it loaded from the
// game's, and a frame's instance records and draws, one draw per model subset, the map in the
// order of --order sorted (by model) or game (the game's own, row by row).
#pragma once

#include <vector>

#include "bench/frame_floor_gl.h"
#include "game/world.h"

constexpr size_t kMaxInstances = 4096;

// The models the floor draws, loaded from the game's, in the order the multi-draw shares them.
struct World {
    Model ground, pieces[6], tanks[kTankCount], bullet;

    std::vector<Model*> Drawn();
};

bool LoadWorld(FloorModels* models, World* world);

// A frame's draws: one per subset drawn, each with instance records of its own (from `first` in
// the instance buffer) that name its material and layer.
struct Draw {
    const Model* model;
    const Subset* subset;
    GLuint first, count;
};

class FrameDraws {
public:
    FrameDraws();
    void Clear();
    void Add(const Model& model, const std::vector<Instance>& list);
    const std::vector<Instance>& instances() const { return instances_; }
    const std::vector<Draw>& draws() const { return draws_; }

private:
    std::vector<Instance> instances_;
    std::vector<Draw> draws_;
};

// A frame as the floor draws it: the ground, the map as the game's map pass saw it, then the
// tanks and the bullets as the frame left them.
class FramePlan {
public:
    static constexpr int kDrawnCells = 24; // the cells the game's map pass draws, from the corner

    explicit FramePlan(const World& world);
    // At the frame's BeginScene: the rules have moved the tanks and read the keys, and the
    // bullets are still to break tiles.
    void TakeMap();
    void Plan(bool gameOrder, FrameDraws* frame);

private:
    void MapByModel(FrameDraws* frame);
    void MapInGameOrder(FrameDraws* frame);

    const World& world_;
    INT codes_[kDrawnCells][kDrawnCells] = {};
    std::vector<Instance> byCode_[6], run_, one_ = std::vector<Instance>(1), shots_;
};
