// Lens flare: textured squares laid additively over the finished picture along the line
// from a light position on the screen through the screen centre. Screen pixels only.
#pragma once

#include <vector>

#include "platform/d3d8.h"
#include "platform/d3dx8.h"

// One square of the flare.
class CLensFlareSpot {
public:
    CLensFlareSpot() = default;
    CLensFlareSpot(IDirect3DTexture8* pTexture, float size, float position, const D3DXCOLOR& colour)
        : m_pTexture(pTexture), m_fSize(size), m_fPosition(position), m_colour(colour) {}
    virtual ~CLensFlareSpot() = default;
    CLensFlareSpot(const CLensFlareSpot&) = default;
    CLensFlareSpot& operator=(const CLensFlareSpot&) = default;

    IDirect3DTexture8* m_pTexture = nullptr;  // owned by the flare's texture list; may be null
    float m_fSize = 0.0f;       // half-width as a fraction of the screen width
    float m_fPosition = 0.0f;   // 1 at the light, 0 at the screen centre, < 0 beyond it
    D3DXCOLOR m_colour;         // colour and alpha
};

class CLensFlare {
public:
    CLensFlare();
    virtual ~CLensFlare();
    CLensFlare(const CLensFlare&) = delete;
    CLensFlare& operator=(const CLensFlare&) = delete;

    // Stores the device (not reference-counted) and makes the vertex buffer.
    HRESULT RebuildDeviceObjects(IDirect3DDevice8* pDevice);
    // Loads a texture into the flare's list; null (nothing stored) when it cannot be loaded.
    IDirect3DTexture8* AddTexture(const char* fileName);
    // Appends a copy of the spot and resizes the vertex buffer to hold every spot.
    HRESULT AddSpot(const CLensFlareSpot& spot);
    HRESULT AddSpot(IDirect3DTexture8* pTexture, float size, float position, const D3DXCOLOR& colour) {
        return AddSpot(CLensFlareSpot(pTexture, size, position, colour));
    }
    // Releases the textures, forgets the spots and releases the vertex buffer.
    HRESULT ReleaseDeviceObjects();

    // lightX, lightY: light in pixels (may lie outside the screen); width, height: screen
    // size in pixels; onlyFirst: every spot but the first drawn invisible. Leaves the blend
    // and stage states it sets. Returns the lock's failure code, E_FAIL without a vertex
    // buffer, otherwise S_OK.
    HRESULT Render(int lightX, int lightY, int width, int height, bool onlyFirst);

    struct Range {
        float min, max;
    };
    Range m_intensity;     // brightness from full fade-out to full strength
    float m_fFadeRadius;   // pixels outside the screen over which the flare fades out
    IDirect3DVertexBuffer8* m_pVB;
    int m_nVBSpots;        // spots the vertex buffer holds
    IDirect3DDevice8* m_pDevice;
    std::vector<IDirect3DTexture8*> m_textures;
    std::vector<CLensFlareSpot> m_spots;  // in drawing order

private:
    HRESULT RecreateVertexBuffer();
};
