#include "effects/effect_opening_3.h"

#include <cmath>

#include "effects/raymarch.h"

using namespace raymarch;

namespace {

// The four channels of a pixel as byte / 255.
struct channels {
    double r;
    double g;
    double b;
    double a;
};

channels channels_of(uint32_t pixel) {
    return {((pixel >> 16) & 0xFFu) / 255.0, ((pixel >> 8) & 0xFFu) / 255.0,
            (pixel & 0xFFu) / 255.0, (pixel >> 24) / 255.0};
}

// The byte values of a pixel's four channels.
struct channel_bytes {
    double r;
    double g;
    double b;
    double a;
};

channel_bytes bytes_of(uint32_t pixel) {
    return {static_cast<double>((pixel >> 16) & 0xFFu), static_cast<double>((pixel >> 8) & 0xFFu),
            static_cast<double>(pixel & 0xFFu), static_cast<double>(pixel >> 24)};
}

}  // namespace

bool effect_opening_3::init() {
    const char* const failure = "Effect_Intro_Pello failed to initialize itself";
    if (!load_textures({{&tex_picture, "_glimmerock/2d/opening1.png"},
                        {&tex_noise, "_glimmerock/textures/BWST_9.png"},
                        {&tex_industrial, "_glimmerock/2d/industrial.png"}},
                       failure)) {
        return false;
    }
    if (layer_picture.create(screen_width, screen_height) != 0 ||
        layer_glow.create(screen_width, screen_height) != 0) {
        log->write(failure, vdk::core::error);
        return false;
    }
    render_picture(layer_picture.pixels());  // the picture never changes: drawn once
    return true;
}

void effect_opening_3::advance(float app_ms, double) {
    local_time = advance_clock(start_time, app_ms, 0.0f, 1000.0f);
}

// Not run_banded_frame: the iris is composed from its layers on the calling
// thread, without bands.
int effect_opening_3::run(float app_ms, double music_s) {
    advance(app_ms, music_s);
    uint32_t* pixels = back_buffer_pixels();
    if (pixels == nullptr) return 1;
    render_glow(layer_glow.pixels(), local_time);
    compose(pixels, local_time, music_s);
    return 1;
}

void effect_opening_3::render_picture(uint32_t pixels[]) const {
    for (int x = 0; x < screen_width; ++x) {
        const double u = x / 320.0;
        for (int y = 0; y < screen_height; ++y) {
            const channels p = channels_of(tex_picture.sample(u, y / 240.0));
            pixels[y * screen_width + x] = pack_color({p.r * p.a, p.g * p.a, p.b * p.a, 1.0});
        }
    }
}

void effect_opening_3::render_glow(uint32_t pixels[], double local_time) const {
    const double tau = local_time + 60;
    const double scroll_1 = 0.03 * tau;
    const double scroll_2 = 0.05 * tau;
    const double centre_x = 0.5 * std::sin(0.5 * tau) + 0.5;

    // Per-row terms.
    struct glow_row {
        double noise_v1;  // |0.03 tau y / 240|
        double noise_v2;  // |0.05 tau y / 240|
        double dy2;       // (y/240 - 0.5)^2
        double picture_v;
        double a;         // weight of the industrial picture, 1 at the top
        double one_minus_a;
    };
    glow_row rows[screen_height];
    for (int y = 0; y < screen_height; ++y) {
        const double dy = y / 240.0 - 0.5;
        const float v_single = static_cast<float>(y) / 240.0f;
        const double a = 1 - static_cast<double>(v_single);
        rows[y] = {std::fabs(scroll_1 * y / 240), std::fabs(scroll_2 * y / 240), dy * dy,
                   static_cast<double>(v_single) - 0.01, a, 1 - a};
    }

    for (int x = 0; x < screen_width; ++x) {
        const double u = x / 320.0;
        const double noise_u1 = std::fabs(u - scroll_1);
        const double noise_u2 = std::fabs(u - scroll_2);
        const double dx = u - centre_x;
        const double dx2 = dx * dx;
        const double picture_u = static_cast<double>(static_cast<float>(x) / 320.0f) - 0.01;
        for (int y = 0; y < screen_height; ++y) {
            const glow_row& row = rows[y];
            const channel_bytes n = bytes_of(tex_noise.sample(noise_u1, row.noise_v1));
            const channel_bytes m = bytes_of(tex_noise.sample(noise_u2, row.noise_v2));
            const double o = dx2 + row.dy2;
            const double k = 0.1 / std::sqrt(o);  // infinite at the centre: clips to full
            const channel_bytes t = bytes_of(tex_industrial.sample(picture_u, row.picture_v));
            const double a = row.a;
            const double b = row.one_minus_a;
            const color4 c{t.r / 255 * a + (k - (n.r + m.r) / 255) * b,
                           t.g / 255 * a + (k - (n.g + m.g) / 255) * b,
                           t.b / 255 * a + (k - (n.b + m.b) / 255) * b,
                           t.a / 255 * a + (k - (n.a + m.a) / 255) * b};
            pixels[y * screen_width + x] = pack_color(c);
        }
    }
}

void effect_opening_3::compose(uint32_t pixels[], double local_time, double s) const {
    const double f = std::fabs(std::sin(local_time / 10));
    const double inner = f - 0.2;  // the iris is fully open inside this radius
    const bool from_white = s < 72;
    const double k = (72 - s) * 0.5;

    double row_v[screen_height];
    double row_y2[screen_height];
    for (int y = 0; y < screen_height; ++y) {
        row_v[y] = y / 240.0;
        const double yy = row_v[y] - 0.5;
        row_y2[y] = yy * yy;
    }

    for (int x = 0; x < screen_width; ++x) {
        const double u = x / 320.0;
        const double xx = (u - 0.5) * (4.0 / 3.0);
        const double x2 = xx * xx;
        for (int y = 0; y < screen_height; ++y) {
            const double v = row_v[y];
            const double r = std::sqrt(x2 + row_y2[y]);
            const double l = smoothstep(f, inner, r);
            const double outside = 1 - l;
            const channel_bytes zoomed = bytes_of(layer_picture.sample(u * l, v * l));
            const channel_bytes picture = bytes_of(layer_picture.sample(u, v));
            const channel_bytes glow = bytes_of(layer_glow.sample(u, v));
            color4 c{glow.r / 255 * l + (zoomed.r / 255 + 0.5 * picture.r / 255) * outside,
                     glow.g / 255 * l + (zoomed.g / 255 + 0.5 * picture.g / 255) * outside,
                     glow.b / 255 * l + (zoomed.b / 255 + 0.5 * picture.b / 255) * outside,
                     glow.a / 255 * l + (zoomed.a / 255 + 0.5 * picture.a / 255) * outside};
            if (from_white) {
                c.r = c.r * (1 - k) + k;
                c.g = c.g * (1 - k) + k;
                c.b = c.b * (1 - k) + k;
                c.i = c.i * (1 - k) + k;
            }
            pixels[y * screen_width + x] = pack_color({c.r * c.i, c.g * c.i, c.b * c.i, 1.0});
        }
    }
}
