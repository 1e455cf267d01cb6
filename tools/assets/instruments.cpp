// The instruments: drums, bass, pads, plucks, bells, a lead, noise risers,
// drones and a formant voice, each rendered note by note into the mix.

#include "tools/assets/instruments.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "tools/assets/dsp.h"

namespace assets::music {

using dsp::rate;
using dsp::two_pi;

namespace {

double smooth_step(double p) { return p * p * (3 - 2 * p); }

// First frame at or after music time t (never negative).
size_t frame_of(double t) { return t <= 0 ? 0 : static_cast<size_t>(std::llround(t * rate)); }

// Adds a mono sample at frame i, placed in the stereo field and sent.
struct writer {
    mix& m;
    double gl, gr, rev, echo;
    writer(mix& into, const placement& at) : m(into), gl(0), gr(0), rev(at.reverb), echo(at.echo) {
        dsp::pan_gains(at.pan, gl, gr);
    }
    void put(size_t i, double v) {
        if (i >= m.frames()) return;
        m.left[i] += static_cast<float>(v * gl);
        m.right[i] += static_cast<float>(v * gr);
        m.reverb_send[i] += static_cast<float>(v * rev);
        m.echo_send[i] += static_cast<float>(v * echo);
    }
    void put_stereo(size_t i, double l, double r) {
        if (i >= m.frames()) return;
        m.left[i] += static_cast<float>(l);
        m.right[i] += static_cast<float>(r);
        const double mono = 0.5 * (l + r);
        m.reverb_send[i] += static_cast<float>(mono * rev);
        m.echo_send[i] += static_cast<float>(mono * echo);
    }
};

// Renders `length` seconds from time t, calling f(seconds since t) for each
// mono sample.
template <typename F>
void render(mix& m, double t, double length, const placement& at, F f) {
    writer w(m, at);
    const size_t first = frame_of(t);
    const size_t count = static_cast<size_t>(length * rate);
    const double offset = first / static_cast<double>(rate) - t;  // < one sample
    for (size_t n = 0; n < count; ++n) w.put(first + n, f(offset + n / static_cast<double>(rate)));
}

// Six detuned square waves: the metallic body of hats and cymbals.
struct metal {
    dsp::oscillator osc[6];
    explicit metal(double base) {
        const double ratios[6] = {1.0, 1.4471, 1.6170, 1.9265, 2.5028, 2.6637};
        for (int i = 0; i < 6; ++i) osc[i].set_frequency(base * ratios[i]);
    }
    double next() {
        double s = 0;
        for (auto& o : osc) {
            s += o.square();
            o.advance();
        }
        return s / 6;
    }
};

}  // namespace

void kick(mix& m, double t, double gain) {
    if (!m.claim()) return;
    dsp::oscillator o;
    dsp::random_source noise(0x1234U);
    render(m, t, 0.55, {0, 0.02, 0}, [&](double s) {
        o.set_frequency(44 + 130 * std::exp(-s / 0.035) + 300 * std::exp(-s / 0.004));
        const double body = o.sine() * dsp::decay(s, 0.26) * std::min(1.0, s / 0.002);
        o.advance();
        const double click = noise.next() * dsp::decay(s, 0.003) * 0.35;
        return gain * std::tanh(1.6 * (body + click));
    });
}

void snare(mix& m, double t, double gain, placement at) {
    if (!m.claim()) return;
    dsp::oscillator a, b;
    a.set_frequency(185);
    b.set_frequency(330);
    dsp::random_source noise(0x5151U);
    dsp::svf band;
    band.set(2800, 0.2);
    dsp::one_pole air;
    air.set(1500);
    render(m, t, 0.4, at, [&](double s) {
        const double tone = (a.sine() * 0.6 + b.sine() * 0.3) * dsp::decay(s, 0.06);
        a.advance();
        b.advance();
        const double n = noise.next();
        band.step(n);
        const double rattle = (band.band * 1.2 + air.high(n) * 0.5) * dsp::decay(s, 0.14);
        return gain * std::tanh(1.3 * (tone + rattle));
    });
}

void clap(mix& m, double t, double gain, placement at) {
    if (!m.claim()) return;
    dsp::random_source noise(0x7777U);
    dsp::svf band;
    band.set(1300, 0.45);
    render(m, t, 0.4, at, [&](double s) {
        double env = dsp::decay(s, 0.12) * 0.7;
        for (int k = 0; k < 3; ++k) env += dsp::decay(s - k * 0.011, 0.006) * (s >= k * 0.011);
        band.step(noise.next());
        return gain * band.band * env * 1.8;
    });
}

void hat(mix& m, double t, double gain, bool open, placement at) {
    if (!m.claim()) return;
    metal body(410);
    dsp::random_source noise(0x4242U);
    dsp::svf high;
    high.set(7500, 0.3);
    const double tau = open ? 0.28 : 0.035;
    render(m, t, open ? 1.0 : 0.2, at, [&](double s) {
        high.step(body.next() * 0.6 + noise.next() * 0.5);
        return gain * high.high * dsp::decay(s, tau);
    });
}

void crash(mix& m, double t, double gain, placement at) {
    if (!m.claim()) return;
    metal body(520);
    dsp::random_source noise(0x9999U);
    dsp::svf high;
    high.set(4200, 0.15);
    render(m, t, 3.2, at, [&](double s) {
        high.step(body.next() * 0.5 + noise.next() * 0.7);
        return gain * high.high * (dsp::decay(s, 0.9) * 0.8 + dsp::decay(s, 0.05) * 0.6);
    });
}

void tom(mix& m, double t, double note, double gain, placement at) {
    if (!m.claim()) return;
    dsp::oscillator o;
    const double hz = dsp::note_hz(note);
    render(m, t, 0.6, at, [&](double s) {
        o.set_frequency(hz * (1 + 0.6 * std::exp(-s / 0.03)));
        const double v = o.sine() * dsp::decay(s, 0.22);
        o.advance();
        return gain * std::tanh(1.4 * v);
    });
}

void impact(mix& m, double t, double gain) {
    if (!m.claim()) return;
    dsp::oscillator boom;
    dsp::random_source noise(0xABCDU);
    dsp::one_pole dark;
    dark.set(900);
    render(m, t, 1.6, {0, 0.35, 0.1}, [&](double s) {
        boom.set_frequency(30 + 90 * std::exp(-s / 0.06));
        const double b = boom.sine() * dsp::decay(s, 0.45) * std::min(1.0, s / 0.001);
        boom.advance();
        const double blast = dark.low(noise.next()) * dsp::decay(s, 0.25) * 2.2;
        return gain * std::tanh(1.8 * (b + blast));
    });
    crash(m, t, gain * 0.55, {0.3, 0.4, 0});
    clap(m, t, gain * 0.7, {-0.2, 0.4, 0});
}

void chime(mix& m, double t, double note, double gain) {
    if (!m.claim()) return;
    // A swell that rises over 0.8 s into t, then rings out.
    const double start = t - 0.8;
    dsp::oscillator c[3], mod[3];
    const double chord[3] = {0, 7, 16};
    for (int i = 0; i < 3; ++i) {
        c[i].set_frequency(dsp::note_hz(note + chord[i]));
        mod[i].set_frequency(dsp::note_hz(note + chord[i]) * 2.0);
    }
    render(m, start, 3.5, {0, 0.6, 0.3}, [&](double s) {
        const double env = s < 0.8 ? std::pow(s / 0.8, 3.0) : dsp::decay(s - 0.8, 0.7);
        double v = 0;
        for (int i = 0; i < 3; ++i) {
            v += std::sin(two_pi * c[i].phase + 1.2 * env * mod[i].sine());
            c[i].advance();
            mod[i].advance();
        }
        return gain * env * v / 3;
    });
}

void bass(mix& m, double t, double length, double note, double gain, const bass_tone& tone) {
    if (!m.claim()) return;
    dsp::oscillator saw, sub;
    const double hz = dsp::note_hz(note);
    saw.set_frequency(hz);
    sub.set_frequency(hz / 2);
    dsp::svf filter;
    const dsp::adsr env{0.004, 0.08, 0.85, 0.04};
    render(m, t, env.length(length), {0, 0.03, 0}, [&](double s) {
        const size_t n = static_cast<size_t>(s * rate);
        if (n % 16 == 0) filter.set(tone.cutoff + tone.env_amount * dsp::decay(s, tone.decay), tone.resonance);
        filter.step(saw.saw());
        const double v = filter.low + tone.sub * sub.sine();
        saw.advance();
        sub.advance();
        return gain * std::tanh(1.2 * v) * env.at(s, length);
    });
}

void pad(mix& m, double t, double length, const std::vector<double>& notes, double gain,
         const pad_tone& tone, placement at) {
    if (!m.claim()) return;
    struct strand {
        dsp::oscillator osc;
        double left, right;
    };
    std::vector<strand> strands;
    for (size_t i = 0; i < notes.size(); ++i) {
        for (int d = -1; d <= 1; ++d) {
            strand s;
            s.osc.set_frequency(dsp::note_hz(notes[i] + d * tone.detune));
            s.osc.phase = std::fmod(0.137 * (i * 3 + d + 1), 1.0);
            dsp::pan_gains(d * 0.7 + 0.15 * (static_cast<double>(i % 2) * 2 - 1), s.left, s.right);
            strands.push_back(s);
        }
    }
    dsp::svf fl, fr;
    const dsp::adsr env{tone.attack, 0.5, 0.85, tone.release};
    writer w(m, at);
    const size_t first = frame_of(t);
    const size_t count = static_cast<size_t>(env.length(length) * rate);
    const double norm = gain / std::sqrt(static_cast<double>(strands.size()));
    for (size_t n = 0; n < count; ++n) {
        const double s = n / static_cast<double>(rate);
        if (n % 32 == 0) {
            const double c = tone.cutoff * (1 + tone.brightness_lfo * std::sin(two_pi * 0.11 * (t + s)));
            fl.set(c, 0.15);
            fr.set(c * 1.03, 0.15);
        }
        double l = 0, r = 0;
        for (strand& st : strands) {
            const double v = st.osc.saw();
            st.osc.advance();
            l += v * st.left;
            r += v * st.right;
        }
        fl.step(l);
        fr.step(r);
        const double e = env.at(s, length) * norm;
        w.put_stereo(first + n, fl.low * e, fr.low * e);
    }
}

void pluck(mix& m, double t, double note, double gain, double cutoff, double length, placement at) {
    if (!m.claim()) return;
    dsp::oscillator a, b;
    a.set_frequency(dsp::note_hz(note));
    b.set_frequency(dsp::note_hz(note + 0.08));
    dsp::svf filter;
    render(m, t, length + 0.05, at, [&](double s) {
        const size_t n = static_cast<size_t>(s * rate);
        if (n % 16 == 0) filter.set(200 + cutoff * dsp::decay(s, 0.09), 0.3);
        filter.step(a.saw() * 0.6 + b.square(0.3) * 0.4);
        a.advance();
        b.advance();
        const double env = dsp::decay(s, length * 0.45) * std::min(1.0, s / 0.002) *
                           (s > length ? std::max(0.0, 1 - (s - length) / 0.05) : 1.0);
        return gain * filter.low * env;
    });
}

void bell(mix& m, double t, double note, double gain, double length, placement at) {
    if (!m.claim()) return;
    dsp::oscillator car, mod;
    car.set_frequency(dsp::note_hz(note));
    mod.set_frequency(dsp::note_hz(note) * 3.5);
    render(m, t, length, at, [&](double s) {
        const double index = 2.5 * dsp::decay(s, 0.4) + 0.3;
        const double v = std::sin(two_pi * car.phase + index * mod.sine());
        car.advance();
        mod.advance();
        return gain * v * dsp::decay(s, length * 0.3) * std::min(1.0, s / 0.001);
    });
}

void lead(mix& m, double t, double length, double note, double gain, double glide_from,
          placement at) {
    if (!m.claim()) return;
    dsp::oscillator a, b, vib;
    vib.set_frequency(5.2);
    dsp::svf filter;
    const dsp::adsr env{0.01, 0.2, 0.75, 0.12};
    const double from = glide_from != 0 ? glide_from : note;
    render(m, t, env.length(length), at, [&](double s) {
        const double glide = from + (note - from) * std::min(1.0, s / 0.06);
        const double vibrato = 0.12 * std::min(1.0, s / 0.4) * vib.sine();
        vib.advance();
        const double hz = dsp::note_hz(glide + vibrato);
        a.set_frequency(hz);
        b.set_frequency(hz * 1.004);
        const size_t n = static_cast<size_t>(s * rate);
        if (n % 16 == 0) filter.set(900 + 2600 * dsp::decay(s, 0.25), 0.35);
        filter.step(a.saw() * 0.5 + b.square() * 0.5);
        a.advance();
        b.advance();
        return gain * filter.low * env.at(s, length);
    });
}

void riser(mix& m, double t0, double t1, double gain) {
    if (!m.claim()) return;
    dsp::random_source noise(0x3131U);
    dsp::svf filter;
    dsp::oscillator tone;
    const double length = t1 - t0;
    render(m, t0, length + 0.02, {0, 0.5, 0.2}, [&](double s) {
        const double p = std::min(1.0, s / length);
        const size_t n = static_cast<size_t>(s * rate);
        if (n % 16 == 0) filter.set(250 * std::pow(36.0, p), 0.55);
        filter.step(noise.next());
        tone.set_frequency(110 * std::pow(8.0, p));
        const double v = filter.band * 1.5 + 0.25 * tone.sine() * p;
        tone.advance();
        const double end = s > length ? std::max(0.0, 1 - (s - length) / 0.02) : 1.0;
        return gain * v * p * p * end;
    });
}

void drone(mix& m, double t0, double t1, double note, double gain) {
    if (!m.claim()) return;
    dsp::oscillator root, fifth, sub, lfo;
    root.set_frequency(dsp::note_hz(note));
    fifth.set_frequency(dsp::note_hz(note + 7));
    sub.set_frequency(dsp::note_hz(note - 12));
    lfo.set_frequency(0.07);
    dsp::svf filter;
    const double length = t1 - t0;
    render(m, t0, length, {0, 0.5, 0}, [&](double s) {
        const size_t n = static_cast<size_t>(s * rate);
        if (n % 64 == 0) filter.set(300 + 250 * (0.5 + 0.5 * lfo.sine()), 0.3);
        filter.step(root.saw() + 0.6 * fifth.saw());
        const double v = filter.low * 0.7 + 0.5 * sub.sine();
        root.advance();
        fifth.advance();
        sub.advance();
        lfo.advance();
        const double env = std::min(1.0, s / 2.0) * std::min(1.0, (length - s) / 1.5);
        return gain * v * std::max(0.0, env);
    });
}

namespace {

struct formants {
    double f[3];
    double amp[3];
};

const std::map<char, formants>& vowel_table() {
    static const std::map<char, formants> table = {
        {'a', {{800, 1200, 2800}, {1.0, 0.5, 0.25}}},
        {'e', {{450, 2000, 2800}, {1.0, 0.4, 0.25}}},
        {'i', {{300, 2300, 3000}, {1.0, 0.35, 0.25}}},
        {'o', {{480, 820, 2800}, {1.0, 0.55, 0.15}}},
        {'u', {{330, 720, 2500}, {1.0, 0.35, 0.1}}},
    };
    return table;
}

}  // namespace

void voice(mix& m, double t0, double t1, const std::vector<std::string>& syllables,
           const std::vector<double>& notes, double gain) {
    if (!m.claim()) return;
    if (syllables.empty()) return;
    const double each = (t1 - t0) / syllables.size();
    dsp::random_source noise(0x6161U);
    dsp::oscillator glottis, vib;
    vib.set_frequency(5.5);
    dsp::svf formant_filter[3];
    dsp::svf hiss;
    hiss.set(5500, 0.3);
    dsp::one_pole tilt;
    tilt.set(900);
    for (size_t k = 0; k < syllables.size(); ++k) {
        const std::string& syl = syllables[k];
        size_t v = 0;
        while (v < syl.size() && !vowel_table().count(syl[v])) ++v;
        const std::string consonant = syl.substr(0, v);
        const std::string vowels = v < syl.size() ? syl.substr(v) : "e";
        const formants& first = vowel_table().at(vowels[0]);
        const formants& last = vowel_table().at(vowels.back());
        const double note = notes.empty() ? 57 : notes[std::min(k, notes.size() - 1)];
        const double prev_note = notes.empty() ? note : notes[k == 0 ? 0 : std::min(k - 1, notes.size() - 1)];
        const double start = t0 + k * each;
        const bool fricative = consonant == "s" || consonant == "f" || consonant == "st" || consonant == "h";
        const bool plosive = consonant == "k" || consonant == "t" || consonant == "b" || consonant == "st";
        const double onset = fricative ? 0.06 : (plosive ? 0.02 : 0.0);
        render(m, start, each + 0.06, {0, 0.45, 0.25}, [&](double s) {
            // Pitch with a glide into the note and vibrato.
            const double pitch = prev_note + (note - prev_note) * std::min(1.0, s / 0.05) +
                                 0.15 * std::min(1.0, s / 0.3) * vib.sine();
            vib.advance();
            glottis.set_frequency(dsp::note_hz(pitch));
            // Vowel glide over the syllable (for diphthongs), formants set per 8 samples.
            const double p = std::min(1.0, std::max(0.0, (s - onset) / std::max(0.05, each - onset)));
            const size_t n = static_cast<size_t>(s * rate);
            if (n % 8 == 0) {
                for (int i = 0; i < 3; ++i) {
                    double f = first.f[i] + (last.f[i] - first.f[i]) * smooth_step(p);
                    if (!fricative && !plosive && !consonant.empty() && s < 0.05)
                        f *= 0.7 + 0.3 * s / 0.05;  // voiced consonant: formants open up
                    formant_filter[i].set(f, 0.93 - 0.02 * i);
                }
            }
            // A saw softened towards a glottal pulse (about 6 dB per octave
            // less treble above 900 Hz), with a little breath.
            const double source = tilt.low(glottis.saw()) * 2.2 + 0.06 * noise.next();
            glottis.advance();
            double sung = 0;
            for (int i = 0; i < 3; ++i) {
                formant_filter[i].step(source);
                const double a = first.amp[i] + (last.amp[i] - first.amp[i]) * p;
                sung += formant_filter[i].band * a;
            }
            const double voiced = s < onset ? 0.0 : std::min(1.0, (s - onset) / 0.03) *
                                                        std::min(1.0, std::max(0.0, (each + 0.06 - s) / 0.08));
            double out = sung * voiced * 0.6;
            if (!consonant.empty() && s < onset + 0.02) {
                hiss.step(noise.next());
                const double burst = fricative ? (1 - s / (onset + 0.02)) : dsp::decay(s, 0.008);
                out += hiss.band * burst * (fricative ? 0.5 : 0.9);
            }
            return gain * out;
        });
    }
}

}  // namespace assets::music
