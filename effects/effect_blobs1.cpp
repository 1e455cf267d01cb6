#include "effects/effect_blobs1.h"

#include <cmath>

#include "effects/instruction_set.h"
#include "effects/rounded_math.h"
#include "effects/simd_lanes.h"

using namespace raymarch;

namespace {

// What the vector kernels read of a frame.
struct blobs1_scene {
    blob_spheres field;
    bounding_balls<3> bounds;
    orbit_camera camera;
    double field_at_eye;  // every ray's first distance
    tunnel_frame tunnel;
    const vdk::core::texture_gdi* env;
    const vdk::core::texture_gdi* deep;
    const vdk::core::texture_gdi* wall;
};

// The colours of one band row, one column per lane.
using row_function = void (*)(const blobs1_scene& scene, int j, vec3 colors[]);

#define LANE_KERNEL "effects/effect_blobs1_lanes.inc"
#define LANE_KERNEL_SETS LANE_VECTOR_SETS
#include "effects/lane_kernels.h"
// The scalar set draws with the column loop of render_band.
constexpr kernel_table<row_function> row_copies = LANE_KERNEL_COPIES(nullptr, glass_blobs_row);

}  // namespace

blob_spheres::blob_spheres(double t)
    : centre{1.5 * vec3{std::cos(1.1 * t), std::cos(1.3 * t), std::cos(1.7 * t)},
             -1.5 * vec3{std::cos(0.7 * t), std::cos(1.9 * t), std::cos(2.3 * t)},
             -1.5 * vec3{std::cos(0.3 * t), std::cos(2.9 * t), std::sin(1.1 * t)}} {}

tunnel_frame::tunnel_frame(double t) : cos_t(std::cos(t)), sin_t(std::sin(t)), half_t(0.5 * t) {}

bool effect_blobs1::init() {
    // This scene reports its failures under the name of the textured planes.
    return load_textures({{&tex_env, "_glimmerock/textures/rust.png"},
                          {&tex_deep, "_glimmerock/textures/BWST_1.png"},
                          {&tex_wall, "_glimmerock/textures/bloodskin.png"}},
                         "effect_tunnel2 failed to initialize itself");
}

void effect_blobs1::advance(float app_ms, double) {
    local_time = advance_clock(start_time, app_ms, 0.0f, 1000.0f);
}

int effect_blobs1::run(float app_ms, double music_s) {
    return run_banded_frame(app_ms, music_s, band_layout::half_resolution,
                            [&](int first_row, int end_row, uint32_t* pixels) {
                                render_band(first_row, end_row, local_time, pixels, music_s);
                            });
}

vec3 effect_blobs1::tunnel_background(const tunnel_frame& frame, int x, int j) const {
    const double vx = 2.0 * x / 320 - 1;
    const double vy = 2.0 * j / 120 - 1;
    const double a_term = frame.cos_t * vx + vy;
    const double b_term = frame.sin_t * vy + vx;
    // A rounded square: (B^32 + A^32)^(1/32) in single precision.
    const float b16 = rounded_pow(static_cast<float>(b_term * b_term), 16.0f);
    const float a16 = rounded_pow(static_cast<float>(a_term * a_term), 16.0f);
    const float radius = rounded_pow(b16 + a16, 0.03125f);
    const double angle = std::atan2(a_term, b_term) / 3.1415927;
    const double depth = frame.half_t + 0.5 / radius;
    const double wave = std::sin(32 * depth);
    const double ring = 0.85 * smoothstep(-0.1, 0.1, wave);
    const double edge = smoothstep(0.9, 1.1, std::fabs(b_term / a_term));
    const double band = smoothstep(0, 0.3, wave) - smoothstep(0.3, 0.96, wave);
    const vec3 inner = texel_color(tex_env, 2 * (ring + angle), 2 * depth);
    const vec3 outer = texel_color(tex_wall, 2 * (ring + angle), 2 * depth);
    const double m = radius * (1 - 0.3 * band);
    const double m2 = m * m * 1.2;
    // The second channel is built from blue and the third from green.
    return {(std::sqrt(outer.x) * (1 - edge) + inner.x * edge) * m2,
            (std::sqrt(outer.z) * (1 - edge) + inner.z * edge) * m2,
            (std::sqrt(outer.y) * (1 - edge) + inner.y * edge) * m2};
}

