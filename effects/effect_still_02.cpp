#include "effects/effect_still_02.h"

#include <algorithm>
#include <cmath>

#include "effects/instruction_set.h"

using namespace raymarch;

namespace {

constexpr const char* failure_message = "effect_chernobil failed to initialize itself";
constexpr double normal_offset = 0.002;
constexpr double eta_in = 0.9;                 // air into glass
constexpr double eta_out = 1.1111111111111112;  // glass into air, 1 / 0.9

// The two sphere centres of the lens at one local time T.
struct lens_frame {
    vec3 centre_a;
    vec3 centre_b;

    explicit lens_frame(double t) {
        const double a = 1.5 * std::cos(1.3 * t);
        const double h = 1.5 * std::cos(0.7 * t);
        // cos 3T and sin 3T from the angles T and 2T.
        const double cos_1 = std::cos(t);
        const double sin_1 = std::sin(t);
        const double cos_2 = std::cos(2 * t);
        const double sin_2 = std::sin(2 * t);
        const double cos_3 = cos_1 * cos_2 - sin_1 * sin_2;
        const double sin_3 = sin_1 * cos_2 + cos_1 * sin_2;
        const double cos_4 = std::cos(4 * t);
        const double sin_4 = std::sin(4 * t);
        // (a, a, h) turned by 3T about z, then by 4T about x.
        centre_a = {a * (cos_3 - sin_3), a * cos_4 * (cos_3 + sin_3) - h * sin_4,
                    a * sin_4 * (cos_3 + sin_3) + h * cos_4};
        centre_b = {-1.5 * std::cos(0.7 * t), -1.5 * std::cos(1.9 * t), -1.5 * std::cos(0.3 * t)};
    }

    // The intersection of the two spheres of radius 3.
    double distance(const vec3& p) const {
        return std::max(length(p - centre_b) - 3, length(p - centre_a) - 3);
    }

    // A ball bounding the distance: the larger of the two sphere distances
    // is at least their mean, and |p - a| + |p - b| >= 2 |p - m| for the
    // midpoint m, so the distance is at least |p - m| - 3.
    bounding_balls<1> bounds() const {
        return {{0.5 * (centre_a + centre_b)}, 3.0, 3.0, 0.0};
    }
};

// The two fades of one frame on a colour channel.
struct lens_fade {
    bool from_white;
    double white;  // weight of white
    bool to_black;
    double keep;   // factor of the colour

    explicit lens_fade(double s) {
        from_white = s < 237;
        // Clamped at 1: a larger weight would turn channels brighter than
        // white/(white - 1) (lit glass reaches several times 1) dark in the
        // frames that must be white.
        white = std::min((237 - s) * 2, 1.0);
        to_black = s > 250;
        keep = 1 - (1 - (251 - s));
    }

    double apply(double value) const {
        if (from_white) value = value * (1 - white) + white;
        if (to_black) value = value * keep;
        return value;
    }
};

double channel(uint32_t texel, int shift) { return static_cast<double>((texel >> shift) & 0xFFu); }

// The light of a hit at p seen along d: refraction into the glass, a march
// along the refracted ray, refraction out (total internal reflection samples
// the environment at (0, 0)), a reflection, and four point lights.
vec3 shade(const lens_frame& lens, const vdk::core::texture_gdi& env, const vec3& p,
           const vec3& d) {
    auto field = [&lens](const vec3& q) { return lens.distance(q); };
    const vec3 n = tetrahedral_normal(field, p, normal_offset);
    const vec3 r = refract(d, n, eta_in);  // never total for a ratio below 1

    // The same march as the camera's, from ten units before the hit.
    const vec3 q = bounded_march_to_exit(field, lens.bounds(), p, r, 40).point;

    const vec3 u = tetrahedral_normal(field, q, normal_offset);
    const vec3 out = effect_still_02::exit_lookup(r, u);
    const uint32_t e1 = env.sample(out.x, out.y);
    const vec3 mirrored = reflect(d, n);
    const uint32_t e2 = env.sample(mirrored.x, mirrored.y);

    const vec3 base{0.7 * channel(e1, 16) / 255 + 0.03 * channel(e2, 16) / 255,
                    0.7 * channel(e1, 8) / 255 + 0.03 * channel(e2, 8) / 255,
                    0.7 * channel(e1, 0) / 255 + 0.03 * channel(e2, 0) / 255};
    return four_point_lights(base, p, n, d);
}

}  // namespace

