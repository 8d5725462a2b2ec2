// The arrangement of the music, written in production time (seconds): 120 beats per
// minute with beats on whole and half seconds, two-second bars starting on even seconds,
// a four-chord cycle (D minor, B flat, F, C) changing every bar. The sections follow the
// timeline of the production:
//
//   1.1 - 30    calm intro: pads, bells, a sub drone, a soft heartbeat from 16 s
//   30 - 45     count-down: four-on-the-floor kick and pumping bass, building
//   45 - 60     full drums, rolling bass, plucked stabs
//   60 - 61.8   break: pad, falling noise, no drums
//   62 - 87.4   driving: sixteenth hats, resonant bass, crash hits at 73, 77, 83
//   87.5 - 113  melodic credits: lead melody over drums and bass
//   113 - 139   cave: drones, wind, drips, a slow heartbeat
//   139 - 153   heavy hits every 4 s (139, 143, 147, 151)
//   153 - 190   the driving parts return (full, then sixteenths, then the melody)
//   190 - 204.3 calm reprise of the intro
//   204.3 - 219 outro: heartbeat and sub drone, fading out by 219
#include "score.h"

#include "synth.h"

#include <cmath>

namespace music {

namespace {

// Chord of the bar that contains production time t.
const std::vector<double>& ChordAt(double t)
{
    static const std::vector<double> chords[4] = {
        {50, 53, 57, 60, 64},  // D minor 9
        {46, 50, 53, 57, 62},  // B flat major 7
        {41, 53, 57, 60, 64},  // F major 7
        {48, 52, 55, 62, 67},  // C add 9
    };
    int bar = int(std::floor(t / 2.0));
    return chords[((bar % 4) + 4) % 4];
}

double RootAt(double t)
{
    static const double roots[4] = {38, 34, 41, 36};  // D2, B flat 1, F2, C2
    int bar = int(std::floor(t / 2.0));
    return roots[((bar % 4) + 4) % 4];
}

// Calls f(beatTime) for every beat step of `step` seconds in [from, to).
template <class F>
void Every(double from, double to, double step, F f)
{
    long n = long(std::ceil((to - from) / step - 1e-9));
    for (long i = 0; i < n; ++i) f(from + i * step, i);
}

void PadBars(Mix& m, double from, double to, float vel, float bright)
{
    Every(from, to, 2.0, [&](double t, long) {
        double len = std::min(2.0, to - t);
        Pad(m, t, len, ChordAt(t), vel, bright);
    });
}

void Bells(Mix& m, double from, double to, double step, float vel)
{
    Every(from, to, step, [&](double t, long i) {
        const std::vector<double>& c = ChordAt(t);
        static const int order[8] = {0, 2, 4, 3, 1, 3, 4, 2};
        double note = c[size_t(order[i % 8] % int(c.size()))] + 24;
        if (note < 72) note += 12;
        Bell(m, t, note, vel * (i % 4 == 0 ? 1.f : 0.7f), (i % 2) ? 0.4f : -0.4f);
    });
}

void SubBars(Mix& m, double from, double to, float vel)
{
    Every(from, to, 2.0, [&](double t, long) { SubDrone(m, t, std::min(2.0, to - t) - 0.1, RootAt(t) - 12, vel); });
}

// Full drum kit: kick on beats, snare on 2 and 4, hats.
void Drums(Mix& m, double from, double to, bool sixteenths, float vel)
{
    Every(from, to, 0.5, [&](double t, long i) {
        Kick(m, t, 0.95f * vel);
        if (i % 2 == 1) Snare(m, t, 0.8f * vel);
        HatOpen(m, t + 0.25, 0.35f * vel, 0.3f);
    });
    Every(from, to, sixteenths ? 0.125 : 0.25, [&](double t, long i) {
        float accent = (i % 2 == 0) ? 0.55f : 0.35f;
        HatClosed(m, t, accent * vel * (sixteenths ? 1.2f : 1.f), (i % 2) ? 0.25f : -0.25f);
    });
}

// Bass on sixteenths or eighths, root and octave, with a filter that opens over time.
void BassLine(Mix& m, double from, double to, double step, float cutoff, float reso, float vel, bool acid)
{
    Every(from, to, step, [&](double t, long i) {
        double root = RootAt(t);
        static const int pattern[8] = {0, 0, 12, 0, 7, 0, 12, 10};
        double note = root + (acid ? pattern[i % 8] : ((i % 4 == 2) ? 12 : 0));
        float c = cutoff * (acid ? 1.f + 1.5f * float(0.5 + 0.5 * std::sin(t * 0.7)) : 1.f);
        float v = vel * ((i % 4 == 0) ? 1.f : 0.8f);
        if (!acid && step < 0.3 && (i % 2 == 0)) return;  // pumping: off-beat eighths only
        Bass(m, t, step * 0.8, note, v, c, reso);
    });
}

void Stabs(Mix& m, double from, double to, float vel)
{
    // Syncopated chord stabs high up (1.2 - 1.8 kHz: presence).
    static const double offs[4] = {0.0, 0.75, 1.25, 1.5};
    Every(from, to, 2.0, [&](double bar, long) {
        for (double o : offs) {
            double t = bar + o;
            if (t >= to) break;
            const std::vector<double>& c = ChordAt(t);
            for (size_t k = 2; k < c.size(); ++k) Pluck(m, t, 0.2, c[k] + 24, vel * 0.6f, (k % 2) ? 0.5f : -0.5f, 0.8f);
        }
    });
}

// Arpeggio in the sixth octave on the chord's upper tones: E6, F6, A6 (bins 15, 16, 20)
// over D minor and F, nearby tones over B flat and C.
void Glints(Mix& m, double from, double to, double step, float vel)
{
    Every(from, to, step, [&](double t, long i) {
        static const double tones[4][4] = {{88, 89, 93, 89}, {89, 93, 86, 93}, {88, 89, 93, 84}, {88, 91, 86, 91}};
        int bar = int(std::floor(t / 2.0));
        double note = tones[((bar % 4) + 4) % 4][i % 4];
        Glint(m, t, note, 1.5f * vel * ((i % 4 == 0) ? 1.f : 0.75f), (i % 2) ? 0.35f : -0.35f);
    });
}

void Melody(Mix& m, double from, double to, float vel)
{
    struct N {
        double note, beat, len;
    };
    // Eight bars over the four-chord cycle (beats of 0.5 s).
    static const N tune[] = {
        {69, 0, 1.5},  {72, 1.5, 0.5}, {74, 2, 1},    {76, 3, 1},     // D minor
        {77, 4, 2},    {76, 6, 0.5},   {74, 6.5, 0.5}, {72, 7, 1},    // B flat
        {69, 8, 1},    {72, 9, 1},     {77, 10, 1.5}, {76, 11.5, 0.5}, // F
        {79, 12, 2},   {76, 14, 1},    {72, 15, 1},                    // C
        {74, 16, 1.5}, {77, 17.5, 0.5}, {81, 18, 2},                   // D minor
        {79, 20, 1},   {77, 21, 1},    {74, 22, 2},                    // B flat
        {72, 24, 1},   {77, 25, 1},    {81, 26, 1},   {84, 27, 1},     // F
        {79, 28, 2},   {76, 30, 1},    {74, 31, 1},                    // C
    };
    // Align the phrase to the chord cycle (bar 0 of the cycle starts at multiples of 8 s).
    double start = std::ceil(from / 8.0 - 1e-9) * 8.0;
    for (double p = start; p < to; p += 16.0)
        for (const N& n : tune) {
            double t = p + n.beat * 0.5;
            if (t >= to) break;
            Lead(m, t, n.len * 0.5 * 0.92, n.note, vel);
            Lead(m, t, n.len * 0.5 * 0.92, n.note + 12, vel * 0.6f);
        }
}

}  // namespace

void Compose(Mix& m)
{
    // --- intro 1.1 - 30
    PadBars(m, 2.0, 30.0, 0.8f, 0.25f);
    SubBars(m, 2.0, 30.0, 0.35f);
    Bells(m, 4.0, 16.0, 1.0, 0.5f);
    Bells(m, 16.0, 30.0, 0.5, 0.55f);
    Every(16.0, 30.0, 1.0, [&](double t, long) { Kick(m, t, 0.45f, 0.3f); });
    Every(22.0, 30.0, 0.5, [&](double t, long) { HatClosed(m, t + 0.25, 0.3f, 0.2f); });
    Glints(m, 8.0, 16.0, 1.0, 0.5f);
    Glints(m, 16.0, 30.0, 0.5, 0.55f);
    Riser(m, 26.0, 4.0, 0.7f);

    // --- count-down 30 - 45, building
    Crash(m, 30.0, 0.7f);
    PadBars(m, 30.0, 45.0, 0.6f, 0.4f);
    Every(30.0, 45.0, 0.5, [&](double t, long) { Kick(m, t, 0.9f); });
    BassLine(m, 30.0, 45.0, 0.25, 260.f, 0.4f, 0.7f, false);
    Bells(m, 30.0, 45.0, 0.5, 0.45f);
    Every(37.0, 45.0, 0.5, [&](double t, long) { HatClosed(m, t + 0.25, 0.45f, 0.2f); });
    Every(41.0, 45.0, 1.0, [&](double t, long) { Clap(m, t + 0.5, 0.6f); });
    Every(43.0, 45.0, 0.125, [&](double t, long i) { Snare(m, t, 0.2f + 0.3f * float(i) / 16.f); });
    Riser(m, 41.0, 4.0, 0.9f);

    // --- full 45 - 60
    Crash(m, 45.0, 1.0f);
    Drums(m, 45.0, 60.0, false, 1.f);
    BassLine(m, 45.0, 60.0, 0.25, 380.f, 0.5f, 0.8f, true);
    PadBars(m, 45.0, 60.0, 0.5f, 0.5f);
    Stabs(m, 46.0, 60.0, 0.8f);
    Glints(m, 45.0, 60.0, 0.5, 0.4f);
    Crash(m, 53.0, 0.7f);
    Every(58.0, 60.0, 0.125, [&](double t, long i) { Snare(m, t, 0.3f + 0.4f * float(i) / 16.f); });

    // --- break 60 - 61.8
    Crash(m, 60.0, 1.0f);
    Kick(m, 60.0, 1.0f, 1.0f);
    Pad(m, 60.0, 1.9, ChordAt(60.0), 0.9f, 0.6f);
    Riser(m, 60.0, 1.8, 0.6f, true);
    Kick(m, 61.5, 0.6f);
    Kick(m, 61.75, 0.7f);

    // --- driving 62 - 87.4 with crash hits at 73, 77 and 83
    Crash(m, 62.0, 0.9f);
    Drums(m, 62.0, 87.5, true, 1.f);
    BassLine(m, 62.0, 87.5, 0.125, 420.f, 0.85f, 0.75f, true);
    PadBars(m, 62.0, 87.5, 0.45f, 0.6f);
    Stabs(m, 64.0, 87.5, 0.9f);
    Glints(m, 62.0, 87.5, 0.25, 0.5f);
    for (double hit : {73.0, 77.0, 83.0}) {
        Crash(m, hit, 1.0f);
        Kick(m, hit, 1.0f, 1.0f);
        Pad(m, hit, 0.5, {62, 69, 74, 81, 86}, 1.2f, 1.0f);
    }
    Riser(m, 84.0, 3.5, 0.7f);

    // --- melodic credits 87.5 - 113
    Crash(m, 87.5, 0.8f);
    PadBars(m, 88.0, 113.0, 0.55f, 0.45f);
    Melody(m, 88.0, 111.0, 0.8f);
    Every(88.0, 111.0, 0.5, [&](double t, long i) {
        Kick(m, t, 0.8f);
        if (i % 2 == 1) Snare(m, t, 0.55f);
    });
    Every(88.0, 111.0, 0.25, [&](double t, long i) { HatClosed(m, t, (i % 2 == 0) ? 0.3f : 0.45f, 0.3f); });
    BassLine(m, 88.0, 111.0, 0.25, 320.f, 0.45f, 0.8f, false);
    Every(88.0, 111.0, 1.0, [&](double t, long) { Bass(m, t, 0.2, RootAt(t), 0.5f, 500.f, 0.3f); });
    Riser(m, 111.0, 2.0, 0.6f, true);

    // --- cave 113 - 139
    Crash(m, 113.0, 0.6f);
    SubBars(m, 113.0, 139.0, 0.6f);
    PadBars(m, 113.0, 139.0, 0.7f, 0.12f);
    Wind(m, 113.0, 26.0, 0.9f, 7);
    Every(113.0, 137.0, 1.0, [&](double t, long) { Kick(m, t, 0.65f, 0.4f); });
    Every(113.0, 139.0, 2.0, [&](double t, long) { Bass(m, t, 1.7, RootAt(t), 0.6f, 200.f, 0.5f); });
    {
        Noise rnd(1130);
        for (double t = 114.0; t < 138.0;) {
            double note = 84 + std::floor((rnd.Next() * 0.5 + 0.5) * 12);
            Drip(m, t, note, 0.5f + 0.3f * rnd.Next(), rnd.Next() * 0.8f);
            t += 0.5 + 0.25 * std::floor((rnd.Next() * 0.5 + 0.5) * 4);
        }
    }
    Bells(m, 121.0, 137.0, 2.0, 0.3f);
    Riser(m, 135.0, 4.0, 0.9f);

    // --- heavy hits every 4 s, 139 - 153
    for (double hit = 139.0; hit < 153.0; hit += 4.0) {
        Crash(m, hit, 1.0f);
        Kick(m, hit, 1.0f, 1.0f);
        SubDrone(m, hit, 1.5, RootAt(hit) - 12, 0.9f);
        Pad(m, hit, 0.8, {38, 50, 57, 62, 65}, 1.4f, 0.9f);
        Every(hit + 1.0, hit + 4.0, 1.0, [&](double t, long) { Kick(m, t, 0.6f); });
    }
    Every(139.0, 153.0, 0.25, [&](double t, long i) { HatClosed(m, t, (i % 4 == 2) ? 0.45f : 0.25f, 0.3f); });
    BassLine(m, 139.0, 153.0, 0.25, 240.f, 0.4f, 0.55f, false);
    Every(151.0, 153.0, 0.125, [&](double t, long i) { Snare(m, t, 0.3f + 0.4f * float(i) / 16.f); });

    // --- the driving parts return, 153 - 190
    Crash(m, 153.0, 1.0f);
    Drums(m, 153.0, 166.0, false, 1.f);
    BassLine(m, 153.0, 166.0, 0.25, 380.f, 0.5f, 0.8f, true);
    PadBars(m, 153.0, 166.0, 0.5f, 0.5f);
    Stabs(m, 154.0, 166.0, 0.8f);
    Glints(m, 153.0, 166.0, 0.5, 0.4f);
    Crash(m, 166.0, 1.0f);
    Drums(m, 166.0, 178.5, true, 1.f);
    BassLine(m, 166.0, 178.5, 0.125, 420.f, 0.85f, 0.75f, true);
    PadBars(m, 166.0, 178.5, 0.45f, 0.6f);
    Stabs(m, 166.0, 178.5, 0.9f);
    Glints(m, 166.0, 178.5, 0.25, 0.5f);
    Crash(m, 178.5, 0.8f);
    PadBars(m, 178.0, 190.0, 0.55f, 0.45f);
    Melody(m, 178.5, 188.0, 0.8f);
    Every(178.5, 188.0, 0.5, [&](double t, long i) {
        Kick(m, t, 0.85f);
        if (i % 2 == 1) Snare(m, t, 0.6f);
    });
    Every(178.5, 188.0, 0.25, [&](double t, long i) { HatClosed(m, t, (i % 2 == 0) ? 0.3f : 0.45f, 0.3f); });
    BassLine(m, 178.5, 188.0, 0.25, 320.f, 0.45f, 0.8f, false);
    Riser(m, 186.0, 4.0, 0.6f, true);

    // --- calm reprise 190 - 204.3
    PadBars(m, 190.0, 204.0, 0.8f, 0.25f);
    SubBars(m, 190.0, 204.0, 0.4f);
    Bells(m, 190.0, 197.0, 1.0, 0.5f);
    Bells(m, 197.0, 204.0, 0.5, 0.5f);
    Glints(m, 192.0, 204.0, 0.5, 0.5f);
    Every(197.0, 204.0, 1.0, [&](double t, long) { Kick(m, t, 0.4f, 0.3f); });

    // --- outro 204.3 - 219
    Crash(m, 204.5, 0.6f);
    SubBars(m, 204.0, 218.0, 0.7f);
    PadBars(m, 204.0, 216.0, 0.7f, 0.2f);
    Every(204.5, 216.0, 1.0, [&](double t, long) { Kick(m, t, 0.8f, 0.8f); });
    Bells(m, 206.0, 214.0, 1.0, 0.35f);
    Kick(m, 216.0, 1.0f, 1.0f);
    Crash(m, 216.0, 0.7f);
    Pad(m, 216.0, 1.5, {38, 50, 57, 62, 65}, 1.0f, 0.4f);
}

}  // namespace music
