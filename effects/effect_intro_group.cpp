#include "effects/effect_intro_group.h"

#include <array>
#include <cmath>

namespace {

// byte / 255 for every byte value.
const std::array<double, 256> unit_of_byte = [] {
    std::array<double, 256> table{};
    for (int i = 0; i < 256; ++i) table[i] = i / 255.0;
    return table;
}();

inline uint32_t channel_byte(uint32_t pixel, int shift) { return (pixel >> shift) & 0xFFu; }

// Per-row terms of the light field.
struct title_row {
    double spot1;  // (v - B)^2
    double spot2;  // (v + N)^2
    double ring;   // (v + B)(v - B)
    double sv;     // y / 240
};

// Per-column terms of the light field and the ripple.
struct title_column {
    double spot1;    // (u - A)^2
    double spot2;    // (u + M)^2
    double ring;     // (u + A)(u - A)
    double su;       // x / 320
    double noise_u;  // 0.1 t + x / 320
};

// Steps from the white-out on: blend towards white, weight by alpha, pack.
inline uint32_t finish(double r, double g, double b, double a,
                       const effect_intro_group::frame_values& f) {
    if (f.white_out) {
        r = r * f.white_keep + (1 - f.white_keep);
        g = g * f.white_keep + (1 - f.white_keep);
        b = b * f.white_keep + (1 - f.white_keep);
        a = a * f.white_keep + (1 - f.white_keep);
    }
    r = r * a;
    g = g * a;
    b = b * a;
    return 0xFF000000u + color_byte(r) * 65536u + color_byte(g) * 256u + color_byte(b);
}

}  // namespace

effect_intro_group::frame_values effect_intro_group::values_at(float t, double s) {
    const double td = t;
    frame_values f{};
    f.spot1_u = 0.4 * std::cos(td);
    f.spot1_v = 0.4 * std::sin(1.5 * td);
    f.spot2_m = 0.4 * std::sin(2 * td);
    f.spot2_n = 0.4 * std::cos(3 * td);
    f.ring = s > 7.2;
    if (f.ring) {
        float strength = s < 10.2 ? static_cast<float>((s - 7.2) / 3 * 30) : 30.0f;
        if (20 < s && s < 23) strength = static_cast<float>(strength * (1 - (s - 18) / 5));
        // The fall reaches 0 at 23 s; at exactly 23 s it must not jump back to 30.
        if (s >= 23) strength = 0.0f;
        f.ring_strength = strength;
    }
    f.fade_in = s < 7;
    f.cross_fade = s > 7;
    f.cross_weight = (s - 8) / 6;
    f.white_out = s > 23;
    f.white_keep = (25 - s) * 0.5;
    f.ripple = std::cos(std::sin(td));
    return f;
}

bool effect_intro_group::init() {
    return load_textures({{&tex_background, "_glimmerock/title/title320_tlo.png"},
                          {&tex_title, "_glimmerock/title/title320.png"},
                          {&tex_noise, "_glimmerock/textures/BWST_1.png"}},
                         "Effect_Intro_Lens failed to initialize itself");
}

void effect_intro_group::advance(float app_ms, double) {
    local_time = advance_clock(start_time, app_ms, 0.0f, 1000.0f);
}

int effect_intro_group::run(float app_ms, double music_s) {
    advance(app_ms, music_s);
    uint32_t* pixels = host->pixels();
    // Title and noise are checked with the background: no frame without them.
    if (pixels == nullptr || tex_background.pixels() == nullptr || tex_title.pixels() == nullptr ||
        tex_noise.pixels() == nullptr) {
        log->write("BACK BUFFER TEXTURE LOCK FAILED, BUFF==NULLPTR", vdk::core::debug);
        host->close();
        return 0;
    }
    draw(pixels, music_s);
    return 1;
}

void effect_intro_group::draw(uint32_t pixels[], double s) const {
    const double t = local_time;
    const frame_values f = values_at(local_time, s);
    const double A = f.spot1_u;
    const double B = f.spot1_v;
    const double M = f.spot2_m;
    const double N = f.spot2_n;

    double ripple[256];  // 0.05 e g / 255 for every green byte g of the noise
    double title_term[256];  // w * byte / 255 for every title byte
    for (int i = 0; i < 256; ++i) {
        ripple[i] = 0.05 * f.ripple * i / 255;
        title_term[i] = f.cross_weight * i / 255;
    }
    const double keep = 1 - f.cross_weight;
    // Pixels with brightness 1 or less: all channels 0 before the white-out.
    const uint32_t dark_pixel = finish(0, 0, 0, 0, f);

    title_column columns[screen_width];
    for (int x = 0; x < screen_width; ++x) {
        const double u = 2.0 * x / 320 - 1;
        const double su = x / 320.0;
        columns[x] = {(u - A) * (u - A), (u + M) * (u + M), (u + A) * (u - A), su, 0.1 * t + su};
    }

    // Every pixel depends only on its own coordinates and the frame, so the
    // frame is drawn row by row.
    for (int y = 0; y < screen_height; ++y) {
        const double v = 2.0 * y / 240 - 1;
        const title_row row{(v - B) * (v - B), (v + N) * (v + N), (v + B) * (v - B), y / 240.0};
        uint32_t* out = pixels + y * screen_width;
        for (int x = 0; x < screen_width; ++x) {
            const title_column& column = columns[x];
            // Light field in single precision; each denominator is rounded to
            // single before its division (a zero one divides by zero).
            const float d1 = static_cast<float>(8 * (row.spot1 + column.spot1));
            const float d2 = static_cast<float>(12 * (row.spot2 + column.spot2));
            float light = 20.0f / d1 + 50.0f / d2;
            if (f.ring) {
                const float d3 = static_cast<float>(20 * (row.ring + column.ring));
                light = light - f.ring_strength / d3;
            }
            double k = 1.3 * light;
            if (f.fade_in) k = k * s / 7;
            if (k > 255) k = 255;
            if (!(k > 1)) {
                out[x] = dark_pixel;
                continue;
            }
            const uint32_t n = tex_noise.sample(column.noise_u, row.sv);
            const double su = column.su + ripple[channel_byte(n, 8)] - 0.025;
            const uint32_t o = tex_background.sample(su, row.sv);
            double r = unit_of_byte[channel_byte(o, 16)];
            double g = unit_of_byte[channel_byte(o, 8)];
            double b = unit_of_byte[channel_byte(o, 0)];
            double a = unit_of_byte[channel_byte(o, 24)];
            if (f.cross_fade) {
                const uint32_t ti = tex_title.sample(su, row.sv);
                r = r * keep + title_term[channel_byte(ti, 16)];
                g = g * keep + title_term[channel_byte(ti, 8)];
                b = b * keep + title_term[channel_byte(ti, 0)];
                a = a * keep + title_term[channel_byte(ti, 24)];
            }
            const double q = k / 256;
            out[x] = finish(r * q, g * q, b * q, a * q, f);
        }
    }
}
