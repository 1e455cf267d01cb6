#include "effects/effect_still_01.h"

#include "effects/instruction_set.h"

#include <cmath>

using namespace raymarch;

namespace {

constexpr const char* failure_message = "effect_chernobil failed to initialize itself";

// The camera sits on the z axis looking down -z; its focal length in pixels
// is 240 / tan(22.5 degrees), and the constant below is that length squared.
constexpr double focal_length = 579.4112549695428;
constexpr double focal_length_squared = 335717.4023853806;
constexpr int march_steps = 5;  // fixed: no early exit, rays needing more miss
constexpr double hit_epsilon = 0.001;

// The rotation of the tumbling torus at one local time T, with
// alpha = 2 (0.25 T) and beta = 4 (0.25 T); the products of two rotation
// terms are formed once here, in the order the distance takes them.
struct torus_frame {
    double sa_sb, ca_sb, cb;  // row 1: sin a sin b, cos a sin b, cos b
    double ca, sa;            // row 2: cos a, -sin a
    double sa_cb, ca_cb, sb;  // row 3: sin a cos b, cos a cos b, -sin b

    explicit torus_frame(double t) {
        const double alpha = 2 * (0.25 * t);
        const double beta = 4 * (0.25 * t);
        const double sin_a = std::sin(alpha);
        const double cos_a = std::cos(alpha);
        const double sin_b = std::sin(beta);
        const double cos_b = std::cos(beta);
        sa_sb = sin_a * sin_b;
        ca_sb = cos_a * sin_b;
        cb = cos_b;
        ca = cos_a;
        sa = sin_a;
        sa_cb = sin_a * cos_b;
        ca_cb = cos_a * cos_b;
        sb = sin_b;
    }

    // A torus of ring radius 0.5 and tube radius 0.6 about the origin, seen
    // through the rotation.
    double distance(const vec3& p) const {
        const double q1 = sa_sb * p.x + ca_sb * p.y + cb * p.z;
        const double q2 = ca * p.x - sa * p.y;
        const double q3 = sa_cb * p.x + ca_cb * p.y - sb * p.z;
        const double ring = std::sqrt(q1 * q1 + q2 * q2) - 0.5;
        return std::sqrt(ring * ring + q3 * q3) - 0.6;
    }
};

double channel(uint32_t texel, int shift) { return ((texel >> shift) & 0xFFu) / 255.0; }

}  // namespace

bool effect_still_01::init() {
    return load_textures({{&tex_picture, "_glimmerock/2d/still_01.png"},
                          {&tex_shade, "_glimmerock/textures/rust.png"}},
                         failure_message);
}

void effect_still_01::advance(float app_ms, double) {
    local_time = advance_clock(start_time, app_ms, 0.0f, 1000.0f);
}

// Not run_banded_frame: the music position picks one of two sub-effects, each
// with its own bands.
int effect_still_01::run(float app_ms, double music_s) {
    advance(app_ms, music_s);
    uint32_t* pixels = back_buffer_pixels();
    if (pixels == nullptr) return 1;
    if (music_s < 88)
        effect_two(pixels, local_time, music_s);
    else
        effect_one(pixels, local_time, music_s);
    return 1;
}

// The kernels read the clock from the effect; the local_time argument is the
// same value.
void effect_still_01::effect_one(uint32_t* pixels, double, double music_s) {
    auto render = [&](int first_row, int end_row) {
        render_band_one(first_row, end_row, pixels, music_s);
    };
    run_bands(band_layout::full_resolution, render);
}

void effect_still_01::effect_two(uint32_t* pixels, double, double music_s) {
    auto render = [&](int first_row, int end_row) {
        render_band_two(first_row, end_row, pixels, music_s);
    };
    run_bands(band_layout::full_resolution, render);
}

double effect_still_01::torus_distance(const vec3& p) const {
    return torus_frame(local_time).distance(p);
}

// Fades in from white until 85.5 s and, from 87 s, back toward white, which
// it reaches at 88 s.
void effect_still_01::render_band_two(int first_row, int end_row, uint32_t pixels[],
                                      double s) const {
    fade_plan fade{};
    fade.first_white = s < 85.5;
    fade.first = (85.5 - s) * 2;
    fade.second_white = 87 < s && s < 90;
    fade.second = 1 - (88 - s);
    render_band(first_row, end_row, pixels, fade);
}

