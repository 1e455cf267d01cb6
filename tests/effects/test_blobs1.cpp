// The glass blobs: failure message, clock, fade to black, row doubling,
// which pixels show the tunnel and which the glass, and the powers of the
// glass kernels on every instruction set.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "effects/effect_blobs1.h"
#include "effects/effect_blobs2.h"
#include "effects/glass_fixture.h"
#include "effects/glass_scene.h"
#include "effects/instruction_set.h"
#include "effects/rounded_math.h"
#include "support/effect_test_host.h"
#include "support/float_steps.h"
#include "support/test_support.h"

using namespace raymarch;

namespace {

using glass_test::fill_pattern;

struct blobs_fixture : glass_test::glass_fixture<effect_blobs1> {
    effect_blobs1& blobs = effect;

    blobs_fixture() {
        fill_pattern(blobs.tex_env, 64);
        fill_pattern(blobs.tex_deep, 32);
        fill_pattern(blobs.tex_wall, 128);
    }
    const std::vector<uint32_t>& frame(double t, double music_s) {
        return draw([&](int first_row, int end_row, uint32_t* out) {
            blobs.render_band(first_row, end_row, t, out, music_s);
        });
    }
};

uint32_t pixel_of(const vec3& c) { return pack_color({c.x, c.y, c.z, 1}); }

#define LANE_KERNEL "effects/glass_probes.inc"
#define LANE_KERNEL_SETS (LANE_SET_SCALAR | LANE_VECTOR_SETS)
#include "effects/lane_kernels.h"
using powers_function = void (*)(int, const double*, double*, int);
constexpr kernel_table<powers_function> power_copies = LANE_KERNEL_COPIES(&scalar_kernel::glass_powers, glass_powers);
using marches_function = void (*)(bool, double, const vec3*, const vec3*, double, bool, double*, int);
constexpr kernel_table<marches_function> march_copies =
    LANE_KERNEL_COPIES(&scalar_kernel::glass_marches, glass_marches);

// Every step-th float from `from` to `to` (both of one sign), and `to`.
void floats_through(float from, float to, uint32_t step, std::vector<double>& out) {
    floats_between(from, to, step, out);
    out.push_back(to);
}

}  // namespace

// The lights' powers 2.5 and 64 over the bases they meet (about 0 to 1, and
// a little below 0 for the diffuse one), and the tunnel's 16 and 1/32 over
// theirs: every set's lanes give rounded_pow's bits, the scalar lanes
// included, near midpoints too (where the lanes hand over to the library).
TEST(glass_kernels, powers_give_the_bits_of_rounded_pow_on_every_set) {
    std::vector<double> unit = {0.0, 1.4e-45, 1.1754942e-38, 1e-30, 0.5, 1.0, 1.0000001f, 1.0000002f};
    floats_through(0.0f, 1.0001f, 2999, unit);
    std::vector<double> diffuse = unit;
    floats_through(-1e-30f, -1e-6f, 99991, diffuse);
    std::vector<double> squares = {0.0, 1.4e-45, 4.0};
    floats_through(0.0f, 4.0f, 2999, squares);
    std::vector<double> sums = {0.0, 1.4e-45, 1.0, 8.6e9};
    floats_through(0.0f, 8.6e9f, 5999, sums);
    const struct {
        const std::vector<double>* bases;
        float exponent;
    } powers[4] = {{&diffuse, 2.5f}, {&unit, 64.0f}, {&squares, 16.0f}, {&sums, 0.03125f}};
    for (int which = 0; which < 4; ++which) {
        std::vector<double> x = *powers[which].bases;
        for (double& v : x) v = static_cast<float>(v);  // the powers take single-precision bases
        while (x.size() % 8 != 0) x.push_back(0.25);
        const int count = static_cast<int>(x.size());
        std::vector<double> expected(count);
        for (int i = 0; i < count; ++i) expected[i] = rounded_pow(static_cast<float>(x[i]), powers[which].exponent);
        for (const instruction_set_row& row : instruction_sets) {
            const powers_function copy = power_copies.copies[static_cast<int>(row.set)];
            if (!instruction_set_supported(row.set) || copy == nullptr) continue;
            std::vector<double> actual(count, -1.0);
            copy(which, x.data(), actual.data(), count);
            for (int i = 0; i < count; ++i) {
                if (std::isnan(expected[i]) && std::isnan(actual[i])) continue;
                ASSERT_EQ(std::memcmp(&actual[i], &expected[i], sizeof(double)), 0)
                    << "pow(" << x[i] << ", " << powers[which].exponent << ") with " << row.name << ": "
                    << actual[i] << " instead of " << expected[i];
            }
        }
    }
}

TEST(blobs1, a_missing_picture_is_reported_under_the_planes_name) {
    glass_test::expect_a_missing_picture_reported_under_the_planes_name<effect_blobs1>();
}

