#include "particles/particle_emitter.h"

#include "app/safe_release.h"
#include "particles/compiler.h"
#include "platform/d3dx8.h"
#include "platform/win32.h"

CParticleEmitter::CParticleEmitter() { Init(); }

CParticleEmitter::~CParticleEmitter() {
    Init();
    // The owner releases the device objects before the device goes; should it not have, the
    // buffer reference is still ours to give back.
    SafeRelease(m_vertexBuffer);
}

void CParticleEmitter::Init() {
    m_name.clear();
    m_sequences.clear();
    m_posRange = ValueRange<D3DXVECTOR3>();
    m_vbSize = 500;
    Stop();
}

void CParticleEmitter::Start() { m_running = true; }

void CParticleEmitter::Pause() { m_running = false; }

void CParticleEmitter::Stop() {
    Pause();
    for (auto& sequence : m_sequences) sequence->KillAllParticles();
}

bool CParticleEmitter::IsRunning() const { return m_running; }

CParticleEventSequence& CParticleEmitter::AddSequence() {
    m_sequences.push_back(std::make_unique<CParticleEventSequence>());
    return *m_sequences.back();
}

void CParticleEmitter::RemoveLastSequence() {
    if (!m_sequences.empty()) m_sequences.pop_back();
}

int CParticleEmitter::GetNumActiveParticles() const {
    int count = 0;
    for (const auto& sequence : m_sequences) count += sequence->GetNumActiveParticles();
    return count;
}

HRESULT CParticleEmitter::RebuildDeviceObjects(IDirect3DDevice8* device) {
    if (device == nullptr) return S_OK;
    m_device = device;
    SafeRelease(m_vertexBuffer);  // a rebuild without a release in between
    const HRESULT hr = device->CreateVertexBuffer(
        static_cast<UINT>(m_vbSize) * sizeof(ParticleVertex),
        D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY | D3DUSAGE_POINTS, D3DFVF_PARTICLEVERTEX,
        D3DPOOL_DEFAULT, &m_vertexBuffer);
    if (FAILED(hr)) {
        m_vertexBuffer = nullptr;
        return hr;
    }
    for (auto& sequence : m_sequences) sequence->RebuildDeviceObjects(device);
    return S_OK;
}

HRESULT CParticleEmitter::ReleaseDeviceObjects() {
    for (auto& sequence : m_sequences) sequence->ReleaseDeviceObjects();
    SafeRelease(m_vertexBuffer);
    return S_OK;
}

bool CParticleEmitter::Compile(const char* script) {
    m_lastError = kNoErrorsText;
    m_lastErrorLine = 0;
    try {
        ReleaseDeviceObjects();
        Init();
        CompileScript(*this, script);
        m_pos = m_posRange.Pick();
        RebuildDeviceObjects(m_device);
        return true;
    } catch (const ScriptError& error) {
        m_lastError = error.Text();
        m_lastErrorLine = error.Line();
    } catch (...) {
        m_lastError = "Unhandled exception in CParticleEmitter::Compile.";
    }
    Init();
    OutputDebugStringA(m_lastError.c_str());
    return false;
}

void CParticleEmitter::Update(float time, float elapsed) {
    if (!m_running) return;
    for (auto& sequence : m_sequences) sequence->Update(time, elapsed, m_pos);
}

HRESULT CParticleEmitter::Render() {
    if (!m_running) return S_OK;
    if (m_device == nullptr || m_vertexBuffer == nullptr) return S_OK;
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    m_device->SetTransform(D3DTS_WORLD, &identity);
    for (auto& sequence : m_sequences) sequence->Render(m_vertexBuffer, m_vbSize);
    return S_OK;
}
