#include "synth.h"

#include <algorithm>
#include <cmath>

namespace music {

namespace {
constexpr double kTwoPi = 6.283185307179586;

// Band-limited sawtooth step (polyBLEP); phase 0..1, dt = frequency / rate.
float PolyBlep(double t, double dt)
{
    if (t < dt) {
        t /= dt;
        return float(t + t - t * t - 1.0);
    }
    if (t > 1.0 - dt) {
        t = (t - 1.0) / dt;
        return float(t * t + t + t + 1.0);
    }
    return 0.f;
}

// Sine oscillator by the two-term recurrence: one multiply-add per sample.
struct SineOsc {
    double k = 0, s1 = 0, s2 = 0;
    SineOsc(double hz, double phase)
    {
        double w = kTwoPi * hz / kRate;
        k = 2 * std::cos(w);
        s1 = std::sin(phase - w);
        s2 = std::sin(phase - 2 * w);
    }
    float Next()
    {
        double s0 = k * s1 - s2;
        s2 = s1;
        s1 = s0;
        return float(s0);
    }
};

struct Saw {
    double phase = 0;
    float Next(double hz)
    {
        double dt = hz / kRate;
        float v = float(2.0 * phase - 1.0) - PolyBlep(phase, dt);
        phase += dt;
        if (phase >= 1.0) phase -= 1.0;
        return v;
    }
};

// Linear attack, hold, linear release over `release` seconds after `len`.
float Gate(double tau, double len, double attack, double release)
{
    float a = tau < attack ? float(tau / attack) : 1.f;
    if (tau > len) a *= float(std::max(0.0, 1.0 - (tau - len) / release));
    return a;
}
}  // namespace

double NoteHz(double n) { return 440.0 * std::pow(2.0, (n - 69.0) / 12.0); }

void Svf::Set(float cutoffHz, float resonance)
{
    // Two passes per sample: the coefficient is for half the sample period.
    float fc = std::clamp(cutoffHz, 20.f, kRate * 0.3f);
    m_f = 2.f * std::sin(3.14159265f * fc / (2.f * kRate));
    m_q = 2.f * (1.f - std::clamp(resonance, 0.f, 0.97f));
}

float Svf::Process(float x)
{
    for (int i = 0; i < 2; ++i) {
        m_low += m_f * m_band;
        m_high = x - m_low - m_q * m_band;
        m_band += m_f * m_high;
    }
    return m_low;
}

void Kick(Mix& m, double t, float vel, float boom)
{
    long s0 = SampleAt(t);
    const double len = 0.5 + boom * 1.2;
    double phase = 0;
    Noise nz(uint32_t(s0) ^ 0x4b1d);
    for (long i = 0; i < long(len * kRate); ++i) {
        double tau = double(i) / kRate;
        double hz = (45.0 - boom * 7) + 120.0 * std::exp(-tau * 28.0);
        phase += hz / kRate;
        float body = float(std::sin(kTwoPi * phase)) * float(std::exp(-tau * (6.0 - boom * 3.5)));
        float click = tau < 0.004 ? nz.Next() * float(1 - tau / 0.004) * 0.35f : 0.f;
        float v = std::tanh((body + click) * 1.6f) * vel;
        m.Put(s0 + i, v, 0.f, 0.05f + boom * 0.2f, 0.f);
    }
}

void Snare(Mix& m, double t, float vel)
{
    long s0 = SampleAt(t);
    Noise nz(uint32_t(s0) ^ 0x5a5e);
    Svf bp;
    bp.Set(3200.f, 0.3f);
    double phase = 0;
    for (long i = 0; i < long(0.32 * kRate); ++i) {
        double tau = double(i) / kRate;
        phase += (180.0 + 60 * std::exp(-tau * 40)) / kRate;
        float tone = float(std::sin(kTwoPi * phase) * std::exp(-tau * 28.0)) * 0.6f;
        bp.Process(nz.Next());
        float noise = (bp.Band() * 1.3f + bp.High() * 0.25f) * float(std::exp(-tau * 15.0));
        m.Put(s0 + i, (tone + noise) * vel * 0.9f, 0.05f, 0.35f, 0.05f);
    }
}

void Clap(Mix& m, double t, float vel)
{
    long s0 = SampleAt(t);
    Noise nz(uint32_t(s0) ^ 0xc1a9);
    Svf bp;
    bp.Set(1400.f, 0.5f);
    for (long i = 0; i < long(0.25 * kRate); ++i) {
        double tau = double(i) / kRate;
        double burst = 0;
        for (double o : {0.0, 0.011, 0.022}) burst += (tau >= o && tau < o + 0.01) ? std::exp(-(tau - o) * 300) : 0;
        double tail = tau > 0.022 ? std::exp(-(tau - 0.022) * 18) : 0;
        bp.Process(nz.Next());
        m.Put(s0 + i, bp.Band() * float(burst + tail * 0.7) * vel * 1.4f, -0.1f, 0.5f, 0.1f);
    }
}

namespace {
void Hat(Mix& m, double t, float vel, float pan, double len, double decay, uint32_t seed)
{
    long s0 = SampleAt(t);
    Noise nz(uint32_t(s0) ^ seed);
    Svf hp;
    hp.Set(8500.f, 0.2f);
    // A few square partials give the metallic colour; the noise carries the air (up to 20 kHz).
    const double partials[] = {3520, 5127, 7043, 9512};
    // The "air" of the hat: a cluster of partials around 15.5 kHz.
    SineOsc air[] = {{15180, 0.3}, {15530, 1.1}, {15870, 2.0}};
    for (long i = 0; i < long(len * kRate); ++i) {
        double tau = double(i) / kRate;
        float metal = 0;
        for (double p : partials) metal += std::fmod(p * tau, 1.0) < 0.5 ? 0.12f : -0.12f;
        float sheen = 0;
        for (SineOsc& o : air) sheen += o.Next() * 0.6f;
        hp.Process(nz.Next() + metal * 0.5f);
        float v = (hp.High() + sheen) * float(std::exp(-tau * decay)) * vel;
        m.Put(s0 + i, v, pan, 0.08f, 0.f);
    }
}
}  // namespace

void HatClosed(Mix& m, double t, float vel, float pan) { Hat(m, t, vel, pan, 0.1, 40.0, 0x4a7c); }
void HatOpen(Mix& m, double t, float vel, float pan) { Hat(m, t, vel * 0.8f, pan, 0.45, 8.0, 0x09e1); }

void Crash(Mix& m, double t, float vel)
{
    long s0 = SampleAt(t);
    Noise nz(uint32_t(s0) ^ 0xc7a5);
    Svf hp;
    hp.Set(4500.f, 0.1f);
    const double partials[] = {2473, 3312, 4481, 5893, 7217, 8840};
    for (long i = 0; i < long(3.0 * kRate); ++i) {
        double tau = double(i) / kRate;
        float metal = 0;
        for (double p : partials) metal += float(std::sin(kTwoPi * p * tau + p)) * 0.1f;
        hp.Process(nz.Next() + metal);
        float env = float(std::exp(-tau * 1.6) * (tau < 0.002 ? tau / 0.002 : 1.0));
        float v = hp.High() * env * vel * 0.9f;
        m.Put(s0 + i, v, (i & 1) ? 0.3f : -0.3f, 0.4f, 0.f);
    }
}

void Bass(Mix& m, double t, double len, double note, float vel, float cutoff, float reso)
{
    long s0 = SampleAt(t);
    Saw saw;
    Svf lp;
    double sub = 0;
    const double hz = NoteHz(note);
    for (long i = 0; i < long((len + 0.05) * kRate); ++i) {
        double tau = double(i) / kRate;
        if ((i & 15) == 0) lp.Set(float(cutoff * (1.0 + 5.0 * std::exp(-tau * 14.0))), reso);
        sub += hz / kRate;
        float x = saw.Next(hz) * 0.6f + float(std::sin(kTwoPi * sub)) * 0.7f;
        float y = lp.Process(x);
        float g = Gate(tau, len, 0.003, 0.05) * (0.75f + 0.25f * float(std::exp(-tau * 8)));
        m.Put(s0 + i, std::tanh(y * 1.3f) * g * vel, 0.f, 0.02f, 0.f);
    }
}

void SubDrone(Mix& m, double t, double len, double note, float vel)
{
    long s0 = SampleAt(t);
    const double hz = NoteHz(note);
    double ph = 0;
    for (long i = 0; i < long((len + 0.6) * kRate); ++i) {
        double tau = double(i) / kRate;
        ph += hz / kRate;
        float x = float(std::sin(kTwoPi * ph) + 0.2 * std::sin(2 * kTwoPi * ph));
        m.Put(s0 + i, std::tanh(x * 1.2f) * Gate(tau, len, 0.4, 0.6) * vel, 0.f, 0.05f, 0.f);
    }
}

void Pad(Mix& m, double t, double len, const std::vector<double>& notes, float vel, float bright)
{
    long s0 = SampleAt(t);
    const double detune[2] = {-0.07, 0.08};
    // Voices alternate between a left and a right group; each group has one filter.
    std::vector<Saw> saws;
    std::vector<double> hz;
    for (size_t v = 0; v < notes.size() * 2; ++v) {
        Saw saw;
        saw.phase = 0.37 * double(v + 1) - std::floor(0.37 * double(v + 1));
        saws.push_back(saw);
        hz.push_back(NoteHz(notes[v / 2] + detune[v % 2]));
    }
    Svf lp[2];
    const long n = long((len + 1.2) * kRate);
    for (long i = 0; i < n; ++i) {
        double tau = double(i) / kRate;
        if ((i & 63) == 0)
            for (int g = 0; g < 2; ++g) lp[g].Set(float(300 + bright * 2500 * (0.6 + 0.4 * std::sin(tau * 0.9 + g))), 0.2f);
        float sum[2] = {0, 0};
        for (size_t v = 0; v < saws.size(); ++v) sum[v % 2] += saws[v].Next(hz[v]);
        float g = Gate(tau, len, 0.8, 1.2) * vel * 0.15f;
        float l = lp[0].Process(sum[0]) * g, r = lp[1].Process(sum[1]) * g;
        m.Put(s0 + i, l, -0.6f, 0.45f, 0.f);
        m.Put(s0 + i, r, 0.6f, 0.45f, 0.f);
    }
}

void Bell(Mix& m, double t, double note, float vel, float pan)
{
    long s0 = SampleAt(t);
    const double hz = NoteHz(note);
    for (long i = 0; i < long(3.0 * kRate); ++i) {
        double tau = double(i) / kRate;
        double index = 2.5 * std::exp(-tau * 3.0);
        double modv = std::sin(kTwoPi * hz * 3.5 * tau) * index;
        float v = float(std::sin(kTwoPi * hz * tau + modv)) * float(std::exp(-tau * 2.2)) * std::min(1.f, float(tau / 0.002));
        m.Put(s0 + i, v * vel * 0.5f, pan, 0.4f, 0.35f);
    }
}

void Pluck(Mix& m, double t, double len, double note, float vel, float pan, float bright)
{
    long s0 = SampleAt(t);
    Saw a, b;
    Svf lp;
    const double hz = NoteHz(note);
    for (long i = 0; i < long((len + 0.3) * kRate); ++i) {
        double tau = double(i) / kRate;
        if ((i & 15) == 0) lp.Set(float(400 + bright * 6000 * std::exp(-tau * 9.0)), 0.35f);
        float x = a.Next(hz) + b.Next(hz * 1.004);
        float y = lp.Process(x * 0.5f) * Gate(tau, len, 0.002, 0.3) * float(std::exp(-tau * 2.0));
        m.Put(s0 + i, y * vel * 0.7f, pan, 0.25f, 0.35f);
    }
}

void Lead(Mix& m, double t, double len, double note, float vel)
{
    long s0 = SampleAt(t);
    Saw a, b;
    Svf lp;
    lp.Set(3800.f, 0.25f);
    const double hz = NoteHz(note);
    for (long i = 0; i < long((len + 0.25) * kRate); ++i) {
        double tau = double(i) / kRate;
        double vib = 1.0 + 0.004 * std::sin(kTwoPi * 5.5 * tau) * std::min(1.0, tau / 0.4);
        float x = a.Next(hz * vib) + b.Next(hz * vib * 1.006) * 0.8f;
        float y = lp.Process(x * 0.5f) * Gate(tau, len, 0.02, 0.25);
        m.Put(s0 + i, y * vel * 0.55f, 0.1f, 0.3f, 0.45f);
    }
}

void Riser(Mix& m, double t, double len, float vel, bool down)
{
    long s0 = SampleAt(t);
    Noise nz(uint32_t(s0) ^ 0x71e5);
    Svf bp;
    for (long i = 0; i < long(len * kRate); ++i) {
        double x = double(i) / (len * kRate);
        double k = down ? 1 - x : x;
        if ((i & 15) == 0) bp.Set(float(300 * std::pow(30.0, k)), 0.6f);
        bp.Process(nz.Next());
        float g = float(down ? (1 - x) * (1 - x) : x * x);
        m.Put(s0 + i, bp.Band() * g * vel, float(std::sin(x * 12)) * 0.5f, 0.4f, 0.f);
    }
}

void Glint(Mix& m, double t, double note, float vel, float pan)
{
    long s0 = SampleAt(t);
    const double hz = NoteHz(note);
    SineOsc f1(hz, 0), f2(2 * hz, 0);
    const double decay = std::exp(-6.0 / kRate);
    double env = 1;
    for (long i = 0; i < long(0.7 * kRate); ++i) {
        double tau = double(i) / kRate;
        env *= decay;
        float v = float((f1.Next() + 0.15 * f2.Next()) * env * std::min(1.0, tau / 0.003));
        m.Put(s0 + i, v * vel, pan, 0.3f, 0.4f);
    }
}

void Drip(Mix& m, double t, double note, float vel, float pan)
{
    long s0 = SampleAt(t);
    const double hz = NoteHz(note);
    double ph = 0;
    for (long i = 0; i < long(0.4 * kRate); ++i) {
        double tau = double(i) / kRate;
        ph += hz * (1.0 + 0.6 * std::exp(-tau * 60)) / kRate;
        float v = float(std::sin(kTwoPi * ph) * std::exp(-tau * 14));
        m.Put(s0 + i, v * vel * 0.4f, pan, 0.7f, 0.4f);
    }
}

void Wind(Mix& m, double t, double len, float vel, uint32_t seed)
{
    long s0 = SampleAt(t);
    Noise nz(seed);
    Svf bp;
    for (long i = 0; i < long(len * kRate); ++i) {
        double tau = double(i) / kRate;
        if ((i & 63) == 0) bp.Set(float(500 + 400 * std::sin(tau * 0.7 + seed) + 250 * std::sin(tau * 1.9)), 0.75f);
        bp.Process(nz.Next());
        float g = float(std::min(1.0, tau / 2.0) * std::min(1.0, (len - tau) / 2.0));
        m.Put(s0 + i, bp.Band() * g * vel * 0.6f, float(std::sin(tau * 0.3)) * 0.6f, 0.5f, 0.f);
    }
}

namespace {
// Feedback comb filter with damping, as in the classic Schroeder/Moorer reverbs.
struct Comb {
    std::vector<float> buf;
    size_t pos = 0;
    float store = 0;
    explicit Comb(size_t n) : buf(n, 0.f) {}
    float Process(float x, float feedback, float damp)
    {
        float y = buf[pos];
        store = y * (1 - damp) + store * damp;
        buf[pos] = x + store * feedback;
        if (++pos == buf.size()) pos = 0;
        return y;
    }
};
struct Allpass {
    std::vector<float> buf;
    size_t pos = 0;
    explicit Allpass(size_t n) : buf(n, 0.f) {}
    float Process(float x)
    {
        float b = buf[pos];
        float y = -x + b;
        buf[pos] = x + b * 0.5f;
        if (++pos == buf.size()) pos = 0;
        return y;
    }
};
}  // namespace

std::vector<int16_t> Master(Mix& m, double fadeOutStart, double fadeOutEnd)
{
    const size_t n = m.left.s.size();
    // Ping-pong delay of a dotted eighth (0.375 s at 120 beats per minute).
    {
        const size_t d = size_t(0.375 * kRate);
        std::vector<float> dl(n, 0.f), dr(n, 0.f);
        for (size_t i = 0; i < n; ++i) {
            float inL = m.delaySend.s[i];
            float fbL = i >= d ? dr[i - d] : 0.f;
            float fbR = i >= d ? dl[i - d] : 0.f;
            dl[i] = inL + fbL * 0.45f;
            dr[i] = fbR;
        }
        for (size_t i = d; i < n; ++i) {
            m.left.s[i] += dl[i - d] * 0.35f;
            m.right.s[i] += dr[i - d] * 0.35f;
        }
    }
    // Reverb: four combs and two all-passes per side, the right side slightly longer.
    {
        const size_t combL[4] = {1116, 1188, 1277, 1356}, apL[2] = {556, 441};
        for (int side = 0; side < 2; ++side) {
            const size_t spread = side ? 23 : 0;
            std::vector<Comb> combs;
            for (size_t c : combL) combs.emplace_back(c * 2 + spread);
            std::vector<Allpass> aps;
            for (size_t a : apL) aps.emplace_back(a + spread);
            std::vector<float>& out = side ? m.right.s : m.left.s;
            for (size_t i = 0; i < n; ++i) {
                float x = m.reverbSend.s[i] * 0.06f;
                float y = 0;
                for (Comb& c : combs) y += c.Process(x, 0.86f, 0.3f);
                for (Allpass& a : aps) y = a.Process(y);
                out[i] += y * 0.9f;
            }
        }
    }
    // Fade, then set the level so that all but the loudest 0.05 % of the samples stay
    // in the linear range, and limit the rest softly.
    const long f0 = SampleAt(fadeOutStart), f1 = SampleAt(fadeOutEnd);
    std::vector<float> level;
    level.reserve(n / 7 * 2 + 2);
    for (size_t i = 0; i < n; ++i) {
        float g = 1.f;
        if (long(i) >= f1) g = 0.f;
        else if (long(i) > f0) g = float(f1 - long(i)) / float(f1 - f0);
        m.left.s[i] *= g;
        m.right.s[i] *= g;
        if (i % 7 == 0) {
            level.push_back(std::fabs(m.left.s[i]));
            level.push_back(std::fabs(m.right.s[i]));
        }
    }
    size_t k = level.size() - level.size() / 2000 - 1;
    std::nth_element(level.begin(), level.begin() + long(k), level.end());
    const float scale = 0.85f / std::max(1e-6f, level[k]);
    std::vector<int16_t> pcm(n * 2);
    auto limit = [](float x) {  // linear to 0.8, then bends smoothly towards 0.98
        float a = std::fabs(x);
        if (a <= 0.8f) return x;
        float y = 0.8f + 0.18f * std::tanh((a - 0.8f) / 0.18f);
        return x < 0 ? -y : y;
    };
    for (size_t i = 0; i < n; ++i) {
        pcm[i * 2] = int16_t(std::lround(limit(m.left.s[i] * scale) * 32767.f));
        pcm[i * 2 + 1] = int16_t(std::lround(limit(m.right.s[i] * scale) * 32767.f));
    }
    return pcm;
}

}  // namespace music