TEST(blobs1, clock_counts_seconds_from_the_first_frame_in_single_precision) {
    vdk::test::effect_test_host host;
    effect_blobs1 blobs(&host, host.log());
    fill_pattern(blobs.tex_env, 16);
    fill_pattern(blobs.tex_deep, 16);
    fill_pattern(blobs.tex_wall, 16);
    blobs.advance(192000, 192);
    EXPECT_EQ(blobs.start_time, 192000.0f);
    EXPECT_EQ(blobs.local_time, 0.0);
    EXPECT_EQ(blobs.run(195333, 195.333), 1);
    EXPECT_EQ(blobs.local_time, static_cast<double>(3333.0f / 1000.0f));
}

TEST(blobs1, fades_to_black_only_within_its_last_second) {
    blobs_fixture f;
    const std::vector<uint32_t> unfaded = f.frame(2.5, 150);
    EXPECT_EQ(f.frame(2.5, 198), unfaded);
    const std::vector<uint32_t> half = f.frame(2.5, 198.5);
    EXPECT_NE(half, unfaded);
    int darker = 0;
    for (size_t i = 0; i < half.size(); ++i) {
        ASSERT_LE((half[i] >> 16) & 0xFF, (unfaded[i] >> 16) & 0xFF);
        darker += ((half[i] >> 16) & 0xFF) < ((unfaded[i] >> 16) & 0xFF);
    }
    EXPECT_GT(darker, 10000);
    for (uint32_t p : f.frame(2.5, 199)) ASSERT_EQ(p, 0xFF000000u);
}

TEST(blobs1, rows_come_in_identical_pairs) {
    blobs_fixture f;
    const std::vector<uint32_t>& pixels = f.frame(4.2, 195);
    for (int j = 0; j < screen_height / 2; ++j)
        for (int x = 0; x < screen_width; ++x)
            ASSERT_EQ(pixels[2 * j * screen_width + x], pixels[(2 * j + 1) * screen_width + x])
                << "row pair " << j << " column " << x;
}

TEST(blobs1, a_missed_ray_shows_the_tunnel_and_a_hit_the_glass) {
    blobs_fixture f;
    const double t = 1.7;
    f.blobs.local_time = t;
    const std::vector<uint32_t>& pixels = f.frame(t, 195);
    const blob_spheres field(t);
    const orbit_camera camera(t, 5);
    const tunnel_frame tunnel(t);
    int misses = 0;
    int hits = 0;
    for (int x = 0; x < screen_width; x += 7) {
        for (int j = 0; j < screen_height / 2; j += 5) {
            const vec3 rd = camera.ray(orbit_camera::column_offset(x), orbit_camera::row_offset(j));
            const double hit = march(field, camera.eye, rd, 60, 0.001, 20);
            const uint32_t expected = hit < -0.5 ? pixel_of(f.blobs.tunnel_background(tunnel, x, j))
                                                 : pixel_of(f.blobs.shade(camera.eye + hit * rd, rd));
            ASSERT_EQ(pixels[2 * j * screen_width + x], expected) << x << ", " << j;
            (hit < -0.5 ? misses : hits) += 1;
        }
    }
    // Both kinds of pixel occur, and they differ in look.
    EXPECT_GT(misses, 100);
    EXPECT_GT(hits, 100);
}

TEST(blobs1, tunnel_radius_takes_the_exact_powers_rounded_once) {
    // With white pictures, the frame of time t = 0 or 0.01, and pixels where
    // |B/A| > 1.1 (only the inner layer shows) and the wave leaves the band
    // at 0, the colour is radius^2 * 1.2. At these pixels a single-precision
    // pow is one unit off in the power 1/32 (the first) or 16 (the second);
    // the radii below are the exact values rounded at each step.
    vdk::core::logger log{99};
    effect_blobs1 blobs{nullptr, &log};
    for (vdk::core::texture_gdi* texture : {&blobs.tex_env, &blobs.tex_wall}) {
        texture->create(8, 8);
        for (int i = 0; i < 64; ++i) texture->lock()[i] = 0xFFFFFFFFu;
    }
    struct case_at {
        double t;
        int x;
        int j;
        float radius;
    };
    for (const case_at& c : {case_at{0.0, 64, 71, 0x1.333338p-1f}, case_at{0.01, 19, 87, 0x1.c0e562p-1f}}) {
        const vec3 colour = blobs.tunnel_background(tunnel_frame(c.t), c.x, c.j);
        const double expected = static_cast<double>(c.radius) * c.radius * 1.2;
        EXPECT_EQ(colour.x, expected) << c.x << ", " << c.j;
        EXPECT_EQ(colour.y, expected) << c.x << ", " << c.j;
        EXPECT_EQ(colour.z, expected) << c.x << ", " << c.j;
    }
}

