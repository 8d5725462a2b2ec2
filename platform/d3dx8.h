// The D3DX stand-in: vectors, colours and matrices; texture and mesh loading.
#pragma once

#include "platform/d3d8.h"
#include "platform/d3dx/constants.h"
#include "platform/d3dx/math.h"
#include "platform/d3dx/mesh.h"
#include "platform/d3dx/texture.h"
