#include "particles/particle_event.h"

#include <cxxabi.h>

#include <cstdlib>
#include <typeinfo>

std::string CParticleEvent::ClassName() const {
    const char* mangled = typeid(*this).name();
    int status = 0;
    char* demangled = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
    std::string name = (status == 0 && demangled != nullptr) ? demangled : mangled;
    std::free(demangled);
    return name;
}

namespace {

// Seconds from this event to the next fading one; 1 when both fall on the same time.
float FadeInterval(const CParticleEvent& self, const CParticleEvent& next) {
    const float interval = next.GetTime() - self.GetTime();
    return interval == 0.0f ? 1.0f : interval;
}

// Sets the value (unless this event fades in) and, when a later fading event of the same
// class exists, the per-second step that reaches its value at its time.
template <class Event>
void ApplyScalar(const Event& self, float& member, float& step) {
    if (!self.IsFade()) member = self.GetValue().Pick();
    if (const auto* next = static_cast<const Event*>(self.GetNextFade())) {
        const float target = next->GetValue().Pick();
        step = (target - member) / FadeInterval(self, *next);
    }
}

template <class Event>
void ApplyColor(const Event& self, D3DXCOLOR& member, D3DXCOLOR& step) {
    if (!self.IsFade()) member = self.GetValue().Pick();
    if (const auto* next = static_cast<const Event*>(self.GetNextFade())) {
        const D3DXCOLOR target = next->GetValue().Pick();
        const float interval = FadeInterval(self, *next);
        step.r = (target.r - member.r) / interval;
        step.g = (target.g - member.g) / interval;
        step.b = (target.b - member.b) / interval;
        step.a = (target.a - member.a) / interval;
    }
}

template <class Event>
void ApplyVector(const Event& self, D3DXVECTOR3& member, D3DXVECTOR3& step) {
    if (!self.IsFade()) member = self.GetValue().Pick();
    if (const auto* next = static_cast<const Event*>(self.GetNextFade())) {
        const D3DXVECTOR3 target = next->GetValue().Pick();
        const float interval = FadeInterval(self, *next);
        step.x = (target.x - member.x) / interval;
        step.y = (target.y - member.y) / interval;
        step.z = (target.z - member.z) / interval;
    }
}

// The property word must be part of the current (upper-case) token.
void ExpectWord(TokenCursor cursor, TokenCursor end, const char* word, const char* message) {
    if (CurrentToken(cursor, end).text.find(word) == std::string::npos) throw ScriptError(message);
}

}  // namespace

void CParticleEvent_Size::Apply(CParticle& p) { ApplyScalar(*this, p.m_size, p.m_sizeStep); }
void CParticleEvent_RedColor::Apply(CParticle& p) { ApplyScalar(*this, p.m_color.r, p.m_colorStep.r); }
void CParticleEvent_GreenColor::Apply(CParticle& p) { ApplyScalar(*this, p.m_color.g, p.m_colorStep.g); }
void CParticleEvent_BlueColor::Apply(CParticle& p) { ApplyScalar(*this, p.m_color.b, p.m_colorStep.b); }
void CParticleEvent_Alpha::Apply(CParticle& p) { ApplyScalar(*this, p.m_color.a, p.m_colorStep.a); }
void CParticleEvent_Color::Apply(CParticle& p) { ApplyColor(*this, p.m_color, p.m_colorStep); }
void CParticleEvent_VelocityX::Apply(CParticle& p) { ApplyScalar(*this, p.m_velocity.x, p.m_velocityStep.x); }
void CParticleEvent_VelocityY::Apply(CParticle& p) { ApplyScalar(*this, p.m_velocity.y, p.m_velocityStep.y); }
void CParticleEvent_VelocityZ::Apply(CParticle& p) { ApplyScalar(*this, p.m_velocity.z, p.m_velocityStep.z); }
void CParticleEvent_Velocity::Apply(CParticle& p) { ApplyVector(*this, p.m_velocity, p.m_velocityStep); }