// Fades in from white from 88 s to 88.5 s and out to black over 90-91 s.
void effect_still_01::render_band_one(int first_row, int end_row, uint32_t pixels[],
                                      double s) const {
    fade_plan fade{};
    fade.first_white = s < 88.5;
    fade.first = (88.5 - s) * 2;
    fade.to_black = s > 90;
    fade.lift = 1 - (91 - s);
    fade.keep = 1 - fade.lift;
    render_band(first_row, end_row, pixels, fade);
}

VDK_FLATTEN void effect_still_01::render_band(int first_row, int end_row, uint32_t pixels[],
                                              const fade_plan& fade) const {
    const torus_frame torus(local_time);
    const vec3 origin{0, 0, 6};
    const double e = normal_eps;
    const vec3 ex = e * vec3{1, 0, 0};
    const vec3 ey = e * vec3{0, 1, 0};
    const vec3 ez = e * vec3{0, 0, 1};

    auto toward_white = [](double& value, double x) { value = value * (1 - x) + x; };

    for (int x = 0; x < screen_width; ++x) {
        const double dx = x - 160;
        const double column_u = x / 320.0;
        for (int y = first_row; y < end_row; ++y) {
            const double dy = y - 120;
            const double ray_length = std::sqrt(dy * dy + dx * dx + focal_length_squared);
            const vec3 dir{dx / ray_length, dy / ray_length, -focal_length / ray_length};
            const uint32_t background = tex_picture.sample(column_u, y / 240.0);

            // A later hit of the march overwrites an earlier one's colour and
            // the colour never steers the march, so only the last hit is shaded.
            bool hit = false;
            vec3 hit_point{};
            double hit_travel = 0;
            double d0 = 0;
            // The torus lies within 0.5 + 0.6 of the origin, so every distance
            // along a ray whose line passes 1.2 or more from the origin is at
            // least 0.1 (less rounding): such a ray never hits and needs no march.
            const vec3 to_centre = -1.0 * origin;
            const double along = dot(to_centre, dir);
            const bool clear = dot(to_centre, to_centre) - along * along >= 1.2 * 1.2;
            for (int step = 0; step < march_steps && !clear; ++step) {
                const vec3 p = origin + d0 * dir;
                const double d = torus.distance(p);
                if (d < hit_epsilon) {
                    hit = true;
                    hit_point = p;
                    hit_travel = d0;
                }
                d0 = d0 + d;
            }

            double hr = 0, hg = 0, hb = 0, ha = 1;
            if (hit) {
                // Central differences; the colour is looked up at a point chosen
                // by the normal's direction and the distance travelled so far.
                const vec3& p = hit_point;
                const double nz = torus.distance(p + ez) - torus.distance(p - ez);
                const double ny = torus.distance(p + ey) - torus.distance(p - ey);
                const double nx = torus.distance(p + ex) - torus.distance(p - ex);
                const vec3 n = normalize(vec3{nx, ny, nz});
                double u = 0.01 * (0.7 * n.x + 1.2 * n.y - 0.2 * n.z);
                double v = 0.01 * (-3.2 * n.y + 0.2 * n.x + 0.2 * n.z);
                const double uv_length = std::sqrt(u * u + v * v);
                const double spread = std::sin(hit_travel);
                u = u / uv_length * spread;
                v = v / uv_length * spread;
                const uint32_t texel = tex_shade.sample(u, v);
                hr = channel(texel, 16);
                hg = channel(texel, 8);
                hb = channel(texel, 0);
                ha = channel(texel, 24);
            }

            double r = channel(background, 16);
            double g = channel(background, 8);
            double b = channel(background, 0);
            double a = channel(background, 24);
            if (hr > 0) {  // a shade sample without red adds nothing at all
                r += hr;
                g += hg;
                b += hb;
                a += ha;
            }
            if (fade.first_white) {
                toward_white(r, fade.first);
                toward_white(g, fade.first);
                toward_white(b, fade.first);
                toward_white(a, fade.first);
            }
            if (fade.second_white) {
                toward_white(r, fade.second);
                toward_white(g, fade.second);
                toward_white(b, fade.second);
                toward_white(a, fade.second);
            }
            if (fade.to_black) {
                r = r * fade.keep;
                g = g * fade.keep;
                b = b * fade.keep;
                a = a * fade.keep + fade.lift;
            }
            pixels[y * screen_width + x] = pack_color({r, g, b, a});
        }
    }
}
