// A model read from an X file: its mesh, a material and a texture per subset, and where it
// stands in the world. The world keeps these in static storage, loads each once at set-up and
// draws them every frame after writing a position and rotation.
#pragma once

#include <windows.h>
#include <d3d9.h>
#include <d3dx9.h>

class CXObject {
public:
    CXObject();
    virtual ~CXObject();

    // 0 on success; E_FAIL when the mesh is found neither at `path` nor one directory up.
    HRESULT Load(const char* path);
    // Draws every subset at `position` and `rotation` (degrees).
    void Render();

    D3DXVECTOR3 position;
    D3DXVECTOR3 rotation;
    char directory[128];  // the X file's path up to and including its first '/'
    D3DXMATRIX objectMatrix;
    LPD3DXMESH mesh;
    D3DMATERIAL9* materials;
    LPDIRECT3DTEXTURE9* textures;
    DWORD materialCount;
    LPDIRECT3DTEXTURE9 secondTexture;
    bool secondStageOn;
    bool loadAttempted;
    D3DXVECTOR3 texScale[7];
    DWORD texCoordSource[7];
    DWORD secondColorOp;
};
