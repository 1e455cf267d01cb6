// The arrangement. Section boundaries follow the scenes of the show; within a
// section, patterns count sixteenth notes (0.125 s) from the section's start,
// which always falls on a beat.

#include "tools/assets/score.h"

#include <cmath>

#include "tools/assets/noise.h"

namespace assets::music {

namespace {

constexpr double sixteenth = beat / 4;
constexpr double bar = 4 * beat;

struct chord {
    double root;                // bass note (MIDI), octave 1 to 2
    std::vector<double> notes;  // pad voicing
};

using progression = std::vector<chord>;

// A minor and its neighbours.
const chord Am{33, {57, 60, 64, 71}};
const chord F{29, {53, 57, 60, 64}};
const chord C{36, {55, 60, 64, 67}};
const chord G{31, {55, 59, 62, 67}};
const chord Dm{38, {57, 62, 65, 69}};
const chord E{28, {56, 59, 64, 68}};
const chord Bb{34, {58, 62, 65, 70}};
const chord Em{40, {55, 59, 64, 67}};

const progression main_loop{Am, F, C, G};
const progression second_loop{Dm, F, Am, G};
const progression dark_loop{Am, G, F, E};
const progression space_loop{Am, Em, F, C};
const progression tunnel_loop{Dm, Bb, F, C};

const chord& chord_at(const progression& p, double t0, double t) {
    const int k = static_cast<int>(std::floor((t - t0) / bar + 1e-9));
    return p[static_cast<size_t>(((k % static_cast<int>(p.size())) + static_cast<int>(p.size())) %
                                 static_cast<int>(p.size()))];
}

// A deterministic choice in [0, 1) for step n of a pattern.
double pick(int n, uint32_t seed) { return noise::unit(n, 0, seed); }

enum class groove { pulse, four, half, broken, toms };

// Drums from t0 to t1 (exclusive). intensity 0 … 1 adds ghost notes and
// sixteenth hats.
void drums(mix& m, double t0, double t1, groove style, double intensity, uint32_t seed = 1) {
    const int steps = static_cast<int>(std::lround((t1 - t0) / sixteenth));
    for (int n = 0; n < steps; ++n) {
        const double t = t0 + n * sixteenth;
        const int s = n % 16;  // step in the bar
        const double v = 0.9 + 0.1 * pick(n, seed);
        switch (style) {
            case groove::pulse:
                if (s % 4 == 0) kick(m, t, 0.85);
                if (s % 4 == 2) hat(m, t, 0.22 * v, false);
                break;
            case groove::four:
                if (s % 4 == 0) kick(m, t, 0.9);
                if (s == 4 || s == 12) clap(m, t, 0.5 * v);
                if (s == 4 || s == 12) snare(m, t, 0.35 * v);
                if (s % 4 == 2) hat(m, t, 0.26 * v, s == 14);
                if (intensity > 0.5 && s % 2 == 1) hat(m, t, 0.12 * v * intensity, false, {-0.3, 0.05, 0});
                if (intensity > 0.8 && s == 15 && pick(n, seed + 7) > 0.5) snare(m, t, 0.18);
                break;
            case groove::half:
                if (s == 0 || s == 10) kick(m, t, 0.85);
                if (s == 8) snare(m, t, 0.5 * v);
                if (s == 8) clap(m, t, 0.3 * v);
                if (s % 2 == 0) hat(m, t, (s % 4 == 2 ? 0.2 : 0.12) * v, false);
                if (intensity > 0.5 && s == 14) hat(m, t, 0.15, true);
                break;
            case groove::broken:
                if (s == 0 || s == 3 || s == 10) kick(m, t, 0.85);
                if (s == 4 || s == 12) snare(m, t, 0.45 * v);
                if (s == 12) clap(m, t, 0.3);
                hat(m, t, (s % 2 == 0 ? 0.18 : 0.09) * v * (0.6 + 0.4 * intensity), false);
                if (intensity > 0.6 && s == 7) snare(m, t, 0.12);
                break;
            case groove::toms: {
                if (s % 4 == 0) kick(m, t, 0.85);
                const int pattern[16] = {1, 0, 0, 2, 0, 0, 1, 0, 3, 0, 2, 0, 0, 3, 0, 2};
                if (pattern[s] != 0) tom(m, t, 36 + 5 * pattern[s], 0.45 * v, {(pattern[s] - 2) * 0.4, 0.2, 0});
                if (s % 4 == 2) hat(m, t, 0.2 * v, false);
                if (s == 12) clap(m, t, 0.4);
                break;
            }
        }
    }
}

enum class bass_pattern { eighths, offbeat, long_notes, acid, octaves };

void bassline(mix& m, double t0, double t1, const progression& p, bass_pattern style, double gain,
              const bass_tone& tone = {}) {
    const int steps = static_cast<int>(std::lround((t1 - t0) / sixteenth));
    for (int n = 0; n < steps; ++n) {
        const double t = t0 + n * sixteenth;
        const int s = n % 16;
        const double root = chord_at(p, t0, t).root + 12;
        switch (style) {
            case bass_pattern::eighths:
                if (s % 2 == 0) bass(m, t, sixteenth * 1.6, root + (s % 8 == 6 ? 12 : 0), gain, tone);
                break;
            case bass_pattern::offbeat:
                if (s % 4 == 2) bass(m, t, sixteenth * 1.8, root, gain, tone);
                break;
            case bass_pattern::long_notes:
                if (s == 0) bass(m, t, bar * 0.95, root, gain, tone);
                break;
            case bass_pattern::acid: {
                const int line[16] = {0, 0, 12, 0, 3, 0, 15, 7, 0, 12, 0, 10, 0, 7, 12, 3};
                if (pick(n, 91) > 0.18) {
                    bass_tone t2 = tone;
                    t2.env_amount = tone.env_amount * (s % 4 == 0 ? 1.4 : 0.8);
                    bass(m, t, sixteenth * 0.9, root + line[s], gain, t2);
                }
                break;
            }
            case bass_pattern::octaves:
                if (s % 2 == 0) bass(m, t, sixteenth * 0.9, root + (s % 4 == 2 ? 12 : 0), gain, tone);
                break;
        }
    }
}

// One pad chord per bar.
void pads(mix& m, double t0, double t1, const progression& p, double gain, const pad_tone& tone,
          double chord_length = bar) {
    for (double t = t0; t < t1 - 1e-9; t += chord_length) {
        const double length = std::min(chord_length, t1 - t);
        pad(m, t, length, chord_at(p, t0, t).notes, gain, tone);
    }
}

// Arpeggio over the chord tones, one note per step.
void arpeggio(mix& m, double t0, double t1, const progression& p, double step, double gain,
              double octave_shift, double cutoff, uint32_t seed) {
    const int steps = static_cast<int>(std::lround((t1 - t0) / step));
    const int order[8] = {0, 1, 2, 3, 2, 1, 3, 0};
    for (int n = 0; n < steps; ++n) {
        const double t = t0 + n * step;
        const chord& c = chord_at(p, t0, t);
        const double note = c.notes[static_cast<size_t>(order[n % 8]) % c.notes.size()] + octave_shift +
                            (pick(n, seed) > 0.8 ? 12 : 0);
        pluck(m, t, note, gain * (n % 4 == 0 ? 1.0 : 0.75), cutoff, step * 1.8,
              {n % 2 ? 0.45 : -0.45, 0.2, 0.35});
    }
}

// Bells on notes of the A minor pentatonic, every `step` seconds.
void twinkles(mix& m, double t0, double t1, double step, double gain, uint32_t seed) {
    const double scale[7] = {69, 72, 74, 76, 79, 81, 84};
    const int steps = static_cast<int>(std::lround((t1 - t0) / step));
    for (int n = 0; n < steps; ++n) {
        if (pick(n, seed + 1) < 0.25) continue;
        const double note = scale[static_cast<int>(pick(n, seed) * 7)];
        bell(m, t0 + n * step, note, gain, 2.0, {pick(n, seed + 2) * 1.4 - 0.7, 0.5, 0.4});
    }
}

// A melody as (start in beats, length in beats, note) triples from t0.
struct melody_note {
    double at, length, note;
};

void melody(mix& m, double t0, const std::vector<melody_note>& notes, double gain, int repeats,
            double period_beats) {
    for (int r = 0; r < repeats; ++r) {
        double previous = 0;
        for (const melody_note& n : notes) {
            lead(m, t0 + (r * period_beats + n.at) * beat, n.length * beat, n.note, gain, previous);
            previous = n.note;
        }
    }
}

// The lead theme: two bars over Am F, two over C G.
const std::vector<melody_note> theme = {
    {0, 1.5, 76}, {1.5, 0.5, 74}, {2, 1, 72}, {3, 1, 71}, {4, 2, 69}, {6, 1, 72}, {7, 1, 74},
    {8, 1.5, 76}, {9.5, 0.5, 79}, {10, 2, 79}, {12, 1, 77}, {13, 1, 76}, {14, 2, 74}};

// A snare roll in sixteenths, then thirty-seconds over its last half,
// growing from quiet to gain.
void snare_roll(mix& m, double t0, double t1, double gain) {
    const double half = 0.5 * (t0 + t1);
    int n = 0;
    for (double t = t0; t < t1 - 1e-9; ++n) {
        const double p = (t - t0) / (t1 - t0);
        snare(m, t, gain * (0.25 + 0.75 * p * p), {0.1 * ((n % 2) * 2 - 1), 0.2, 0});
        t += t < half ? sixteenth : sixteenth / 2;
    }
}

// A descending tom fill over [t0, t1), one hit per sixteenth.
void tom_fill(mix& m, double t0, double t1, double gain) {
    const int steps = static_cast<int>(std::lround((t1 - t0) / sixteenth));
    for (int k = 0; k < steps; ++k)
        tom(m, t0 + k * sixteenth, 52 - 3 * k * 8.0 / std::max(1, steps), gain, {0.6 - 1.2 * k / std::max(1, steps - 1), 0.2, 0});
}

}  // namespace

const std::vector<section>& sections() {
    static const std::vector<section> list = {
        {0, 25, "title", "drone and pads rising from silence, bells from 7.2 s, noise riser into 25 s"},
        {25, 40.5, "credits", "drums enter; a hit on every tilt of the names, a crash on every new name"},
        {40.5, 55, "cube fractal", "full four-to-the-floor groove, arpeggio, swell into the white"},
        {55, 70, "cell pattern", "broken beat, second chord loop, swell into the white"},
        {70, 85, "iris", "half-time beat under breathing pads"},
        {85, 91, "still picture", "break: no drums, a chime on each white flash (85 s, 88 s)"},
        {91, 107, "twisting tunnel", "driving beat with acid bass; a hit on every greeting"},
        {107, 121, "sliding stripes", "broken beat, octave bass, plucked chords"},
        {121, 150, "lava fractal", "the climax: lead theme over the dark loop"},
        {150, 162, "corridor", "rises from silence, a hit on the white flash at 151 s, a sung line in each lyric window"},
        {162, 177, "star field", "spacious half-time with echoing arpeggios"},
        {177, 184, "textured planes", "tom groove over the tunnel loop"},
        {184, 192, "stencil tunnel", "resonant acid bass, four-to-the-floor"},
        {192, 199, "glass blobs", "glass bells over a half-time beat, dips at 199 s"},
        {199, 206, "glass rings", "bells and a straight beat"},
        {206, 213, "cube fractal again", "full groove, dips at 213 s"},
        {213, 236, "cell pattern again", "build, silence at 220 s, the loudest stretch, silence at 234 s"},
        {236, 251, "glass lens", "chime on the white, bells and half-time, dips at 251 s"},
        {251, 265.5, "star field again", "spacious reprise fading at 265.5 s"},
        {265.5, track_seconds, "end screen", "calm pads and bells, fade-out to 300 s"},
    };
    return list;
}

const std::vector<double>& accent_times() {
    static const std::vector<double> list = {26.0, 26.9, 27.7, 29.9,  30.8, 31.6,  33.7,
                                             34.6, 35.4, 37.3, 38.1,  39.2, 92.0,  95.4,
                                             99.0, 102.4, 105.6, 151.0};
    return list;
}

const std::vector<sung_line>& sung_lines() {
    static const std::vector<sung_line> list = {
        {151.6, 152.4, "cold light"}, {153.3, 154.3, "in the vault"}, {154.7, 155.2, "wake"},
        {155.5, 156.0, "rise"},       {156.0, 156.5, "burn"},         {157.0, 157.5, "fall"},
        {157.7, 158.5, "still here"}};
    return list;
}

void compose(mix& m) {
    // Title: a drone and slow pads out of silence; bells once the ring of
    // light appears; a riser into the white-out. No drums yet: they enter
    // with the credits.
    drone(m, 0, 26, 33, 0.32);
    pad(m, 0, 8, Am.notes, 0.22, {700, 5.0, 2.0, 0.1, 0});
    pad(m, 8, 6, F.notes, 0.24, {1100, 2.0, 2.0, 0.1, 0});
    pad(m, 14, 6, C.notes, 0.26, {1600, 2.0, 2.0, 0.12, 0});
    pad(m, 20, 5, G.notes, 0.28, {2400, 1.5, 1.0, 0.14, 0.1});
    twinkles(m, 7.2, 23, beat, 0.12, 3);
    chime(m, 7.2, 69, 0.25);
    riser(m, 19, 25, 0.45);

    // Credits: the beat comes in; a crash on each name, a hit on each tilt.
    crash(m, 25, 0.5);
    drums(m, 25, 29, groove::pulse, 0.3);
    drums(m, 29, 33, groove::four, 0.4);
    drums(m, 33, 37, groove::four, 0.7);
    drums(m, 37, 39.5, groove::four, 0.9);
    for (int k = 0; k < 8; ++k) tom(m, 39.5 + k * sixteenth, 50 - k * 2, 0.5);
    for (double t : {29.0, 33.0, 37.0}) crash(m, t, 0.4);
    bassline(m, 25, 40.5, main_loop, bass_pattern::eighths, 0.45);
    pads(m, 25, 40.5, main_loop, 0.16, {1500, 0.3, 0.8, 0.12, 0});
    for (double t : {28.5, 32.5, 36.3}) tom(m, t, 45, 0.35);

    // Cube fractal: the full groove.
    crash(m, 40.5, 0.55);
    drums(m, 40.5, 55, groove::four, 1.0);
    bassline(m, 40.5, 55, main_loop, bass_pattern::offbeat, 0.5, {300, 1600, 0.55, 0.12, 0.7});
    arpeggio(m, 40.5, 55, main_loop, sixteenth, 0.16, 0, 2600, 11);
    pads(m, 40.5, 55, main_loop, 0.12, {1800, 0.5, 1.0, 0.12, 0.2});
    riser(m, 52, 55, 0.4);
    snare_roll(m, 54, 55, 0.4);

    // Cell pattern: broken beat over the second loop.
    crash(m, 55, 0.5);
    drums(m, 55, 70, groove::broken, 0.8, 2);
    bassline(m, 55, 70, second_loop, bass_pattern::eighths, 0.45, {500, 900, 0.3, 0.2, 0.6});
    pads(m, 55, 70, second_loop, 0.16, {1300, 0.6, 1.2, 0.14, 0.3});
    twinkles(m, 55, 69, 2 * beat, 0.09, 13);
    riser(m, 67, 70, 0.4);
    snare_roll(m, 69, 70, 0.35);

    // Iris: half time, breathing pads.
    crash(m, 70, 0.5);
    drums(m, 70, 85, groove::half, 0.6, 3);
    bassline(m, 70, 85, main_loop, bass_pattern::long_notes, 0.4, {250, 500, 0.2, 0.4, 0.8});
    pads(m, 70, 85, main_loop, 0.2, {1000, 1.2, 1.5, 0.15, 0.6});
    arpeggio(m, 70, 85, main_loop, 2 * sixteenth, 0.12, 12, 1800, 17);

    // Still picture: the break, a chime on each white flash.
    pads(m, 85, 91, {F, Am, Am}, 0.2, {900, 1.0, 1.5, 0.15, 0}, 2);
    chime(m, 85, 72, 0.45);
    chime(m, 88, 76, 0.45);
    for (int k = 0; k < 6; ++k) bell(m, 85.5 + k * 0.75 * 2, 81 - (k % 3) * 5, 0.12);
    riser(m, 89, 91, 0.35);

    // Twisting tunnel: driving, acid bass; a hit on each greeting.
    crash(m, 91, 0.55);
    drums(m, 91, 106, groove::four, 0.9, 4);
    bassline(m, 91, 106.5, tunnel_loop, bass_pattern::acid, 0.42, {350, 2200, 0.7, 0.1, 0.5});
    pads(m, 91, 106, tunnel_loop, 0.12, {1500, 0.5, 1.0, 0.12, 0.2});

    // Sliding stripes.
    drums(m, 108, 120.5, groove::broken, 0.9, 5);
    bassline(m, 107.5, 120.5, main_loop, bass_pattern::octaves, 0.42, {450, 1200, 0.4, 0.12, 0.5});
    tom_fill(m, 120, 121, 0.4);
    for (double t = 108; t < 120.5; t += 2 * beat)
        for (double n : chord_at(main_loop, 107, t).notes)
            pluck(m, t + beat * 0.5, n, 0.07, 3200, 0.2, {0.2, 0.3, 0.3});

    // Lava: the climax.
    crash(m, 121, 0.6);
    drums(m, 121, 149.5, groove::four, 1.0, 6);
    bassline(m, 121, 149.5, dark_loop, bass_pattern::eighths, 0.5, {400, 1400, 0.45, 0.15, 0.7});
    pads(m, 121, 150, dark_loop, 0.15, {2000, 0.4, 1.0, 0.12, 0.3});
    arpeggio(m, 121, 149.5, dark_loop, sixteenth, 0.1, 12, 3000, 19);
    melody(m, 129, theme, 0.2, 2, 16);
    lead(m, 145, 4.0, 69, 0.22, 74);

    // Corridor: out of silence; the flash; the sung lines.
    drone(m, 150, 162, 33, 0.35);
    crash(m, 151, 0.4);
    drums(m, 152, 159.5, groove::pulse, 0.2, 7);
    pads(m, 151, 160, {Am, F, C, E}, 0.14, {1200, 0.4, 1.2, 0.12, 0});
    const std::vector<std::vector<std::string>> words = {
        {"kou", "lai"}, {"i", "de", "vo"}, {"uei"}, {"rai"}, {"be"}, {"fo"}, {"sti", "hia"}};
    const std::vector<std::vector<double>> tunes = {{64, 62}, {60, 62, 64}, {67}, {69},
                                                    {67}, {64}, {62, 64}};
    for (size_t k = 0; k < sung_lines().size(); ++k)
        voice(m, sung_lines()[k].start, sung_lines()[k].end, words[k], tunes[k], 0.3);
    riser(m, 159, 162, 0.45);

    // Star field: space.
    crash(m, 162, 0.5);
    drums(m, 162, 177, groove::half, 0.4, 8);
    bassline(m, 162, 177, space_loop, bass_pattern::long_notes, 0.38, {200, 400, 0.2, 0.5, 0.8});
    pads(m, 162, 177, space_loop, 0.18, {1400, 1.0, 1.5, 0.16, 0.4});
    arpeggio(m, 162, 177, space_loop, 2 * sixteenth, 0.1, 12, 2200, 23);

    // Textured planes: toms.
    crash(m, 177, 0.5);
    drums(m, 177, 183, groove::toms, 0.8, 9);
    bassline(m, 177, 184, tunnel_loop, bass_pattern::eighths, 0.42, {500, 1000, 0.4, 0.15, 0.6});
    snare_roll(m, 183, 184, 0.35);

    // Stencil tunnel: acid.
    crash(m, 184, 0.5);
    drums(m, 184, 192, groove::four, 0.8, 10);
    bassline(m, 184, 192, tunnel_loop, bass_pattern::acid, 0.45, {300, 3000, 0.8, 0.09, 0.4});

    // Glass blobs and rings: bells.
    crash(m, 192, 0.5);
    drums(m, 192, 198.5, groove::half, 0.6, 11);
    twinkles(m, 192, 198.5, sixteenth * 2, 0.12, 29);
    pads(m, 192, 199, space_loop, 0.14, {1600, 0.5, 1.0, 0.14, 0});
    crash(m, 199, 0.5);
    drums(m, 199, 205, groove::four, 0.7, 12);
    twinkles(m, 199, 206, sixteenth * 2, 0.12, 31);
    bassline(m, 199, 206, space_loop, bass_pattern::offbeat, 0.42, {350, 1200, 0.4, 0.12, 0.6});
    tom_fill(m, 205, 206, 0.4);

    // Cube fractal again.
    crash(m, 206, 0.55);
    drums(m, 206, 212.5, groove::four, 1.0, 13);
    bassline(m, 206, 212.5, main_loop, bass_pattern::offbeat, 0.5, {300, 1600, 0.55, 0.12, 0.7});
    arpeggio(m, 206, 212.5, main_loop, sixteenth, 0.15, 0, 2600, 37);

    // Cell pattern again: build, silence at 220 s, the loudest stretch,
    // silence at 234 s, rise into the lens.
    crash(m, 213, 0.5);
    drums(m, 213, 219.5, groove::broken, 1.0, 14);
    bassline(m, 213, 219.5, second_loop, bass_pattern::eighths, 0.45, {500, 900, 0.3, 0.2, 0.6});
    riser(m, 216, 219.6, 0.4);
    crash(m, 221, 0.6);
    impact(m, 221, 0.6);
    drums(m, 221, 233, groove::four, 1.0, 15);
    bassline(m, 221, 233, dark_loop, bass_pattern::eighths, 0.52, {500, 1800, 0.5, 0.15, 0.7});
    pads(m, 221, 233, dark_loop, 0.16, {2400, 0.3, 0.8, 0.12, 0.3});
    arpeggio(m, 221, 233, dark_loop, sixteenth, 0.12, 12, 3200, 41);
    melody(m, 221, theme, 0.22, 1, 16);
    pad(m, 234, 2.2, Am.notes, 0.25, {1500, 1.5, 0.5, 0.15, 0});
    riser(m, 234, 236, 0.35);

    // Glass lens: chime on the white.
    chime(m, 236, 69, 0.45);
    drums(m, 237, 250.5, groove::half, 0.7, 16);
    bassline(m, 237, 250.5, second_loop, bass_pattern::long_notes, 0.4, {250, 600, 0.3, 0.3, 0.8});
    pads(m, 236, 251, second_loop, 0.15, {1300, 0.8, 1.0, 0.14, 0.3});
    twinkles(m, 237, 250, beat, 0.12, 43);

    // Star field again.
    crash(m, 251, 0.45);
    pads(m, 251, 265.5, space_loop, 0.18, {1200, 1.0, 1.5, 0.16, 0.4});
    arpeggio(m, 251, 265, space_loop, 2 * sixteenth, 0.1, 12, 2000, 47);
    drums(m, 255, 265, groove::half, 0.3, 17);
    bassline(m, 255, 265, space_loop, bass_pattern::long_notes, 0.35, {200, 400, 0.2, 0.5, 0.8});

    // End screen: calm.
    pads(m, 265.5, 290, {Am, F, C, G}, 0.2, {900, 2.0, 2.5, 0.15, 0.2}, 4);
    pad(m, 289.5, 10, Am.notes, 0.22, {800, 2.0, 3.0, 0.15, 0});
    drone(m, 265.5, 300, 33, 0.25);
    twinkles(m, 266, 296, 2 * beat, 0.1, 53);

    // Accent hits last, so that they sit on top of everything.
    for (double t : accent_times()) impact(m, t, 0.75);
}

double master_gain(double t) {
    double g = 1.0;
    // The intro rises out of silence with the picture's fade-in.
    if (t < 7) g *= 0.25 + 0.75 * (t / 7);
    // Short ducks before each accent make the hit stand out.
    for (double a : accent_times()) {
        const double d = a - t;
        if (d > 0 && d <= 0.14) g *= 1 - 0.7 * std::min(1.0, (0.14 - d) / 0.02);
    }
    // Dips where the picture fades to black and straight back.
    auto dip = [&](double centre, double width, double depth) {
        const double d = std::fabs(t - centre);
        if (d < width) g *= depth + (1 - depth) * (d / width);
    };
    dip(107, 1.0, 0.15);
    dip(199, 0.6, 0.35);
    dip(213, 0.6, 0.3);
    dip(251, 0.8, 0.3);
    dip(265.5, 0.8, 0.35);
    // The corridor starts from silence at 150 s.
    if (t >= 149.5 && t < 151) g *= std::pow(std::fabs(t - 150) / (t < 150 ? 0.5 : 1.0), 2.0);
    // Silences where the cell pattern falls to black: the square of the
    // picture's own brightness factor.
    if (t > 219 && t < 221) g *= (220 - t) * (220 - t);
    if (t > 233 && t < 235) g *= (234 - t) * (234 - t);
    // The fade-out of the end.
    if (t > 288) g *= std::max(0.0, (track_seconds - t) / (track_seconds - 288));
    return g;
}

}  // namespace assets::music
