#include "render/xobject.h"

#include "render/device.h"

#include <cstdio>
#include <cstring>
#include <new>

namespace {

// Degrees to radians the way the engine has always done it (not 180/pi).
const FLOAT kDegreesPerRadian = 57.2f;

void SetLinearFilters(DWORD stage)
{
    g_pd3dDevice->SetSamplerState(stage, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    g_pd3dDevice->SetSamplerState(stage, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    g_pd3dDevice->SetSamplerState(stage, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
}

void SetTextureScale(D3DTRANSFORMSTATETYPE state, const D3DXVECTOR3& scale)
{
    D3DXMATRIX m;
    D3DXMatrixScaling(&m, scale.x, scale.y, scale.z);
    g_pd3dDevice->SetTransform(state, &m);
}

// Coordinates taken from anything but set 0 carry three components.
void SetCoordinateSource(DWORD stage, DWORD source)
{
    g_pd3dDevice->SetTextureStageState(stage, D3DTSS_TEXTURETRANSFORMFLAGS, source != 0 ? D3DTTFF_COUNT3 : D3DTTFF_COUNT2);
    g_pd3dDevice->SetTextureStageState(stage, D3DTSS_TEXCOORDINDEX, source);
}

}  // namespace

// Every field starts empty as well: the game's objects sit in zeroed static storage anyway,
// and an object made anywhere else must not draw from garbage.
CXObject::CXObject()
    : position(0.0f, 0.0f, 0.0f),
      rotation(0.0f, 0.0f, 0.0f),
      directory{},
      mesh(nullptr),
      materials(nullptr),
      textures(nullptr),
      materialCount(0),
      secondTexture(nullptr),
      secondStageOn(false),
      loadAttempted(false),
      texCoordSource{},
      secondColorOp(D3DTOP_MODULATE)
{
    D3DXMatrixIdentity(&objectMatrix);
    for (D3DXVECTOR3& scale : texScale) scale = D3DXVECTOR3(1.0f, 1.0f, 1.0f);
}

// The mesh, textures and arrays live until the process ends.
CXObject::~CXObject() {}

HRESULT CXObject::Load(const char* path)
{
    loadAttempted = true;
    mesh = nullptr;
    materials = nullptr;
    textures = nullptr;
    materialCount = 0;
    if (!path) path = "";

    // The same file one directory above the working directory. A path too long for the
    // buffer is not retried rather than retried under a cut name.
    char retryPath[64];
    const int retryLength = std::snprintf(retryPath, sizeof retryPath, "..\\%s", path);
    const bool canRetry = retryLength >= 0 && size_t(retryLength) < sizeof retryPath;

    LPD3DXBUFFER materialBuffer = nullptr;
    HRESULT hr = D3DXLoadMeshFromXA(path, D3DXMESH_SYSTEMMEM, g_pd3dDevice, nullptr, &materialBuffer, nullptr,
                                    &materialCount, &mesh);
    if (FAILED(hr) && canRetry) {
        hr = D3DXLoadMeshFromXA(retryPath, D3DXMESH_SYSTEMMEM, g_pd3dDevice, nullptr, &materialBuffer, nullptr,
                                &materialCount, &mesh);
    }
    if (FAILED(hr) || !materialBuffer) {
        MessageBoxA(nullptr, "Could not find X file", "Load XMesh", MB_OK);
        MessageBoxA(nullptr, path, "Load XMesh", MB_OK);
        if (materialBuffer) materialBuffer->Release();
        if (SUCCEEDED(hr) && mesh) mesh->Release();
        mesh = nullptr;
        materialCount = 0;
        return E_FAIL;
    }

    // Texture names are relative to the working directory or to the model's top directory.
    char prefix[sizeof directory] = "";
    if (const char* slash = std::strchr(path, '/')) {
        std::snprintf(prefix, sizeof prefix, "%.*s", int(slash - path + 1), path);
        std::memcpy(directory, prefix, sizeof directory);
    }

    materials = new (std::nothrow) D3DMATERIAL9[materialCount];
    textures = new (std::nothrow) LPDIRECT3DTEXTURE9[materialCount];
    if (!materials || !textures) {
        // Without both arrays there is nothing to draw the subsets with: stay empty.
        delete[] materials;
        delete[] textures;
        materials = nullptr;
        textures = nullptr;
        materialBuffer->Release();
        mesh->Release();
        mesh = nullptr;
        materialCount = 0;
        return E_OUTOFMEMORY;
    }

    const D3DXMATERIAL* records = static_cast<const D3DXMATERIAL*>(materialBuffer->GetBufferPointer());
    for (DWORD i = 0; i < materialCount; ++i) {
        materials[i] = records[i].MatD3D;
        materials[i].Ambient = materials[i].Diffuse;  // ambient light shows the diffuse colour
        textures[i] = nullptr;

        const char* name = records[i].pTextureFilename;
        if (!name || !name[0]) continue;
        if (SUCCEEDED(D3DXCreateTextureFromFileA(g_pd3dDevice, name, &textures[i]))) continue;
        textures[i] = nullptr;
        char prefixedName[260];
        std::snprintf(prefixedName, sizeof prefixedName, "%s%s", prefix, name);
        if (SUCCEEDED(D3DXCreateTextureFromFileA(g_pd3dDevice, prefixedName, &textures[i]))) continue;
        textures[i] = nullptr;
        MessageBoxA(nullptr, "Could not find texture map", "MeshTex Load", MB_OK);
    }
    materialBuffer->Release();
    return S_OK;
}

void CXObject::Render()
{
    if (!g_pd3dDevice) return;

    D3DXMATRIX rotateX, rotateY, rotateZ, translate, world;
    D3DXMatrixRotationX(&rotateX, rotation.x / kDegreesPerRadian);
    D3DXMatrixRotationY(&rotateY, rotation.y / kDegreesPerRadian);
    D3DXMatrixRotationZ(&rotateZ, rotation.z / kDegreesPerRadian);
    D3DXMatrixTranslation(&translate, position.x, position.y, position.z);
    D3DXMatrixMultiply(&world, &rotateX, &rotateY);
    D3DXMatrixMultiply(&world, &world, &rotateZ);
    D3DXMatrixMultiply(&world, &world, &translate);
    D3DXMatrixMultiply(&world, &world, &objectMatrix);
    g_pd3dDevice->SetTransform(D3DTS_WORLD, &world);

    for (DWORD i = 0; i < materialCount; ++i) {
        SetTextureScale(D3DTS_TEXTURE0, texScale[0]);
        SetLinearFilters(0);
        g_pd3dDevice->SetMaterial(&materials[i]);
        SetCoordinateSource(0, texCoordSource[0]);
        g_pd3dDevice->SetTexture(0, textures[i]);
        g_pd3dDevice->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
        if (secondStageOn) {
            g_pd3dDevice->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
            g_pd3dDevice->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
            g_pd3dDevice->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
            SetTextureScale(D3DTS_TEXTURE1, texScale[1]);
            SetLinearFilters(1);
            SetCoordinateSource(1, texCoordSource[1]);
            g_pd3dDevice->SetTexture(1, secondTexture);
            g_pd3dDevice->SetTextureStageState(1, D3DTSS_COLOROP, secondColorOp);
        }
        mesh->DrawSubset(i);
    }
    // Stage 1 off for whatever is drawn next.
    g_pd3dDevice->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
}
