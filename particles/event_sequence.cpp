#include "particles/event_sequence.h"

#include "app/safe_release.h"
#include "particles/compiler.h"
#include "platform/d3dx8.h"
#include "platform/win32.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <typeinfo>

namespace {

// Event times ascending; a time that is not a number sorts last, so the order stays strict.
bool EarlierEvent(const std::unique_ptr<CParticleEvent>& a, const std::unique_ptr<CParticleEvent>& b) {
    const float ta = a->GetTime();
    const float tb = b->GetTime();
    if (std::isnan(ta)) return false;
    if (std::isnan(tb)) return true;
    return ta < tb;
}

}  // namespace

CParticleEventSequence::CParticleEventSequence() { Reset(); }

CParticleEventSequence::~CParticleEventSequence() { ReleaseTexture(); }

void CParticleEventSequence::ReleaseTexture() {
    SafeRelease(m_texture);
}

void CParticleEventSequence::Reset() {
    m_emittedCount = 0;
    m_loops = -1;
    m_maxParticles = 100;
    m_emitCarry = 0.0f;
    m_gravity = ValueRange<D3DXVECTOR3>();
    m_emitRadius = ValueRange<D3DXVECTOR3>();
    m_events.clear();
    m_pool.reset();
    ReleaseTexture();
}

void CParticleEventSequence::SetTexture(const std::string& fileName) {
    m_textureFile = fileName;
    if (m_device == nullptr) return;
    ReleaseTexture();
    if (fileName.empty()) return;  // no texture asked for
    if (FAILED(D3DXCreateTextureFromFileA(m_device, fileName.c_str(), &m_texture))) m_texture = nullptr;
}

HRESULT CParticleEventSequence::RebuildDeviceObjects(IDirect3DDevice8* device) {
    m_device = device;
    m_pool.reset();
    m_pool = std::make_unique<CRecyclingArrayDyn<CParticle>>(m_maxParticles);
    SetTexture(m_textureFile);
    for (auto& event : m_events) event->RebuildDeviceObjects(device);
    return S_OK;
}

HRESULT CParticleEventSequence::ReleaseDeviceObjects() {
    m_pool.reset();
    ReleaseTexture();
    for (auto& event : m_events) event->ReleaseDeviceObjects();
    return S_OK;
}

void CParticleEventSequence::KillAllParticles() {
    if (m_pool) m_pool->FreeAll();
    m_emittedCount = 0;
}

void CParticleEventSequence::PickEventTimes() {
    for (auto& event : m_events) event->PickTime();
}

void CParticleEventSequence::SortEvents() {
    std::stable_sort(m_events.begin(), m_events.end(), EarlierEvent);
    OutputDebugStringA("\n\nSorted Events:");
    char line[256];
    for (const auto& event : m_events) {
        std::snprintf(line, sizeof(line), "\nTime: %0.2f Type: %20s Fade: %c",
                      static_cast<double>(event->GetTime()), event->ClassName().c_str(),
                      event->IsFade() ? 'Y' : 'N');
        OutputDebugStringA(line);
    }
}

void CParticleEventSequence::LinkFadeEvents() {
    for (std::size_t i = 0; i < m_events.size(); ++i) {
        CParticleEvent& event = *m_events[i];
        event.SetNextFade(nullptr);
        for (std::size_t j = i + 1; j < m_events.size(); ++j) {
            CParticleEvent& later = *m_events[j];
            if (later.IsFade() && typeid(later) == typeid(event)) {
                event.SetNextFade(&later);
                break;
            }
        }
    }
}

void CParticleEventSequence::EmitParticle(const D3DXVECTOR3& emitterPos) {
    CParticle& p = *m_pool->New();
    p.m_lifetime = m_lifetime.Pick();
    const D3DXVECTOR3 offset = m_emitRadius.Pick();
    p.m_pos = D3DXVECTOR3(emitterPos.x + offset.x, emitterPos.y + offset.y, emitterPos.z + offset.z);

    // The events at time 0 belong to the particle's birth.
    const int count = static_cast<int>(m_events.size());
    int index = 0;
    while (index < count && m_events[index]->GetTime() == 0.0f) m_events[index++]->Apply(p);
    p.m_curEvent = index;

    if (m_emittedCount < INT_MAX) ++m_emittedCount;
}

void CParticleEventSequence::ApplyDueEvents(CParticle& p) {
    const int count = static_cast<int>(m_events.size());
    // Event-timer events may send the timer back; two of them can send it to and fro forever
    // within one frame, so one call follows at most as many jumps as there are events and
    // goes on from there in the next frame.
    int jumps = 0;
    int index = p.m_curEvent;
    while (index < count && m_events[index]->GetTime() <= p.m_eventTimer) {
        const float timerBefore = p.m_eventTimer;
        m_events[index]->Apply(p);
        if (p.m_eventTimer != timerBefore) {
            index = 0;
            while (index < count && m_events[index]->GetTime() < p.m_eventTimer) ++index;
            if (++jumps >= count) break;
            continue;
        }
        ++index;
    }
    p.m_curEvent = index;
}

