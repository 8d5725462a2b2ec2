#include "particles/particle.h"

bool CParticle::Update(float elapsed) {
    m_age += elapsed;
    m_eventTimer += elapsed;
    if (!(m_age < m_lifetime)) return false;

    m_pos.x += m_velocity.x * elapsed;
    m_pos.y += m_velocity.y * elapsed;
    m_pos.z += m_velocity.z * elapsed;

    m_color.r += m_colorStep.r * elapsed;
    m_color.g += m_colorStep.g * elapsed;
    m_color.b += m_colorStep.b * elapsed;
    m_color.a += m_colorStep.a * elapsed;

    m_velocity.x += m_velocityStep.x * elapsed;
    m_velocity.y += m_velocityStep.y * elapsed;
    m_velocity.z += m_velocityStep.z * elapsed;

    m_size += elapsed * m_sizeStep;
    return true;
}
