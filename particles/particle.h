// One particle: position, motion, colour and size with their per-second steps, and its age.
#pragma once

#include "platform/d3dx8.h"

class CParticle {
public:
    virtual ~CParticle() = default;

    // Advances by elapsed seconds; false when the particle has reached its lifetime (it is then
    // left unchanged apart from its age and event timer).
    bool Update(float elapsed);

    int m_curEvent = 0;       // index of the first event of the sequence not yet applied
    float m_size = 1.0f;
    float m_sizeStep = 0.0f;  // size change per second
    float m_lifetime = 1.0f;  // seconds
    float m_age = 0.0f;       // seconds lived
    float m_eventTimer = 0.0f;  // seconds of particle time, compared with event times
    D3DXCOLOR m_color = D3DXCOLOR(1.0f, 1.0f, 1.0f, 1.0f);       // not clamped
    D3DXCOLOR m_colorStep = D3DXCOLOR(0.0f, 0.0f, 0.0f, 0.0f);   // per second
    D3DXVECTOR3 m_pos = D3DXVECTOR3(0.0f, 0.0f, 0.0f);           // world units
    D3DXVECTOR3 m_velocity = D3DXVECTOR3(0.0f, 0.0f, 0.0f);      // world units per second
    D3DXVECTOR3 m_velocityStep = D3DXVECTOR3(0.0f, 0.0f, 0.0f);  // per second
};
