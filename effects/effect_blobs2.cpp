#include "effects/effect_blobs2.h"

#include "effects/instruction_set.h"
#include "effects/simd_lanes.h"

using namespace raymarch;

namespace {

// What the vector kernels read of a frame.
struct blobs2_scene {
    glass_rings field;
    bounding_balls<3> bounds;
    orbit_camera camera;
    double field_at_eye;  // every ray's first distance
    const vdk::core::texture_gdi* env;
    const vdk::core::texture_gdi* tint;
    const vdk::core::texture_gdi* back;
};

// The colours of one band row, one column per lane.
using row_function = void (*)(const blobs2_scene& scene, int j, vec3 colors[]);

#define LANE_KERNEL "effects/effect_blobs2_lanes.inc"
#define LANE_KERNEL_SETS LANE_VECTOR_SETS
#include "effects/lane_kernels.h"
// The scalar set draws with the column loop of render_band.
constexpr kernel_table<row_function> row_copies = LANE_KERNEL_COPIES(nullptr, glass_rings_row);

}  // namespace

bool effect_blobs2::init() {
    // This scene reports its failures under the name of the textured planes.
    return load_textures({{&tex_env, "_glimmerock/textures/rust.png"},
                          {&tex_tint, "_glimmerock/textures/tex3.png"},
                          {&tex_back, "_glimmerock/textures/rust.png"}},
                         "effect_tunnel2 failed to initialize itself");
}

void effect_blobs2::advance(float app_ms, double) {
    local_time = advance_clock(start_time, app_ms, 0.0f, 1000.0f);
}

int effect_blobs2::run(float app_ms, double music_s) {
    return run_banded_frame(app_ms, music_s, band_layout::half_resolution,
                            [&](int first_row, int end_row, uint32_t* pixels) {
                                render_band(first_row, end_row, local_time, pixels);
                            });
}

vec3 effect_blobs2::shade(const glass_rings& field, const bounding_balls<3>& bounds,
                          const vec3& p, const vec3& rd) const {
    const vec3 n = tetrahedral_normal(field, p, 0.002);
    const vec3 inward = refract(rd, n, 0.9);
    const glass_exit exit = bounded_march_to_exit(field, bounds, p, inward, 60);
    vec3 through_env;
    vec3 through_tint;
    if (exit.travel < 0) {
        through_env = texel_color(tex_tint, inward.x, inward.y);
        through_tint = through_env;
    } else {
        // Leaving the glass; total reflection gives the zero vector, so (0, 0).
        const vec3 outward = refract(inward, -tetrahedral_normal(field, exit.point, 0.002),
                                     1.1111111111111112);
        through_env = texel_color(tex_env, outward.x, outward.y);
        through_tint = texel_color(tex_tint, outward.x, outward.y);
    }
    const vec3 mirrored = reflect(rd, n);
    const vec3 mirror_env = texel_color(tex_env, mirrored.x, mirrored.y);
    const vec3 mirror_tint = texel_color(tex_tint, mirrored.x, mirrored.y);
    const vec3 base{
        0.7 * through_env.x + 0.1 * through_tint.x + 0.01 * mirror_env.x + 0.1 * mirror_tint.x,
        1.1 * (0.7 * through_env.y + 0.1 * through_tint.y + 0.01 * mirror_env.y +
               0.1 * mirror_tint.y),
        1.1 * (0.7 * through_env.z + 0.1 * through_tint.z + 0.01 * mirror_env.z +
               0.1 * mirror_tint.z)};
    return four_point_lights(base, p, n, rd);
}

VDK_FLATTEN void effect_blobs2::render_band(int first_row, int end_row, double t,
                                            uint32_t pixels[]) const {
    const glass_rings field(t);
    const bounding_balls<3> bounds = field.bounds();
    const orbit_camera camera(t, 8);
    const double field_at_eye = field(camera.eye);  // every ray's first distance
    const row_function lanes = row_copies[chosen_instruction_set()];
    if (lanes != nullptr) {
        // Every pixel is independent of the others, so rows of lanes give the
        // pixels that the column order gives.
        const blobs2_scene scene{field, bounds, camera, field_at_eye, &tex_env, &tex_tint, &tex_back};
        for (int j = first_row; j < end_row; ++j) {
            vec3 colors[screen_width];
            lanes(scene, j, colors);
            for (int x = 0; x < screen_width; ++x) {
                const vec3& c = colors[x];
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
            const vec3 c = hit < -0.5 ? texel_color(tex_back, rd.x, rd.y)
                                      : shade(field, bounds, camera.eye + hit * rd, rd);
            const uint32_t pixel = pack_color({c.x, c.y, c.z, 1});
            pixels[(2 * j) * screen_width + x] = pixel;
            pixels[(2 * j + 1) * screen_width + x] = pixel;
        }
    }
}
