// The D3DX utility library as Quorvel uses it: math, texture and mesh loading.
#pragma once

#include <d3d9.h>
#include <d3dx9math.h>
#include <d3dx9mesh.h>
#include <d3dx9tex.h>
