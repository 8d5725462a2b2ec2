// A particle system as the production sees it: compiled from one .dps script, started,
// advanced every frame and drawn. Owns its sequences and one dynamic vertex buffer of 500
// points shared by all of them.
#pragma once

#include "particles/event_sequence.h"
#include "particles/value_range.h"
#include "platform/d3d8.h"

#include <memory>
#include <string>
#include <vector>

class CParticleEmitter {
public:
    using SequenceList = std::vector<std::unique_ptr<CParticleEventSequence>>;

    static constexpr const char* kNoErrorsText = "0 error(s), you're good to go!";

    CParticleEmitter();
    virtual ~CParticleEmitter();

    CParticleEmitter(const CParticleEmitter&) = delete;
    CParticleEmitter& operator=(const CParticleEmitter&) = delete;

    // time: application seconds; elapsed: seconds since the previous frame.
    virtual void Update(float time, float elapsed);
    virtual HRESULT Render();
    virtual HRESULT RebuildDeviceObjects(IDirect3DDevice8* device);
    virtual HRESULT ReleaseDeviceObjects();
    // Compiles a NUL-terminated script; false with the message in GetLastError() on an error.
    // The emitter is stopped afterwards either way.
    virtual bool Compile(const char* script);
    virtual void Init();
    virtual void Start();
    virtual void Pause();  // keeps the live particles, neither moves nor draws them
    virtual void Stop();   // Pause, and all particles gone
    virtual bool IsRunning() const;

    void SetPos(const D3DXVECTOR3& position) { m_pos = position; }
    int GetNumActiveParticles() const;
    const std::string& GetLastError() const { return m_lastError; }
    // The script line of the last error; 0 after a success or when no line is known.
    int GetLastErrorLine() const { return m_lastErrorLine; }

    // What the compiler fills in, and what tools and tests read.
    const D3DXVECTOR3& GetPos() const { return m_pos; }
    void SetName(const std::string& name) { m_name = name; }
    const std::string& GetName() const { return m_name; }
    void SetPosRange(const ValueRange<D3DXVECTOR3>& range) { m_posRange = range; }
    const ValueRange<D3DXVECTOR3>& GetPosRange() const { return m_posRange; }
    CParticleEventSequence& AddSequence();
    void RemoveLastSequence();
    const SequenceList& GetSequences() const { return m_sequences; }
    IDirect3DDevice8* GetDevice() const { return m_device; }
    IDirect3DVertexBuffer8* GetVertexBuffer() const { return m_vertexBuffer; }
    int GetVertexBufferSize() const { return m_vbSize; }

private:
    std::string m_lastError;
    int m_lastErrorLine = 0;
    ValueRange<D3DXVECTOR3> m_posRange;
    D3DXVECTOR3 m_pos = D3DXVECTOR3(0.0f, 0.0f, 0.0f);  // world units
    std::string m_name;
    SequenceList m_sequences;
    bool m_running = false;
    int m_vbSize = 500;                              // points
    IDirect3DDevice8* m_device = nullptr;            // not owned
    IDirect3DVertexBuffer8* m_vertexBuffer = nullptr;  // one reference held
};
