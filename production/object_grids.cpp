#include "production/object_grids.h"

#include <cmath>

namespace object_grids {

namespace {

// One object of a grid: scaled, then moved to (x, y, z).
Placement GridObject(float scale, int x, int y, int z, bool lit) {
    D3DXMATRIX scaling, translation;
    Placement object{{}, lit};
    D3DXMatrixScaling(&scaling, scale, scale, scale);
    D3DXMatrixTranslation(&translation, float(x), float(y), float(z));
    D3DXMatrixMultiply(&object.world, &scaling, &translation);
    return object;
}

}  // namespace

std::vector<Placement> At(float t, float q) {
    std::vector<Placement> objects;
    if (t >= 73.0f && t <= 77.0f) {  // turned as the sphere, at (0, 0, 11)
        D3DXMATRIX rotationX, rotationY, scaling, translation;
        Placement object{{}, false};
        D3DXMatrixRotationX(&rotationX, 1.5f * q);
        D3DXMatrixRotationY(&rotationY, 1.5f * q);
        D3DXMatrixScaling(&scaling, 1, 1, 1);
        D3DXMatrixTranslation(&translation, 0, 0, 11);
        D3DXMatrixMultiply(&object.world, &rotationX, &rotationY);
        D3DXMatrixMultiply(&object.world, &object.world, &scaling);
        D3DXMatrixMultiply(&object.world, &object.world, &translation);
        objects.push_back(object);
    }
    if (t >= 77.0f && t <= 83.0f)
        for (int x = -1; x <= 1; ++x)
            for (int y = -1; y <= 1; ++y)
                for (int z = 10; z <= 12; ++z) objects.push_back(GridObject(0.2f, x, y, z, false));
    if (t >= 83.0f && t <= 100.0f)
        for (int x = -3; x <= 3; ++x)
            for (int y = -3; y <= 3; ++y)
                for (int z = 10; z <= 17; ++z) objects.push_back(GridObject(0.15f, x, y, z, false));
    if (t >= 100.0f && t <= 180.0f)
        for (int x = -3; x <= 3; ++x)
            for (int y = -3; y <= 3; ++y)
                for (int z = 10; z <= 17; ++z)
                    objects.push_back(GridObject(std::sin(2 * q + x) / 10 + 0.2f, x, y, z, true));
    return objects;
}

}  // namespace object_grids
