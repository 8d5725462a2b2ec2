// Timed particle events: one line of a sequence block, such as "at 0.5 Size = Random(1, 2)".
// A sequence applies an event to a particle when the particle's event timer reaches the
// event's time. A fading event is never applied as a jump: the previous event of its class
// sets a per-second step that brings the value there at the fading event's time.
#pragma once

#include "particles/compiler.h"
#include "particles/particle.h"
#include "particles/value_range.h"
#include "platform/d3d8.h"

class CParticleEvent {
public:
    virtual ~CParticleEvent() = default;

    virtual HRESULT RebuildDeviceObjects(IDirect3DDevice8* /*device*/) { return S_OK; }
    virtual HRESULT ReleaseDeviceObjects() { return S_OK; }
    virtual void Apply(CParticle& particle) = 0;
    virtual bool SupportsFade() const = 0;
    // Cursor on the property word; reads "word = value". Throws ScriptError.
    virtual bool Parse(TokenCursor& cursor, TokenCursor end) = 0;

    // The event class's run-time type name, as the listing shows it.
    std::string ClassName() const;

    void SetTimeRange(const ValueRange<float>& range) { m_timeRange = range; }
    const ValueRange<float>& GetTimeRange() const { return m_timeRange; }
    void SetFade(bool fade) { m_fade = fade; }
    bool IsFade() const { return m_fade; }
    float GetTime() const { return m_time; }
    void PickTime() { m_time = m_timeRange.Pick(); }
    CParticleEvent* GetNextFade() const { return m_nextFade; }
    void SetNextFade(CParticleEvent* next) { m_nextFade = next; }

protected:
    CParticleEvent* m_nextFade = nullptr;  // next later fading event of the same class
    ValueRange<float> m_timeRange;         // seconds of particle time, as the script gave it
    float m_time = 0.0f;                   // drawn from m_timeRange once per compile
    bool m_fade = false;                   // the script said "fade so"
};

// One class per particle property. The scalar classes hold a ValueRange<float>, Color a
// ValueRange<D3DXCOLOR>, Velocity a ValueRange<D3DXVECTOR3>.
#define MORVELT_PARTICLE_EVENT_CLASS(Name, ValueType)                          \
    class Name : public CParticleEvent {                                       \
    public:                                                                    \
        void Apply(CParticle& particle) override;                              \
        bool SupportsFade() const override;                                    \
        bool Parse(TokenCursor& cursor, TokenCursor end) override;             \
        const ValueRange<ValueType>& GetValue() const { return m_value; }      \
                                                                               \
    private:                                                                   \
        ValueRange<ValueType> m_value;                                         \
    };

MORVELT_PARTICLE_EVENT_CLASS(CParticleEvent_Size, float)
MORVELT_PARTICLE_EVENT_CLASS(CParticleEvent_EventTimer, float)
MORVELT_PARTICLE_EVENT_CLASS(CParticleEvent_RedColor, float)
MORVELT_PARTICLE_EVENT_CLASS(CParticleEvent_GreenColor, float)
MORVELT_PARTICLE_EVENT_CLASS(CParticleEvent_BlueColor, float)
MORVELT_PARTICLE_EVENT_CLASS(CParticleEvent_Alpha, float)
MORVELT_PARTICLE_EVENT_CLASS(CParticleEvent_Color, D3DXCOLOR)
MORVELT_PARTICLE_EVENT_CLASS(CParticleEvent_VelocityX, float)
MORVELT_PARTICLE_EVENT_CLASS(CParticleEvent_VelocityY, float)
MORVELT_PARTICLE_EVENT_CLASS(CParticleEvent_VelocityZ, float)
MORVELT_PARTICLE_EVENT_CLASS(CParticleEvent_Velocity, D3DXVECTOR3)

#undef MORVELT_PARTICLE_EVENT_CLASS
