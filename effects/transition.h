// Transitions between two full-frame pictures, drawn as a square of side 2 centred on the
// origin (the caller sets world, view and projection so that it fills the screen).
// A transition only accumulates the frame times it is given: the strength
// elapsed / duration rises from 0 to 1 and stays there; it never ends by itself.
#pragma once

#include "platform/d3d8.h"
#include "platform/d3dx8.h"

class CTransition {
public:
    CTransition() = default;
    virtual ~CTransition() = default;
    CTransition(const CTransition&) = delete;
    CTransition& operator=(const CTransition&) = delete;

    // Adds seconds of frame time; not clamped.
    virtual void Update(float seconds) = 0;
    // Draws the transition; the matrix is not used (the caller's transforms apply).
    virtual void Render(D3DXMATRIX matrix) = 0;
    // Seconds until full strength.
    virtual void SetDuration(float seconds) { m_fDuration = seconds; }

protected:
    float m_fDuration = 1.0f;
};

// Shows the first picture and lays the second over it with a rising alpha.
// Throws the C string "Error creating vertex buffer!" when the quad cannot be made.
class CDissolveTransition : public CTransition {
public:
    // The textures are not reference-counted and must outlive the transition; either may be null.
    CDissolveTransition(IDirect3DDevice8* pDevice, IDirect3DTexture8* pFromTexture, IDirect3DTexture8* pToTexture);
    ~CDissolveTransition() override;
    void Update(float seconds) override;
    void Render(D3DXMATRIX matrix) override;

protected:
    IDirect3DDevice8* m_pDevice;
    IDirect3DTexture8* m_pFromTexture;
    float m_fElapsed;  // seconds
    IDirect3DVertexBuffer8* m_pQuad;
    IDirect3DTexture8* m_pToTexture;
};

// Shows the picture and lays a solid colour over it with a rising alpha, up to the
// colour's own alpha. Throws like the dissolve.
class CSolidFadeTransition : public CTransition {
public:
    CSolidFadeTransition(IDirect3DDevice8* pDevice, IDirect3DTexture8* pTexture, D3DXCOLOR colour);
    ~CSolidFadeTransition() override;
    void Update(float seconds) override;
    void Render(D3DXMATRIX matrix) override;

protected:
    IDirect3DDevice8* m_pDevice;
    IDirect3DTexture8* m_pFromTexture;
    float m_fElapsed;  // seconds
    IDirect3DVertexBuffer8* m_pQuad;
    D3DXCOLOR m_colour;
};