void CParticleEventSequence::Update(float /*time*/, float elapsed, const D3DXVECTOR3& emitterPos) {
    if (!m_pool) return;

    const int capacity = m_pool->Capacity();
    for (int i = 0; i < capacity; ++i) {
        if (!m_pool->IsInUse(i)) continue;
        CParticle& p = m_pool->At(i);
        if (!p.Update(elapsed)) {
            m_pool->Free(&p);
            continue;
        }
        const D3DXVECTOR3 gravity = m_gravity.Pick();
        p.m_velocity.x += gravity.x * elapsed;
        p.m_velocity.y += gravity.y * elapsed;
        p.m_velocity.z += gravity.z * elapsed;
        ApplyDueEvents(p);
    }

    // Whole particles of this frame; the fraction is carried until it exceeds one.
    const float amount = m_emitRate.Pick() * elapsed;
    long long n = TruncateToInt(amount);
    m_emitCarry += amount - static_cast<float>(n);
    if (m_emitCarry > 1.0f) {
        const int k = TruncateToInt(m_emitCarry);
        n += k;
        m_emitCarry -= static_cast<float>(k);
    }
    if (m_loops > 0) {
        const long long limit = static_cast<long long>(m_loops) * m_maxParticles;
        if (m_emittedCount + n > limit) n = std::max(0LL, limit - m_emittedCount);
    }
    for (long long i = 0; i < n && m_pool->FreeCount() > 0; ++i) {
        try {
            EmitParticle(emitterPos);
        } catch (...) {
            break;  // an emission that fails ends this frame's emission
        }
    }
}

void CParticleEventSequence::Render(IDirect3DVertexBuffer8* vertexBuffer, int vertexBufferSize) {
    if (m_device == nullptr || !m_pool || vertexBuffer == nullptr || vertexBufferSize <= 0) return;
    IDirect3DDevice8* device = m_device;

    device->SetRenderState(D3DRS_POINTSPRITEENABLE, TRUE);
    device->SetRenderState(D3DRS_POINTSCALEENABLE, TRUE);
    device->SetRenderState(D3DRS_POINTSIZE, FloatToBits(5.08f));
    device->SetRenderState(D3DRS_POINTSIZE_MIN, FloatToBits(0.0f));
    device->SetRenderState(D3DRS_POINTSIZE_MAX, FloatToBits(500.0f));
    device->SetRenderState(D3DRS_POINTSCALE_A, FloatToBits(0.0f));
    device->SetRenderState(D3DRS_POINTSCALE_B, FloatToBits(0.0f));
    device->SetRenderState(D3DRS_POINTSCALE_C, FloatToBits(1.0f));
    device->SetRenderState(D3DRS_SRCBLEND, m_srcBlend);
    device->SetRenderState(D3DRS_DESTBLEND, m_destBlend);

    device->SetStreamSource(0, vertexBuffer, sizeof(ParticleVertex));
    device->SetVertexShader(D3DFVF_PARTICLEVERTEX);
    device->SetTexture(0, m_texture);

    const UINT lockBytes = static_cast<UINT>(vertexBufferSize) * sizeof(ParticleVertex);
    auto drawBatches = [&]() {
        BYTE* data = nullptr;
        if (FAILED(vertexBuffer->Lock(0, lockBytes, &data, D3DLOCK_DISCARD))) return;
        auto* vertices = reinterpret_cast<ParticleVertex*>(data);
        int count = 0;
        const int capacity = m_pool->Capacity();
        for (int i = 0; i < capacity; ++i) {
            if (!m_pool->IsInUse(i)) continue;
            const CParticle& p = m_pool->At(i);
            vertices[count].x = p.m_pos.x;
            vertices[count].y = p.m_pos.y;
            vertices[count].z = p.m_pos.z;
            vertices[count].color = static_cast<D3DCOLOR>(p.m_color);  // clamped to 0..1, rounded
            if (++count == vertexBufferSize) {
                vertexBuffer->Unlock();
                if (FAILED(device->DrawPrimitive(D3DPT_POINTLIST, 0, static_cast<UINT>(count)))) return;
                if (FAILED(vertexBuffer->Lock(0, lockBytes, &data, D3DLOCK_DISCARD))) return;
                vertices = reinterpret_cast<ParticleVertex*>(data);
                count = 0;
            }
        }
        vertexBuffer->Unlock();
        if (count > 0) device->DrawPrimitive(D3DPT_POINTLIST, 0, static_cast<UINT>(count));
    };
    drawBatches();

    // Put the point states back even when a device call failed, so that later points of the
    // frame are not drawn as sprites.
    device->SetRenderState(D3DRS_POINTSPRITEENABLE, FALSE);
    device->SetRenderState(D3DRS_POINTSCALEENABLE, FALSE);
}