// The timer jump: the sequence notices the changed timer and continues with the events due at
// the new value.
void CParticleEvent_EventTimer::Apply(CParticle& p) { p.m_eventTimer = m_value.Pick(); }

bool CParticleEvent_Size::SupportsFade() const { return true; }
bool CParticleEvent_EventTimer::SupportsFade() const { return false; }
bool CParticleEvent_RedColor::SupportsFade() const { return true; }
bool CParticleEvent_GreenColor::SupportsFade() const { return true; }
bool CParticleEvent_BlueColor::SupportsFade() const { return true; }
bool CParticleEvent_Alpha::SupportsFade() const { return true; }
bool CParticleEvent_Color::SupportsFade() const { return true; }
bool CParticleEvent_VelocityX::SupportsFade() const { return true; }
bool CParticleEvent_VelocityY::SupportsFade() const { return true; }
bool CParticleEvent_VelocityZ::SupportsFade() const { return true; }
bool CParticleEvent_Velocity::SupportsFade() const { return true; }

bool CParticleEvent_Size::Parse(TokenCursor& cursor, TokenCursor end) {
    ExpectWord(cursor, end, "SIZE", "Expecting Size!");
    ParseAssignedValue(m_value, cursor, end);
    return true;
}
bool CParticleEvent_EventTimer::Parse(TokenCursor& cursor, TokenCursor end) {
    ExpectWord(cursor, end, "EVENTTIMER", "Expecting EventTimer!");
    ParseAssignedValue(m_value, cursor, end);
    return true;
}
bool CParticleEvent_RedColor::Parse(TokenCursor& cursor, TokenCursor end) {
    ExpectWord(cursor, end, "REDCOLOR", "Expecting RedColor!");
    ParseAssignedValue(m_value, cursor, end);
    return true;
}
bool CParticleEvent_GreenColor::Parse(TokenCursor& cursor, TokenCursor end) {
    ExpectWord(cursor, end, "GREENCOLOR", "Expecting GreenColor!");
    ParseAssignedValue(m_value, cursor, end);
    return true;
}
bool CParticleEvent_BlueColor::Parse(TokenCursor& cursor, TokenCursor end) {
    ExpectWord(cursor, end, "BLUECOLOR", "Expecting BlueColor!");
    ParseAssignedValue(m_value, cursor, end);
    return true;
}
bool CParticleEvent_Alpha::Parse(TokenCursor& cursor, TokenCursor end) {
    ExpectWord(cursor, end, "ALPHA", "Expecting Alpha!");
    ParseAssignedValue(m_value, cursor, end);
    return true;
}
bool CParticleEvent_Color::Parse(TokenCursor& cursor, TokenCursor end) {
    ExpectWord(cursor, end, "COLOR", "Expecting Color!");
    ParseAssignedColor(m_value, cursor, end);
    return true;
}
bool CParticleEvent_VelocityX::Parse(TokenCursor& cursor, TokenCursor end) {
    ExpectWord(cursor, end, "VELOCITYX", "Expecting VelocityX!");
    ParseAssignedValue(m_value, cursor, end);
    return true;
}
bool CParticleEvent_VelocityY::Parse(TokenCursor& cursor, TokenCursor end) {
    ExpectWord(cursor, end, "VELOCITYY", "Expecting VelocityY!");
    ParseAssignedValue(m_value, cursor, end);
    return true;
}
bool CParticleEvent_VelocityZ::Parse(TokenCursor& cursor, TokenCursor end) {
    ExpectWord(cursor, end, "VELOCITYZ", "Expecting VelocityZ!");
    ParseAssignedValue(m_value, cursor, end);
    return true;
}
bool CParticleEvent_Velocity::Parse(TokenCursor& cursor, TokenCursor end) {
    ExpectWord(cursor, end, "VELOCITY", "Expecting Velocity!");
    ParseAssignedVector(m_value, cursor, end);
    return true;
}
