#pragma once
// Building blocks of the synthesizer: oscillators, envelopes, filters, a
// random source, a delay line and a reverb. Every block is a plain value type
// that is stepped one sample at a time in a fixed order with double
// arithmetic, so a rendering is the same on every run. Times are in seconds,
// frequencies in hertz, at 44100 samples per second.

#include <cmath>
#include <cstdint>
#include <vector>

namespace assets::dsp {

constexpr int rate = 44100;
constexpr double two_pi = 6.283185307179586;

// A small deterministic noise source (xorshift32).
struct random_source {
    uint32_t state = 0x2545F491U;
    explicit random_source(uint32_t seed = 0x2545F491U) : state(seed ? seed : 1U) {}
    uint32_t next_u32() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
    // Uniform in [-1, 1).
    double next() { return (next_u32() >> 8) * (2.0 / 16777216.0) - 1.0; }
};

// Correction term that removes the aliasing step of a naive saw or square at
// phase t (in cycles) for a phase increment dt.
inline double poly_blep(double t, double dt) {
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1.0;
    }
    if (t > 1.0 - dt) {
        t = (t - 1.0) / dt;
        return t * t + t + t + 1.0;
    }
    return 0.0;
}

// A phase accumulator with band-limited saw and square outputs and a sine.
struct oscillator {
    double phase = 0;  // cycles, in [0, 1)
    double step = 0;   // cycles per sample

    void set_frequency(double hz) { step = hz / rate; }
    void advance() {
        phase += step;
        if (phase >= 1.0) phase -= 1.0;
    }
    double sine() const { return std::sin(two_pi * phase); }
    double saw() const { return 2.0 * phase - 1.0 - poly_blep(phase, step); }
    double square(double width = 0.5) const {
        double v = phase < width ? 1.0 : -1.0;
        v += poly_blep(phase, step);
        double t2 = phase + 1.0 - width;
        if (t2 >= 1.0) t2 -= 1.0;
        v -= poly_blep(t2, step);
        return v;
    }
    double triangle() const { return 1.0 - 4.0 * std::fabs(phase - 0.5); }
};

// Attack, decay, sustain, release envelope as a function of the time since
// the note started and the time the key was held.
struct adsr {
    double attack = 0.01, decay = 0.1, sustain = 0.7, release = 0.2;

    double at(double t, double held) const {
        auto before_release = [&](double u) {
            if (u < attack) return attack > 0 ? u / attack : 1.0;
            u -= attack;
            if (u < decay) return 1.0 + (sustain - 1.0) * (u / decay);
            return sustain;
        };
        if (t < 0) return 0;
        if (t < held) return before_release(t);
        const double level = before_release(held);
        const double r = t - held;
        return r < release ? level * (1.0 - r / release) : 0.0;
    }
    double length(double held) const { return held + release; }
};

// Exponential decay from 1 with time constant tau (seconds).
inline double decay(double t, double tau) { return t < 0 ? 0 : std::exp(-t / tau); }

// Topology-preserving state-variable filter (two poles): low, band and high
// outputs from one step. Coefficients are recomputed only by set().
struct svf {
    double g = 0, k = 1, a1 = 0, a2 = 0, a3 = 0;
    double ic1 = 0, ic2 = 0;
    double low = 0, band = 0, high = 0;

    void set(double cutoff_hz, double resonance /* 0 … 1 */) {
        if (cutoff_hz > rate * 0.45) cutoff_hz = rate * 0.45;
        if (cutoff_hz < 10) cutoff_hz = 10;
        g = std::tan(3.141592653589793 * cutoff_hz / rate);
        k = 2.0 - 2.0 * resonance * 0.98;
        a1 = 1.0 / (1.0 + g * (g + k));
        a2 = g * a1;
        a3 = g * a2;
    }
    void step(double x) {
        const double v3 = x - ic2;
        const double v1 = a1 * ic1 + a2 * v3;
        const double v2 = ic2 + a2 * ic1 + a3 * v3;
        ic1 = 2 * v1 - ic1;
        ic2 = 2 * v2 - ic2;
        low = v2;
        band = v1;
        high = x - k * v1 - v2;
    }
};

// One-pole low-pass (and the matching high-pass as input minus output).
struct one_pole {
    double a = 0, y = 0;
    void set(double cutoff_hz) { a = 1.0 - std::exp(-two_pi * cutoff_hz / rate); }
    double low(double x) {
        y += a * (x - y);
        return y;
    }
    double high(double x) { return x - low(x); }
};

// A fixed-length delay line.
struct delay_line {
    std::vector<double> buffer;
    size_t pos = 0;
    explicit delay_line(size_t length = 1) : buffer(length ? length : 1, 0.0) {}
    double read() const { return buffer[pos]; }
    void write_advance(double x) {
        buffer[pos] = x;
        if (++pos == buffer.size()) pos = 0;
    }
};

// A stereo reverb of eight damped feedback combs and four all-passes per
// channel (the classic Schroeder-Moorer arrangement), right channel tuned a
// little longer than the left for width.
class reverb {
public:
    explicit reverb(double room = 0.84, double damping = 0.3) {
        static const int combs[8] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
        static const int passes[4] = {556, 441, 341, 225};
        for (int ch = 0; ch < 2; ++ch) {
            for (int i = 0; i < 8; ++i) comb_[ch][i] = comb(static_cast<size_t>(combs[i] + ch * 23));
            for (int i = 0; i < 4; ++i) pass_[ch][i] = delay_line(static_cast<size_t>(passes[i] + ch * 23));
        }
        feedback_ = room;
        damp_ = damping;
    }
    // in: mono send; out: left and right wet signal.
    void step(double in, double& left, double& right) {
        double out[2];
        for (int ch = 0; ch < 2; ++ch) {
            double sum = 0;
            for (comb& c : comb_[ch]) {
                const double y = c.line.read();
                c.filter = y * (1 - damp_) + c.filter * damp_;
                c.line.write_advance(in + c.filter * feedback_);
                sum += y;
            }
            for (delay_line& p : pass_[ch]) {
                const double b = p.read();
                p.write_advance(sum + b * 0.5);
                sum = b - sum;
            }
            out[ch] = sum;
        }
        left = out[0];
        right = out[1];
    }

private:
    struct comb {
        delay_line line;
        double filter = 0;
        explicit comb(size_t n = 1) : line(n) {}
    };
    comb comb_[2][8];
    delay_line pass_[2][4];
    double feedback_;
    double damp_;
};

// Equal-power pan: p from −1 (left) to 1 (right).
inline void pan_gains(double p, double& left, double& right) {
    const double a = (p + 1) * 0.25 * 3.141592653589793;
    left = std::cos(a);
    right = std::sin(a);
}

// Frequency of a MIDI note number (69 = A4 = 440 Hz).
inline double note_hz(double note) { return 440.0 * std::pow(2.0, (note - 69.0) / 12.0); }

}  // namespace assets::dsp
