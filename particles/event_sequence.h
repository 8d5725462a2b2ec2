// One EventSequence block of a script: a stream of identical particles with its emission
// properties, its events sorted by time, a texture, two blend factors and a pool of live
// particles. The emitter forwards its per-frame update, drawing and device hooks to each.
#pragma once

#include "particles/particle.h"
#include "particles/particle_event.h"
#include "particles/recycling_array.h"
#include "particles/value_range.h"
#include "platform/d3d8.h"

#include <memory>
#include <string>
#include <vector>

// A point sprite vertex: world position and ARGB colour (D3DFVF_XYZ | D3DFVF_DIFFUSE).
struct ParticleVertex {
    float x, y, z;
    DWORD color;
};
static_assert(sizeof(ParticleVertex) == 16, "the vertex buffer holds 16-byte points");

constexpr DWORD D3DFVF_PARTICLEVERTEX = D3DFVF_XYZ | D3DFVF_DIFFUSE;

class CParticleEventSequence {
public:
    using EventList = std::vector<std::unique_ptr<CParticleEvent>>;

    CParticleEventSequence();
    virtual ~CParticleEventSequence();

    CParticleEventSequence(const CParticleEventSequence&) = delete;
    CParticleEventSequence& operator=(const CParticleEventSequence&) = delete;

    // Back to the defaults: no events, no pool, no texture, 100 particles, no loop limit,
    // nothing emitted, no carry, no gravity or emit radius.
    void Reset();

    // Stores the file name and, with a device, loads it (a failed load leaves no texture).
    void SetTexture(const std::string& fileName);

    // New pool of m_maxParticles, texture reloaded; live particles are lost.
    HRESULT RebuildDeviceObjects(IDirect3DDevice8* device);
    // Drops the pool (and every live particle) and the texture; the device pointer is kept.
    HRESULT ReleaseDeviceObjects();

    // All particles gone, emission count back to 0 (so a Loops limit starts afresh).
    void KillAllParticles();

    // One frame: moves and ages the live particles, applies their due events, emits new ones.
    // time is the application time (unused), elapsed the frame's seconds, emitterPos the
    // emitter position in world units.
    void Update(float time, float elapsed, const D3DXVECTOR3& emitterPos);

    // Draws the live particles as point sprites through vertexBuffer (vertexBufferSize points
    // of 16 bytes), in batches of at most vertexBufferSize.
    void Render(IDirect3DVertexBuffer8* vertexBuffer, int vertexBufferSize);

    int GetNumActiveParticles() const { return m_pool ? m_pool->UsedCount() : 0; }

    // The compile passes over the event list, in this order, when the block closes.
    void PickEventTimes();
    void SortEvents();  // also writes the "Sorted Events" listing to the debugger output
    void LinkFadeEvents();

    // Compile-time setters and the values they set.
    void SetName(const std::string& name) { m_name = name; }
    const std::string& GetName() const { return m_name; }
    void SetLifetime(const ValueRange<float>& v) { m_lifetime = v; }
    const ValueRange<float>& GetLifetime() const { return m_lifetime; }
    void SetEmitRate(const ValueRange<float>& v) { m_emitRate = v; }
    const ValueRange<float>& GetEmitRate() const { return m_emitRate; }
    void SetMaxParticles(int count) { m_maxParticles = count; }
    int GetMaxParticles() const { return m_maxParticles; }
    void SetLoops(int loops) { m_loops = loops; }
    int GetLoops() const { return m_loops; }
    void SetSpawnDir(const ValueRange<D3DXVECTOR3>& v) { m_spawnDir = v; }
    const ValueRange<D3DXVECTOR3>& GetSpawnDir() const { return m_spawnDir; }
    void SetEmitRadius(const ValueRange<D3DXVECTOR3>& v) { m_emitRadius = v; }
    const ValueRange<D3DXVECTOR3>& GetEmitRadius() const { return m_emitRadius; }
    void SetGravity(const ValueRange<D3DXVECTOR3>& v) { m_gravity = v; }
    const ValueRange<D3DXVECTOR3>& GetGravity() const { return m_gravity; }
    void SetSrcBlendMode(DWORD blend) { m_srcBlend = blend; }
    DWORD GetSrcBlendMode() const { return m_srcBlend; }
    void SetDestBlendMode(DWORD blend) { m_destBlend = blend; }
    DWORD GetDestBlendMode() const { return m_destBlend; }
    const std::string& GetTextureFile() const { return m_textureFile; }
    IDirect3DTexture8* GetTexture() const { return m_texture; }
    void AddEvent(std::unique_ptr<CParticleEvent> event) { m_events.push_back(std::move(event)); }
    const EventList& GetEvents() const { return m_events; }

    int GetEmittedCount() const { return m_emittedCount; }
    float GetEmitCarry() const { return m_emitCarry; }
    CRecyclingArrayDyn<CParticle>* GetPool() const { return m_pool.get(); }

private:
    void EmitParticle(const D3DXVECTOR3& emitterPos);
    void ApplyDueEvents(CParticle& particle);
    void ReleaseTexture();

    EventList m_events;
    std::unique_ptr<CRecyclingArrayDyn<CParticle>> m_pool;
    ValueRange<float> m_lifetime;          // seconds, drawn per particle
    ValueRange<float> m_emitRate;          // particles per second, drawn per frame
    int m_loops = -1;                      // > 0: at most m_loops * m_maxParticles emitted
    ValueRange<D3DXVECTOR3> m_spawnDir;    // kept from the script; used by nothing
    ValueRange<D3DXVECTOR3> m_emitRadius;  // offset from the emitter, drawn per particle
    ValueRange<D3DXVECTOR3> m_gravity;     // world units per second², drawn per particle and frame
    std::string m_textureFile;
    IDirect3DTexture8* m_texture = nullptr;  // one reference held
    IDirect3DDevice8* m_device = nullptr;    // not owned
    int m_maxParticles = 100;              // pool capacity
    DWORD m_destBlend = D3DBLEND_ONE;      // additive unless the script says otherwise
    DWORD m_srcBlend = D3DBLEND_ONE;
    int m_emittedCount = 0;                // since the last clear
    std::string m_name;                    // quotes included, as written
    float m_emitCarry = 0.0f;              // fraction of a particle carried to the next frame
};