TEST(blobs1, scene_distance_is_the_soft_union_of_three_unit_spheres) {
    blobs_fixture f;
    f.blobs.local_time = 0;
    // At t = 0 the first centre is 1.5 (1, 1, 1).
    const vec3 c1{1.5, 1.5, 1.5};
    EXPECT_LT(f.blobs.scene_distance(c1), -0.99);
    // Far from all three, the nearest sphere dominates; the union lies a
    // little below it.
    const vec3 far{40, 0, 0};
    EXPECT_LT(f.blobs.scene_distance(far), length(far - c1) - 1);
    EXPECT_NEAR(f.blobs.scene_distance(far), length(far - c1) - 1, 0.005);
}

TEST(blobs1, bounded_marches_give_the_plain_marches_results_over_whole_frames) {
    // At times spread over the window.
    glass_test::expect_bounded_marches_equal_the_plain_ones<blob_spheres>(
        {0.0, 1.7, 3.25, 5.5, 6.99}, 5);
}


// The marches over lanes against bounded_march, bit for bit, for both
// fields: rays from the eye of each scene, and inner-march-like rays from
// points around the bodies along random unit directions, level ones (d.y = 0,
// which the rings' slab test treats apart), zero ones (total reflection) and
// ones too long or too short for the bounds' shortcut, with two epsilons.
TEST(glass_kernels, lane_marches_give_the_bits_of_bounded_march_on_every_set) {
    uint64_t state = 7;
    auto next = [&state] {
        state = state * 6364136223846793005u + 1442695040888963407u;
        return static_cast<double>(state >> 11) / 9007199254740992.0;
    };
    for (const bool rings : {false, true}) {
        for (const double t : {0.4, 3.3, 6.1}) {
            const orbit_camera camera(t, rings ? 8 : 5);
            std::vector<vec3> eye_origins;
            std::vector<vec3> eye_rays;
            for (int x = 0; x < screen_width; x += 3) {
                for (int j = 0; j < screen_height / 2; j += 3) {
                    eye_origins.push_back(camera.eye);
                    eye_rays.push_back(camera.ray(orbit_camera::column_offset(x), orbit_camera::row_offset(j)));
                }
            }
            std::vector<vec3> origins;
            std::vector<vec3> rays;
            for (int i = 0; i < 4000; ++i) {
                origins.push_back({(next() - 0.5) * 12, (next() - 0.5) * 12, (next() - 0.5) * 12});
                const vec3 d{next() - 0.5, next() - 0.5, next() - 0.5};
                switch (i % 8) {
                    case 5: rays.push_back({0, 0, 0}); break;
                    case 6: rays.push_back(normalize(vec3{d.x, 0, d.z})); break;
                    case 7: rays.push_back((i % 16 == 7 ? 1.5 : 0.5) * normalize(d)); break;
                    default: rays.push_back(normalize(d)); break;
                }
            }
            while (eye_rays.size() % 8 != 0) {
                eye_origins.push_back(camera.eye);
                eye_rays.push_back(eye_rays.back());
            }
            const blob_spheres spheres(t);
            const glass_rings ring_field(t);
            auto field = [&](const vec3& p) { return rings ? ring_field(p) : spheres(p); };
            const bounding_balls<3> bounds = rings ? ring_field.bounds() : spheres.bounds();
            const double at_eye = field(camera.eye);
            struct batch {
                const std::vector<vec3>* origins;
                const std::vector<vec3>* rays;
                double epsilon;
                bool from_eye;
            };
            for (const batch& b : {batch{&eye_origins, &eye_rays, 0.001, true}, batch{&origins, &rays, 0.001, false},
                                   batch{&origins, &rays, 0.05, false}}) {
                const int count = static_cast<int>(b.rays->size());
                std::vector<double> expected(count);
                int hits = 0;
                for (int i = 0; i < count; ++i) {
                    expected[i] = b.from_eye ? bounded_march(field, bounds, camera.eye, (*b.rays)[i], 60, b.epsilon,
                                                             20, &at_eye)
                                             : bounded_march(field, bounds, (*b.origins)[i], (*b.rays)[i], 60,
                                                             b.epsilon, 20);
                    if (expected[i] > -0.5) ++hits;
                }
                EXPECT_GT(hits, count / 50) << "too few rays hit to test the marches";
                EXPECT_LT(hits, count) << "no ray missed";
                for (const instruction_set_row& row : instruction_sets) {
                    const marches_function copy = march_copies.copies[static_cast<int>(row.set)];
                    if (!instruction_set_supported(row.set) || copy == nullptr) continue;
                    std::vector<double> actual(count, -2.0);
                    copy(rings, t, b.origins->data(), b.rays->data(), b.epsilon, b.from_eye, actual.data(), count);
                    for (int i = 0; i < count; ++i) {
                        ASSERT_EQ(std::memcmp(&actual[i], &expected[i], sizeof(double)), 0)
                            << (rings ? "rings" : "spheres") << " at " << t << " with " << row.name << ", ray " << i
                            << ": " << actual[i] << " instead of " << expected[i];
                    }
                }
            }
        }
    }
}
