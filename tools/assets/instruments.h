#pragma once
// The instruments of the track. Each call renders one note or one hit into
// the mix: the dry stereo signal plus mono sends to the reverb and the echo,
// which music.cpp processes afterwards. Times are music seconds.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace assets::music {

// The signals being built. A score can be rendered into several mixes at
// once, one per thread: each instrument call is one event, and a mix renders
// only the events whose index falls to its part (index mod parts), so the
// split is fixed by the score alone and the summed result is the same on
// every run.
struct mix {
    std::vector<float> left, right;  // dry
    std::vector<float> reverb_send, echo_send;
    int part = 0, parts = 1;
    uint64_t events = 0;

    explicit mix(size_t frames)
        : left(frames, 0.f), right(frames, 0.f), reverb_send(frames, 0.f), echo_send(frames, 0.f) {}
    size_t frames() const { return left.size(); }
    // Counts one event; true when this mix renders it.
    bool claim() { return events++ % static_cast<uint64_t>(parts) == static_cast<uint64_t>(part); }
};

// Where a voice sits: stereo position (−1 … 1) and how much goes to the
// reverb and the echo.
struct placement {
    double pan = 0;
    double reverb = 0.1;
    double echo = 0;
};

void kick(mix& m, double t, double gain);
void snare(mix& m, double t, double gain, placement at = {0, 0.18, 0});
void clap(mix& m, double t, double gain, placement at = {0, 0.25, 0});
void hat(mix& m, double t, double gain, bool open, placement at = {0.25, 0.05, 0});
void crash(mix& m, double t, double gain, placement at = {-0.2, 0.3, 0});
void tom(mix& m, double t, double note, double gain, placement at = {0, 0.2, 0});
// The accent: a boom, a noise blast and a metallic ring, sharp at t.
void impact(mix& m, double t, double gain);
// A soft, glassy swell that peaks at t (for the white flashes of the break).
void chime(mix& m, double t, double note, double gain);

struct bass_tone {
    double cutoff = 400;     // filter base, Hz
    double env_amount = 1200;
    double resonance = 0.4;
    double decay = 0.18;     // filter envelope time constant
    double sub = 0.6;        // sine one octave down
};
void bass(mix& m, double t, double length, double note, double gain, const bass_tone& tone = {});

struct pad_tone {
    double cutoff = 1400;
    double attack = 0.8, release = 1.5;
    double detune = 0.12;    // semitones between the three saws
    double brightness_lfo = 0.0;  // cutoff wobble, fraction
};
void pad(mix& m, double t, double length, const std::vector<double>& notes, double gain,
         const pad_tone& tone = {}, placement at = {0, 0.45, 0.05});

void pluck(mix& m, double t, double note, double gain, double cutoff = 2500, double length = 0.35,
           placement at = {0, 0.2, 0.3});
void bell(mix& m, double t, double note, double gain, double length = 2.5,
          placement at = {0, 0.4, 0.25});
void lead(mix& m, double t, double length, double note, double gain, double glide_from = 0,
          placement at = {0, 0.25, 0.3});
// A noise sweep rising from t0 to its peak at t1.
void riser(mix& m, double t0, double t1, double gain);
// A low drone of a note and its fifth.
void drone(mix& m, double t0, double t1, double note, double gain);

// A sung phrase: syllables are vowels ("a", "e", "i", "o", "u", "ai", "ou")
// optionally preceded by a consonant ("k", "s", "t", "b", "l", "r", "f", "st",
// "n", "h"), e.g. {"ko", "ou", "l", "lai", "t"}; one note per syllable, spread
// evenly over [t0, t1].
void voice(mix& m, double t0, double t1, const std::vector<std::string>& syllables,
           const std::vector<double>& notes, double gain);

}  // namespace assets::music
