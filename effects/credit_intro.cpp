#include "effects/credit_intro.h"

#include <array>
#include <cmath>

const char* const credit_noise_path = "_glimmerock/textures/gatonoise.png";

namespace credit_rows {

namespace {
constexpr double pi_over_15 = 0.20943951023931953;     // 12 degrees
constexpr double pi_over_18 = 0.17453292519943295;     // 10 degrees
constexpr double two_pi_over_45 = 0.13962634015954636;  // 8 degrees
}  // namespace

const credit_row fennick{"_glimmerock/credits/credit-fennickone320_tlo.png",
                         "_glimmerock/credits/credit-fennickone320_txt.png",
                         "_glimmerock/credits/credit-fennickone320_mask.png",
                         "Effect_Intro_Fennick failed to initialize itself",
                         {{26.0, 26.9, 27.7}, {-pi_over_15, pi_over_18, -two_pi_over_45}, true, 28.5},
                         true,
                         26.0};

const credit_row drumelo{"_glimmerock/credits/credit-drumelo320_tlo.png",
                         "_glimmerock/credits/credit-drumelo320_txt.png",
                         "_glimmerock/credits/credit-drumelo320_tlo.png",
                         "Effect_Intro_Drumelo failed to initialize itself",
                         {{29.9, 30.8, 31.6}, {pi_over_15, -pi_over_18, two_pi_over_45}, true, 32.5},
                         false,
                         0.0};

const credit_row quintaz{"_glimmerock/credits/credit-quintaz320_tlo.png",
                         "_glimmerock/credits/credit-quintaz320_txt.png",
                         "_glimmerock/credits/credit-quintaz320_tlo.png",
                         "Effect_Intro_Quintaz failed to initialize itself",
                         {{33.7, 34.6, 35.4}, {-pi_over_15, pi_over_18, -two_pi_over_45}, true, 36.3},
                         false,
                         0.0};

// The third step already straightens the name, so there is no reset.
const credit_row pello{"_glimmerock/credits/credit-pello320_tlo.png",
                       "_glimmerock/credits/credit-pello320_txt.png",
                       "_glimmerock/credits/credit-pello320_mask.png",
                       "Effect_Intro_Pello failed to initialize itself",
                       {{37.3, 38.1, 39.2}, {-pi_over_15, pi_over_18, 0.0}, false, 0.0},
                       false,
                       0.0};

}  // namespace credit_rows

namespace {

constexpr int pixel_count = screen_width * screen_height;
// Steps 1 to 3 and the reset: the most evaluations of one frame that change
// the tilt, so the most pixels of a frame that see a rotation of their own.
constexpr int most_tilt_changes = 4;

// byte / 255 for every byte value.
const std::array<double, 256> unit_of_byte = [] {
    std::array<double, 256> table{};
    for (int i = 0; i < 256; ++i) table[i] = i / 255.0;
    return table;
}();

struct rotation {
    double cos_w;
    double sin_w;
};

rotation rotation_of(double s, const tilt_ref& tilt) {
    const double w = tilt_rotation(s, tilt.since, tilt.angle);
    return {std::cos(w), std::sin(w)};
}

// The per-frame values of the kernel.
struct layer_constants {
    const vdk::core::texture_gdi& background;
    const vdk::core::texture_gdi& layer;
    const vdk::core::texture_gdi& noise;
    double zoom;                // S = 1 - 0.3 |e|, e = cos(sin t)
    double ripple[256];         // 0.05 e g / 255 for every green byte g of the noise
    double layer_weight;        // J = layer_weight * alpha
    double white_keep;          // 1 - h
    double white_amount;        // h
};

inline uint32_t channel_byte(uint32_t pixel, int shift) { return (pixel >> shift) & 0xFFu; }

// One pixel. X, Y: centred coordinates; noise_u = 0.1 t + X; background_v =
// Y S + 0.5; (layer_u, layer_v): the rotated point in the layer.
template <bool white_fade>
inline uint32_t shade(const layer_constants& k, double X, double Y, double noise_u,
                      double background_v, double layer_u, double layer_v) {
    const uint32_t n = k.noise.sample(noise_u, Y);
    const double shifted = X + k.ripple[channel_byte(n, 8)] - 0.025;
    const uint32_t b = k.background.sample(shifted * k.zoom + 0.5, background_v);
    const uint32_t d = k.layer.sample(layer_u, layer_v);
    const double alpha = unit_of_byte[channel_byte(d, 24)];
    const double J = k.layer_weight * alpha;
    double rgb[3];
    for (int c = 0; c < 3; ++c) {
        const int shift = 16 - 8 * c;
        rgb[c] = unit_of_byte[channel_byte(b, shift)] * (1 - J) +
                 unit_of_byte[channel_byte(d, shift)] * J;
        if (white_fade) rgb[c] = rgb[c] * k.white_keep + k.white_amount;
    }
    return 0xFF000000u + color_byte(rgb[0]) * 65536u + color_byte(rgb[1]) * 256u +
           color_byte(rgb[2]);
}

inline double centred_x(int x) { return x / 320.0 - 0.5; }
inline double centred_y(int y) { return y / 240.0 - 0.5; }

template <bool white_fade>
void draw_frame(const layer_constants& k, double noise_shift, const rotation& r,
                const rotation* first_pixels, int first_pixel_count, uint32_t pixels[]) {
    double column_x[screen_width];
    double column_noise_u[screen_width];
    double column_x_cos[screen_width];
    double column_x_sin[screen_width];
    for (int x = 0; x < screen_width; ++x) {
        const double X = centred_x(x);
        column_x[x] = X;
        column_noise_u[x] = noise_shift + X;
        column_x_cos[x] = X * r.cos_w;
        column_x_sin[x] = X * r.sin_w;
    }
    for (int y = 0; y < screen_height; ++y) {
        const double Y = centred_y(y);
        const double background_v = Y * k.zoom + 0.5;
        const double y_sin = Y * r.sin_w;
        const double y_cos = Y * r.cos_w;
        uint32_t* row = pixels + y * screen_width;
        for (int x = 0; x < screen_width; ++x) {
            row[x] = shade<white_fade>(k, column_x[x], Y, column_noise_u[x], background_v,
                                       column_x_cos[x] - y_sin + 0.5,
                                       y_cos + column_x_sin[x] + 0.5);
        }
    }
    // Pixels are visited column by column from (0, 0), and the schedule takes
    // its steps on the first pixels visited: (0, 0), (0, 1), ... show the
    // rotation each step left behind. Every other pixel shows the final one,
    // so the frame above could be drawn in any order.
    for (int y = 0; y < first_pixel_count; ++y) {
        const double X = centred_x(0);
        const double Y = centred_y(y);
        const rotation& p = first_pixels[y];
        pixels[y * screen_width] =
            shade<white_fade>(k, X, Y, noise_shift + X, Y * k.zoom + 0.5,
                              X * p.cos_w - Y * p.sin_w + 0.5, Y * p.cos_w + X * p.sin_w + 0.5);
    }
}

}  // namespace

