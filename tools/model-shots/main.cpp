// model-shots OUTDIR
//
// Pictures of every model as the game's own code draws it: the device made by InitD3D in a
// hidden window, the light states of the game set-up, the frame's scene pass, CXObject::Load and
// CXObject::Render. Writes into OUTDIR a close-up of each model seen straight down the game's
// view axis and tilted so that its sides show (the tanks at yaw 0 and 90), and a small map of
// all the pieces with the tanks and a bullet on it. Run from the directory that holds Models/.
#include <windows.h>
#include <d3d9.h>
#include <d3dx9.h>
#include <qv_d3d9.h>
#include <qv_win32.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/engine.h"
#include "render/device.h"
#include "render/scene_pass.h"
#include "render/xobject.h"

namespace fs = std::filesystem;

namespace {

// Found in no model or texture, so that a face missing from a model shows as a hole.
const D3DCOLOR kClearColor = 0xFF400040;
const DWORD kAmbientLight = 0xFF8CA5BF;
const FLOAT kDegreesPerRadian = 57.2f;  // as the scene pass turns the camera

const int kPieceCount = 6;
const int kTankCount = 4;
// Static like the game's own mesh objects.
CXObject g_shotPieces[kPieceCount];
CXObject g_shotTanks[kTankCount];
CXObject g_shotBullet;

struct View {
    const char* suffix;
    D3DXVECTOR3 angles;  // camera angles in degrees
};
// The game's own view axis, and one tipped back about X so that the faces toward -y show.
// |angle x| stays under 90, so the scene pass keeps +y as the screen's up.
const View kViews[] = {{"", D3DXVECTOR3(0.0f, 0.0f, 0.0f)}, {"_tilted", D3DXVECTOR3(-35.0f, 0.0f, 0.0f)}};

struct Placement {
    CXObject* model;
    D3DXVECTOR3 position;
    FLOAT yaw;  // degrees about z, as the game turns tanks and bullets
};

// The facing the scene pass derives from the camera angles.
D3DXVECTOR3 Facing(const D3DXVECTOR3& angles)
{
    D3DXMATRIX rx, ry, rz, r;
    D3DXMatrixRotationX(&rx, angles.x / kDegreesPerRadian);
    D3DXMatrixRotationY(&ry, angles.y / kDegreesPerRadian);
    D3DXMatrixRotationZ(&rz, angles.z / kDegreesPerRadian);
    D3DXMatrixMultiply(&r, &rx, &ry);
    D3DXMatrixMultiply(&r, &r, &rz);
    D3DXVECTOR3 forward(0.0f, 0.0f, 1.0f), facing;
    D3DXVec3TransformCoord(&facing, &forward, &r);
    return facing;
}

// The back buffer as drawn so far, as an RGB PNG: the back buffer has no alpha to keep, and the
// smaller file suits the picture that goes into docs/.
bool SavePicture(const fs::path& path)
{
    return SUCCEEDED(QvSaveBackBufferPng(g_pd3dDevice, QV_BACKBUFFER_CURRENT, path.string().c_str(), 3, 9));
}

// One frame as GameFrame draws it, minus the map and the text: the camera `distance` units back
// from `target` along the view, the scene pass, then the models. Read back before Present.
// Close up, the ground quad of the scene pass shows behind the model. It is lit without normals,
// so only ambient and emissive light reach it, through whichever material the previous draw
// set: black before any model has drawn, brown after the glowing bullet. In the game the floor
// pieces cover it.
bool Shoot(const D3DXVECTOR3& target, FLOAT distance, const View& view, const std::vector<Placement>& models,
           const fs::path& path)
{
    CCamera& camera = g_engine.camera;
    camera.angles = view.angles;
    camera.position = target - Facing(view.angles) * distance;

    g_pd3dDevice->Clear(0, NULL, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kClearColor, 1.0f, 0);
    g_pd3dDevice->BeginScene();
    DrawScenePass();
    for (const Placement& p : models) {
        p.model->position = p.position;
        p.model->rotation = D3DXVECTOR3(0.0f, 0.0f, p.yaw);
        p.model->Render();
    }
    g_pd3dDevice->EndScene();

    if (!SavePicture(path)) {
        std::fprintf(stderr, "model-shots: cannot write %s\n", path.string().c_str());
        return false;
    }
    std::printf("wrote %s\n", path.string().c_str());
    return true;
}

// The game's start-up up to its light: WinMain's window, left hidden, InitD3D, and the three
// states that InitGame sets after loading.
bool StartDevice()
{
    QvUseOffscreenVideoWithoutDisplay();
    QvSetMessageBoxMode(QvMessageBoxMode::NonModal);

    if (CreateEngineWindow(GetModuleHandleA(NULL)) == NULL || FAILED(g_engine.InitD3D())) return false;
    g_pd3dDevice->SetRenderState(D3DRS_SPECULARENABLE, FALSE);
    g_pd3dDevice->SetRenderState(D3DRS_AMBIENT, kAmbientLight);
    g_pd3dDevice->LightEnable(0, TRUE);
    return true;
}

// Every model and its textures must load: a message box (a missing texture) counts as a failure.
bool LoadModels()
{
    static int messageBoxes = 0;
    QvSetMessageBoxObserver([](const char*, const char*) { ++messageBoxes; });
    bool ok = true;
    char path[32];
    for (int i = 0; i < kPieceCount; ++i) {
        std::snprintf(path, sizeof path, "Models/lpice%i.x", i);
        ok = SUCCEEDED(g_shotPieces[i].Load(path)) && ok;
    }
    for (int i = 0; i < kTankCount; ++i) {
        std::snprintf(path, sizeof path, "Models/tank%i.x", i);
        ok = SUCCEEDED(g_shotTanks[i].Load(path)) && ok;
    }
    ok = SUCCEEDED(g_shotBullet.Load("Models/bullet1.x")) && ok;
    QvSetMessageBoxObserver({});
    return ok && messageBoxes == 0;
}

bool ShootCloseUps(const fs::path& dir)
{
    const D3DXVECTOR3 origin(0.0f, 0.0f, 0.0f);
    bool ok = true;
    for (const View& view : kViews) {
        for (int i = 0; i < kPieceCount; ++i)
            ok = Shoot(origin, 60.0f, view, {{&g_shotPieces[i], origin, 0.0f}},
                       dir / ("lpice" + std::to_string(i) + view.suffix + ".png")) && ok;
        for (int i = 0; i < kTankCount; ++i)
            for (int yaw : {0, 90})
                ok = Shoot(origin, 50.0f, view, {{&g_shotTanks[i], origin, FLOAT(yaw)}},
                           dir / ("tank" + std::to_string(i) + "_yaw" + std::to_string(yaw) + view.suffix +
                                  ".png")) && ok;
        // At the height the game's bullets fly, clear of the ground quad.
        const D3DXVECTOR3 bulletAt(0.0f, 0.0f, -16.0f);
        ok = Shoot(bulletAt, 15.0f, view, {{&g_shotBullet, bulletAt, 0.0f}},
                   dir / (std::string("bullet1") + view.suffix + ".png")) && ok;
    }
    return ok;
}

// Six cells across and four down, laid out as DrawMap lays cells: the pieces 0 to 5 along the
// top row and back along the bottom, the tanks on the floor between them at yaw 0, 90, 180 and
// -90, and tank 0's bullet in flight ahead of it.
std::vector<Placement> SmallMap()
{
    const FLOAT cell = 25.0f;
    auto at = [cell](int column, int row, FLOAT z) {
        return D3DXVECTOR3(cell * (FLOAT(column) - 2.5f), cell * (1.5f - FLOAT(row)), z);
    };
    std::vector<Placement> map;
    for (int column = 0; column < 6; ++column) {
        map.push_back({&g_shotPieces[column], at(column, 0, 0.0f), 0.0f});
        map.push_back({&g_shotPieces[0], at(column, 1, 0.0f), 0.0f});
        map.push_back({&g_shotPieces[0], at(column, 2, 0.0f), 0.0f});
        map.push_back({&g_shotPieces[5 - column], at(column, 3, 0.0f), 0.0f});
    }
    const FLOAT yaws[kTankCount] = {0.0f, 90.0f, 180.0f, -90.0f};
    const int columns[kTankCount] = {0, 2, 3, 5};
    const int rows[kTankCount] = {2, 1, 2, 1};
    for (int i = 0; i < kTankCount; ++i)
        map.push_back({&g_shotTanks[i], at(columns[i], rows[i], 0.0f), yaws[i]});
    map.push_back({&g_shotBullet, at(0, 1, -16.0f), 0.0f});
    return map;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2 || argv[1][0] == '-') {
        std::fprintf(stderr, "usage: model-shots OUTDIR\nRun from the directory that holds Models/.\n");
        return 2;
    }
    const fs::path dir = argv[1];
    std::error_code error;
    fs::create_directories(dir, error);
    if (!fs::is_directory(dir)) {
        std::fprintf(stderr, "model-shots: cannot make %s\n", dir.string().c_str());
        return 1;
    }
    if (!StartDevice()) {
        std::fprintf(stderr, "model-shots: the render device could not be set up\n");
        return 1;
    }
    if (!LoadModels()) {
        std::fprintf(stderr, "model-shots: a model or one of its textures did not load\n");
        return 1;
    }

    bool ok = ShootCloseUps(dir);
    // Nearer than the game's 500 units, so that the 150 x 100 map fills the picture.
    const std::vector<Placement> map = SmallMap();
    const D3DXVECTOR3 centre(0.0f, 0.0f, 0.0f);
    ok = Shoot(centre, 130.0f, kViews[0], map, dir / "map.png") && ok;
    ok = Shoot(centre, 130.0f, kViews[1], map, dir / "map_tilted.png") && ok;
    return ok ? 0 : 1;
}
