#include "bench/frame_floor_plan.h"

namespace {

Instance CellAt(int ix, int iy)
{
    return Place(D3DXVECTOR3(-300.0f + 25.0f * float(ix), -300.0f + 25.0f * float(iy), 0.0f), 0.0f);
}

} // namespace

std::vector<Model*> World::Drawn()
{
    std::vector<Model*> models = {&bullet};
    for (Model& m : pieces)
        models.push_back(&m);
    for (Model& m : tanks)
        models.push_back(&m);
    return models;
}

bool LoadWorld(FloorModels* models, World* world)
{
    bool loaded = models->LoadGround(&world->ground) && models->LoadModel(g_bulletModel[0], &world->bullet);
    for (int i = 0; i < 6; ++i)
        loaded = loaded && models->LoadModel(g_pieceModels[i], &world->pieces[i]);
    for (int i = 0; i < kTankCount; ++i)
        loaded = loaded && models->LoadModel(g_tankModels[i], &world->tanks[i]);
    return loaded && models->MaterialsFit();
}

FrameDraws::FrameDraws()
{
    instances_.reserve(kMaxInstances);
    draws_.reserve(600);
}

void FrameDraws::Clear()
{
    instances_.clear();
    draws_.clear();
}

void FrameDraws::Add(const Model& model, const std::vector<Instance>& list)
{
    if (list.empty())
        return;
    for (const Subset& subset : model.subsets) {
        draws_.push_back({&model, &subset, GLuint(instances_.size()), GLuint(list.size())});
        for (Instance i : list) {
            i.material = subset.material;
            i.layer = subset.layer;
            instances_.push_back(i);
        }
    }
}

FramePlan::FramePlan(const World& world) : world_(world)
{
    for (auto& v : byCode_)
        v.reserve(kDrawnCells * kDrawnCells);
    run_.reserve(kDrawnCells * kDrawnCells);
    shots_.reserve(kBulletSlots);
}

void FramePlan::TakeMap()
{
    for (int iy = 0; iy < kDrawnCells; ++iy)
        for (int ix = 0; ix < kDrawnCells; ++ix) {
            const INT code = g_tileGrid->Code(ix, iy);
            codes_[iy][ix] = code >= 0 && code <= 5 ? code : 0;
        }
}

void FramePlan::Plan(bool gameOrder, FrameDraws* frame)
{
    frame->Clear();
    one_[0] = Place(D3DXVECTOR3(0.0f, 0.0f, 0.0f), 0.0f);
    frame->Add(world_.ground, one_);
    if (gameOrder)
        MapInGameOrder(frame);
    else
        MapByModel(frame);
    for (int t = 0; t < kTankCount; ++t) {
        one_[0] = Place(g_tanks[t].position, g_tanks[t].yaw);
        frame->Add(world_.tanks[t], one_);
    }
    shots_.clear();
    for (const CBullet& b : g_tanks[0].bullets)
        if (b.active)
            shots_.push_back(Place(b.position, b.yaw));
    frame->Add(world_.bullet, shots_);
}

// One draw per model and subset.
void FramePlan::MapByModel(FrameDraws* frame)
{
    for (auto& v : byCode_)
        v.clear();
    for (int iy = 0; iy < kDrawnCells; ++iy)
        for (int ix = 0; ix < kDrawnCells; ++ix)
            byCode_[codes_[iy][ix]].push_back(CellAt(ix, iy));
    for (int c = 0; c < 6; ++c)
        frame->Add(world_.pieces[c], byCode_[c]);
}

// Row by row as the game draws them; a model of several subsets changes texture between its own
// draws, so each of its cells is a run of its own.
void FramePlan::MapInGameOrder(FrameDraws* frame)
{
    const Model* runModel = nullptr;
    run_.clear();
    for (int iy = 0; iy < kDrawnCells; ++iy)
        for (int ix = 0; ix < kDrawnCells; ++ix) {
            const Model& model = world_.pieces[codes_[iy][ix]];
            if (model.subsets.empty())
                continue;
            if (&model != runModel || model.subsets.size() > 1) {
                if (runModel)
                    frame->Add(*runModel, run_);
                run_.clear();
                runModel = &model;
            }
            run_.push_back(CellAt(ix, iy));
        }
    if (runModel)
        frame->Add(*runModel, run_);
}