bool evaluate_tilt(const tilt_schedule& schedule, double s, tilt_ref tilt) {
    if (tilt.state >= 0 && tilt.state < 3) {
        if (!(s > schedule.thresholds[tilt.state])) return false;
        tilt.since = s;
        tilt.angle = schedule.angles[tilt.state];
        ++tilt.state;
        return true;
    }
    if (tilt.state == 3 && schedule.straightens && s > schedule.straighten_at) {
        const bool changed = tilt.angle != 0.0 || std::signbit(tilt.angle);
        tilt.angle = 0.0;
        return changed;
    }
    return false;
}

void settle_tilt(const tilt_schedule& schedule, double s, tilt_ref tilt) {
    for (int pixel = 0; pixel < pixel_count && evaluate_tilt(schedule, s, tilt); ++pixel) {
    }
}

void draw_tilted_layer(const tilted_layer_frame& frame, const tilt_schedule& schedule,
                       tilt_ref tilt, uint32_t pixels[]) {
    const double t = frame.local_time;
    const double e = std::cos(std::sin(t));
    layer_constants k{*frame.background, *frame.layer, *frame.noise, 1 - 0.3 * std::fabs(e), {},
                      frame.blend.layer_weight, 1 - frame.blend.white_amount,
                      frame.blend.white_amount};
    for (int g = 0; g < 256; ++g) k.ripple[g] = 0.05 * e * g / 255;
    const double noise_shift = 0.1 * t;

    // The steps due in this frame, one per pixel, each with the rotation its
    // pixel is drawn with.
    rotation first_pixels[most_tilt_changes];
    int first_pixel_count = 0;
    while (first_pixel_count < most_tilt_changes && evaluate_tilt(schedule, frame.music_s, tilt)) {
        first_pixels[first_pixel_count++] = rotation_of(frame.music_s, tilt);
    }
    const rotation final_rotation = rotation_of(frame.music_s, tilt);

    if (frame.blend.white_fade) {
        draw_frame<true>(k, noise_shift, final_rotation, first_pixels, first_pixel_count, pixels);
    } else {
        draw_frame<false>(k, noise_shift, final_rotation, first_pixels, first_pixel_count, pixels);
    }
}

bool credit_intro::init() {
    return load_textures({{&tex_background, row_.background_path},
                          {&tex_noise, credit_noise_path},
                          {&tex_mask, row_.mask_path},
                          {&tex_text, row_.text_path}},
                         row_.failure_message);
}

void tilted_layer_effect::advance(float app_ms, double music_s) {
    local_time = advance_clock(start_time, app_ms, 0.0f, 1000.0f);
    settle_tilt(schedule_, music_s, tilt());
}

int tilted_layer_effect::run(float app_ms, double music_s) {
    local_time = advance_clock(start_time, app_ms, 0.0f, 1000.0f);
    uint32_t* pixels = host->pixels();
    // The pictures are checked too: a frame cannot be drawn without them.
    if (pixels == nullptr || tex_background.pixels() == nullptr || layer().pixels() == nullptr ||
        tex_noise.pixels() == nullptr) {
        log->write("BACK BUFFER TEXTURE LOCK FAILED, BUFF==NULLPTR", vdk::core::debug);
        release();
        return 1;
    }
    draw(pixels, music_s);
    return 1;
}

void tilted_layer_effect::draw(uint32_t pixels[], double music_s) {
    const tilted_layer_frame frame{&tex_background, &layer(), &tex_noise,
                                   local_time,      music_s,  blend_at(music_s)};
    draw_tilted_layer(frame, schedule_, tilt(), pixels);
}

layer_blend credit_intro::blend_at(double music_s) const {
    const bool fading = row_.white_fade && music_s < row_.white_fade_end;
    return {1.0, fading, fading ? row_.white_fade_end - music_s : 0.0};
}