bool effect_still_02::init() {
    return load_textures({{&tex_picture, "_glimmerock/2d/broad4.png"},
                          {&tex_env, "_glimmerock/textures/rust.png"}},
                         failure_message);
}

void effect_still_02::advance(float app_ms, double) {
    local_time = advance_clock(start_time, app_ms, 0.0f, 1000.0f);
}

// Not run_banded_frame: as in still_01, the frame is drawn by a named
// sub-effect (effect_one) that runs its own bands.
int effect_still_02::run(float app_ms, double music_s) {
    advance(app_ms, music_s);
    uint32_t* pixels = back_buffer_pixels();
    if (pixels == nullptr) return 1;
    effect_one(pixels, local_time, music_s);
    return 1;
}

void effect_still_02::effect_one(uint32_t* pixels, double t, double music_s) {
    auto render = [&](int first_row, int end_row) {
        render_band(first_row, end_row, t, pixels, music_s);
    };
    run_bands(band_layout::half_resolution, render);
}

double effect_still_02::lens_distance(const vec3& p) const {
    return lens_frame(local_time).distance(p);
}

bounding_balls<1> effect_still_02::lens_bounds() const { return lens_frame(local_time).bounds(); }

vec3 effect_still_02::shade_glass(const vec3& hit, const vec3& dir) const {
    return shade(lens_frame(local_time), tex_env, hit, dir);
}

vec3 effect_still_02::exit_lookup(const vec3& r, const vec3& u) {
    return refract(r, -u, eta_out);  // the zero vector on total internal reflection
}

double effect_still_02::fade_channel(double value, double s) { return lens_fade(s).apply(value); }

VDK_FLATTEN void effect_still_02::render_band(int first_row, int end_row, double t,
                                              uint32_t pixels[], double s) const {
    const lens_frame lens(t);
    auto field = [&lens](const vec3& p) { return lens.distance(p); };
    const bounding_balls<1> bounds = lens.bounds();
    const lens_fade fade(s);

    // The eye circles the origin at distance 8, looking at it.
    const vec3 eye{8 * std::sin(0.3 * t), 0, -8 * std::cos(0.3 * t)};
    const vec3 back = -eye;
    const vec3 forward{back.x / 8, back.y / 8, back.z / 8};
    const vec3 side = cross(forward, vec3{0, 1, 0});
    const vec3 up = cross(side, forward);
    const double field_at_eye = field(eye);  // every ray's first distance

    // The background's columns ripple sideways by a wobble of their own.
    const double m = (130 * (-t)) * 0.01;

    for (int x = 0; x < screen_width; ++x) {
        const vec3 across = side * ((x - 160) / 120.0);
        const double w = 0.051 * x;
        const double s4 = std::sin(w) + std::sin(2.1 * w + m) + std::sin(3.1 * w + 0.24 * m) +
                          std::sin(5.1 * w + 2.5 * m);
        const double background_u = 0.25 * (x / 320.0 + 0.01 * s4);
        for (int j = first_row; j < end_row; ++j) {
            const vec3 dir = normalize(across + up * ((j - 60) / 120.0) + forward);
            // -1 is the march's miss; any other sum is a hit, even one from
            // a first distance below the epsilon at the eye.
            // march_lens, with misses proved from the bounding ball.
            const double hit_t =
                bounded_march(field, bounds, eye, dir, 40, 0.001, 20, &field_at_eye);
            double r, g, b;
            if (hit_t == -1.0) {
                const uint32_t texel = tex_picture.sample(background_u, j / 120.0);
                r = channel(texel, 16) / 255;
                g = channel(texel, 8) / 255;
                b = channel(texel, 0) / 255;
            } else {
                const vec3 light = 3 * shade(lens, tex_env, eye + hit_t * dir, dir);
                r = light.x;
                g = light.y;
                b = light.z;
            }
            const uint32_t pixel = pack_color({fade.apply(r), fade.apply(g), fade.apply(b), 1});
            pixels[(2 * j) * screen_width + x] = pixel;
            pixels[(2 * j + 1) * screen_width + x] = pixel;
        }
    }
}
