// Rendering and mastering: every instrument into the mix, the echo and the
// reverb on their sends, the master level, a soft limiter and the conversion
// to 16 bits.

#include "tools/assets/music.h"

#include <algorithm>
#include <cmath>
#include <thread>

#include "tools/assets/dsp.h"
#include "tools/assets/instruments.h"
#include "tools/assets/score.h"

namespace assets::music {

namespace {

// A ping-pong echo of a dotted eighth (0.375 s), darkened on each repeat.
void apply_echo(mix& m) {
    const size_t length = static_cast<size_t>(0.375 * dsp::rate);
    dsp::delay_line left(length), right(length);
    dsp::one_pole tone_l, tone_r;
    tone_l.set(3000);
    tone_r.set(3000);
    for (size_t i = 0; i < m.frames(); ++i) {
        const double dl = left.read(), dr = right.read();
        left.write_advance(m.echo_send[i] + tone_l.low(dr) * 0.42);
        right.write_advance(tone_r.low(dl) * 0.42);
        m.left[i] += static_cast<float>(dl * 0.5);
        m.right[i] += static_cast<float>(dr * 0.5);
        m.reverb_send[i] += static_cast<float>((dl + dr) * 0.1);
    }
}

void apply_reverb(mix& m) {
    dsp::reverb room(0.86, 0.35);
    dsp::one_pole low_cut;
    low_cut.set(180);
    for (size_t i = 0; i < m.frames(); ++i) {
        double l, r;
        room.step(low_cut.high(m.reverb_send[i]) * 0.08, l, r);
        m.left[i] += static_cast<float>(l);
        m.right[i] += static_cast<float>(r);
    }
}

}  // namespace

std::vector<int16_t> render_track(double seconds) {
    if (seconds <= 0 || seconds > track_seconds) seconds = track_seconds;
    // The score on two threads, each rendering every other event, then summed.
    const size_t length = static_cast<size_t>(std::llround(track_seconds * dsp::rate));
    mix m(length);
    {
        mix other(length);
        m.parts = other.parts = 2;
        other.part = 1;
        std::thread helper([&other] { compose(other); });
        compose(m);
        helper.join();
        for (size_t i = 0; i < length; ++i) {
            m.left[i] += other.left[i];
            m.right[i] += other.right[i];
            m.reverb_send[i] += other.reverb_send[i];
            m.echo_send[i] += other.echo_send[i];
        }
    }
    apply_echo(m);
    apply_reverb(m);

    const size_t frames = static_cast<size_t>(std::llround(seconds * dsp::rate));
    std::vector<int16_t> out(frames * 2);
    // Master level, then a soft limiter that keeps peaks below full scale.
    const double drive = 0.9;
    for (size_t i = 0; i < frames; ++i) {
        const double g = master_gain(static_cast<double>(i) / dsp::rate) * drive;
        const double l = std::tanh(m.left[i] * g), r = std::tanh(m.right[i] * g);
        out[2 * i] = static_cast<int16_t>(std::lround(l * 30000.0));
        out[2 * i + 1] = static_cast<int16_t>(std::lround(r * 30000.0));
    }
    return out;
}

}  // namespace assets::music