vec3 effect_blobs1::shade(const blob_spheres& field, const bounding_balls<3>& bounds,
                          const vec3& p, const vec3& rd) const {
    const vec3 n = tetrahedral_normal(field, p, 0.002);
    const vec3 inward = refract(rd, n, 0.9);
    const glass_exit exit = bounded_march_to_exit(field, bounds, p, inward, 60);
    vec3 through;
    if (exit.travel < -0.5) {
        through = texel_color(tex_deep, inward.x, inward.y);
    } else {
        // Leaving the glass; total reflection gives the zero vector, so (0, 0).
        const vec3 outward = refract(inward, -tetrahedral_normal(field, exit.point, 0.002),
                                     1.1111111111111112);
        through = texel_color(tex_env, outward.x, outward.y);
    }
    const vec3 mirrored = reflect(rd, n);
    const vec3 mirror = texel_color(tex_env, mirrored.x, mirrored.y);
    const vec3 base{0.4 * through.x + 0.4 * through.x + 0.03 * mirror.x + 0.1 * mirror.x,
                    0.9 * (0.4 * through.y + 0.4 * through.y + 0.03 * mirror.y + 0.1 * mirror.y),
                    0.9 * (0.4 * through.z + 0.4 * through.z + 0.03 * mirror.z + 0.1 * mirror.z)};
    return four_point_lights(base, p, n, rd);
}

VDK_FLATTEN void effect_blobs1::render_band(int first_row, int end_row, double t,
                                            uint32_t pixels[], double s) const {
    const blob_spheres field(t);
    const bounding_balls<3> bounds = field.bounds();
    const orbit_camera camera(t, 5);
    const double field_at_eye = field(camera.eye);  // every ray's first distance
    const tunnel_frame tunnel(t);
    const bool fading = s > 198;
    const double fade = 199 - s;
    const row_function lanes = row_copies[chosen_instruction_set()];
    if (lanes != nullptr) {
        // Every pixel is independent of the others, so rows of lanes give the
        // pixels that the column order gives.
        const blobs1_scene scene{field, bounds, camera, field_at_eye, tunnel, &tex_env, &tex_deep, &tex_wall};
        for (int j = first_row; j < end_row; ++j) {
            vec3 colors[screen_width];
            lanes(scene, j, colors);
            for (int x = 0; x < screen_width; ++x) {
                vec3 c = colors[x];
                if (fading) c = c * fade;
                const uint32_t pixel = pack_color({c.x, c.y, c.z, 1});
                pixels[(2 * j) * screen_width + x] = pixel;
                pixels[(2 * j + 1) * screen_width + x] = pixel;
            }
        }
        return;
    }
    for (int x = 0; x < screen_width; ++x) {
        const float a = orbit_camera::column_offset(x);
        for (int j = first_row; j < end_row; ++j) {
            const vec3 rd = camera.ray(a, orbit_camera::row_offset(j));
            const double hit =
                bounded_march(field, bounds, camera.eye, rd, 60, 0.001, 20, &field_at_eye);
            vec3 c = hit < -0.5 ? tunnel_background(tunnel, x, j)
                                : shade(field, bounds, camera.eye + hit * rd, rd);
            if (fading) c = c * fade;
            const uint32_t pixel = pack_color({c.x, c.y, c.z, 1});
            pixels[(2 * j) * screen_width + x] = pixel;
            pixels[(2 * j + 1) * screen_width + x] = pixel;
        }
    }
}
