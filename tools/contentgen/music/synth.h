// A small software synthesizer: instruments render single notes into mono buses of
// 44.1 kHz float samples; effects (delay, reverb) and the mixdown work on whole buses.
// Everything is deterministic: noise comes from a seeded generator, never from time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace music {

constexpr int kRate = 44100;           // samples per second
constexpr double kMusicStart = 1.1;    // production time (s) at which sample 0 plays

// Sample index of production time t (seconds).
inline long SampleAt(double t) { return long((t - kMusicStart) * kRate + 0.5); }

// Frequency in Hz of MIDI note n (69 = A4 = 440 Hz).
double NoteHz(double n);

// Deterministic white noise, -1..1.
class Noise {
public:
    explicit Noise(uint32_t seed) : m_s(seed * 2654435761u + 1) {}
    float Next()
    {
        m_s ^= m_s << 13;
        m_s ^= m_s >> 17;
        m_s ^= m_s << 5;
        return float(int32_t(m_s)) / 2147483648.f;
    }

private:
    uint32_t m_s;
};

// State-variable filter (Chamberlin, two samples per call for stability), cutoff in Hz,
// resonance 0..~0.95.
class Svf {
public:
    void Set(float cutoffHz, float resonance);
    // Returns the low-pass output; band and high are kept for Band()/High().
    float Process(float x);
    float Band() const { return m_band; }
    float High() const { return m_high; }

private:
    float m_f = 0.1f, m_q = 1.f, m_low = 0, m_band = 0, m_high = 0;
};

// A mono bus: one float per sample for the whole piece.
struct Bus {
    std::vector<float> s;
    explicit Bus(size_t n) : s(n, 0.f) {}
    void Add(long i, float v)
    {
        if (i >= 0 && size_t(i) < s.size()) s[size_t(i)] += v;
    }
};

// The buses every note writes to: left/right dry and two effect sends.
struct Mix {
    Bus left, right, reverbSend, delaySend;
    explicit Mix(size_t n) : left(n), right(n), reverbSend(n), delaySend(n) {}
    // Writes one sample with pan -1 (left) .. 1 (right) and send levels.
    void Put(long i, float v, float pan, float reverb, float delay)
    {
        float l = 0.5f * (1 - pan), r = 0.5f * (1 + pan);
        left.Add(i, v * l * 1.4f);
        right.Add(i, v * r * 1.4f);
        reverbSend.Add(i, v * reverb);
        delaySend.Add(i, v * delay);
    }
};

// Instruments. `t` is the production time of the note's start in seconds, `len` its
// length in seconds, `note` a MIDI note number, `vel` 0..1.
void Kick(Mix& m, double t, float vel, float boom = 0.f);
void Snare(Mix& m, double t, float vel);
void Clap(Mix& m, double t, float vel);
void HatClosed(Mix& m, double t, float vel, float pan);
void HatOpen(Mix& m, double t, float vel, float pan);
void Crash(Mix& m, double t, float vel);
void Bass(Mix& m, double t, double len, double note, float vel, float cutoff, float reso);
void SubDrone(Mix& m, double t, double len, double note, float vel);
void Pad(Mix& m, double t, double len, const std::vector<double>& notes, float vel, float bright);
void Bell(Mix& m, double t, double note, float vel, float pan);
void Pluck(Mix& m, double t, double len, double note, float vel, float pan, float bright);
void Lead(Mix& m, double t, double len, double note, float vel);
void Riser(Mix& m, double t, double len, float vel, bool down = false);
// A bright, nearly pure tone with a short decay (presence around 1.3 - 1.8 kHz).
void Glint(Mix& m, double t, double note, float vel, float pan);
void Drip(Mix& m, double t, double note, float vel, float pan);
void Wind(Mix& m, double t, double len, float vel, uint32_t seed);

// Effects and mixdown: adds the delay (3/8 beat, feedback) and reverb returns to the
// dry buses, limits softly and writes interleaved 16-bit stereo.
std::vector<int16_t> Master(Mix& m, double fadeOutStart, double fadeOutEnd);

}  // namespace music
