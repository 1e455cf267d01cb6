// The folded-cube flight: failure message, clock, lattice distance, step
// counts at both extremes, palette fades and the camera path (the vector
// kernels against the scalar one: test_instruction_sets.cpp).

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <set>
#include <utility>
#include <vector>

#include "effects/effect_opening_1.h"
#include "support/missing_picture_check.h"
#include "support/test_support.h"

using namespace raymarch;

namespace {

struct flight_fixture {
    vdk::core::logger log{99};
    effect_opening_1 flight{nullptr, &log};
    std::vector<uint32_t> pixels = std::vector<uint32_t>(screen_width * screen_height, 0u);

    const std::vector<uint32_t>& frame(double t, double music_s) {
        for (int band = 0; band < 4; ++band) {
            const band_rows rows = rows_of_band(band_layout::full_resolution, band);
            flight.render_band(rows.first_row, rows.end_row, t, pixels.data(), music_s);
        }
        return pixels;
    }
};

// The lattice distance exactly as defined, for comparison with the fast paths.
double carved_reference(const vec3& p, int count) {
    double d = 0;
    double scale = 1;
    for (int k = 0; k < count; ++k) {
        double a[3];
        const double c[3] = {p.x, p.y, p.z};
        for (int axis = 0; axis < 3; ++axis) {
            const double m = (c[axis] * scale + 1) - 2 * std::floor((c[axis] * scale + 1) / 2);
            a[axis] = std::fabs(m - 1);
        }
        const double h = std::min({std::max(a[0], a[2]), std::max(a[2], a[1]), std::max(a[1], a[0])});
        d = std::max(d, -(h - 1.0 / 3) / scale);
        scale *= 3;
    }
    return d;
}

}  // namespace

TEST(opening_1, a_missing_picture_is_reported_under_its_own_name) {
    vdk::test::expect_a_missing_picture_reported_as<effect_opening_1>("effect_opening_1");
}

TEST(opening_1, clock_runs_on_through_the_gap_between_its_windows) {
    flight_fixture f;
    f.flight.advance(40500, 40.5);
    EXPECT_EQ(f.flight.local_time, 0.0f);
    f.flight.advance(206017, 206.017);
    EXPECT_EQ(f.flight.start_time, 40500.0f);
    EXPECT_EQ(f.flight.local_time, (206017.0f - 40500.0f) / 1000.0f);
}

TEST(opening_1, lattice_distance_is_zero_in_the_walls_and_a_third_on_the_axes) {
    flight_fixture f;
    EXPECT_EQ(f.flight.sponge_distance(vec3{1, 1, 1}), 0.0);
    EXPECT_EQ(f.flight.sponge_distance(vec3{3, -1, 5}), 0.0);
    EXPECT_EQ(f.flight.sponge_distance(vec3{0, 0, 0.77}), 1.0 / 3);
    EXPECT_EQ(f.flight.sponge_distance(vec3{2, -4, 12.5}), 1.0 / 3);
    // Never negative, and the same with the general path of other counts.
    for (double z = -3; z < 3; z += 0.0137) {
        const vec3 p{0.4 * z, 0.9 - z, z};
        const double d = f.flight.sponge_distance(p);
        ASSERT_GE(d, 0.0);
        f.flight.fold_count = 5;
        const double five = f.flight.sponge_distance(p);
        f.flight.fold_count = 4;
        ASSERT_GE(five, d);
        ASSERT_LE(five - d, 1.0 / 3 / 81 + 1e-15);
    }
}

TEST(opening_1, lattice_distance_matches_its_definition_bit_for_bit) {
    flight_fixture f;
    // Points along rays through the lattice, on cell borders and far out,
    // where the fast paths hand over to each other.
    uint64_t state = 12345;
    auto next = [&state] {
        state = state * 6364136223846793005u + 1442695040888963407u;
        return static_cast<double>(state >> 11) / 9007199254740992.0;
    };
    const double spans[] = {1, 4, 60, 3e7, 1e9, 1e13, 1e17};
    for (double span : spans) {
        for (int i = 0; i < 20000; ++i) {
            const vec3 p{(next() - 0.5) * span, (next() - 0.5) * span, (next() - 0.5) * span};
            ASSERT_EQ(f.flight.sponge_distance(p), carved_reference(p, 4)) << p.x << " " << p.y << " " << p.z;
        }
    }
    const double borders[] = {-3, -1, -1.0 / 3, 0, 1.0 / 3, 1, 1.0 / 9, 5.0 / 27, 2, 7};
    for (double x : borders)
        for (double y : borders)
            for (double z : borders) ASSERT_EQ(f.flight.sponge_distance({x, y, z}), carved_reference({x, y, z}, 4));
    f.flight.fold_count = 3;
    for (int i = 0; i < 2000; ++i) {
        const vec3 p{(next() - 0.5) * 9, (next() - 0.5) * 9, (next() - 0.5) * 9};
        ASSERT_EQ(f.flight.sponge_distance(p), carved_reference(p, 3));
    }
}

TEST(opening_1, step_count_is_zero_on_first_convergence_and_59_when_never) {
    flight_fixture f;
    const vec3 in_wall{1, 1, 1};
    EXPECT_EQ(f.flight.march_count(in_wall, f.flight.sponge_distance(in_wall), vec3{0, 0, 1}), 0);
    // One step from the cell centre along x reaches the wall at 1/3 and
    // converges there: the count stays at the first step.
    const vec3 centre{0, 0, 0.5};
    EXPECT_EQ(f.flight.march_count(centre, 1.0 / 3, vec3{1, 0, 0}) , 0);
    // Along the z axis the lattice is open for ever: the step count runs out.
    const vec3 on_axis{0, 0, 0};
    EXPECT_EQ(f.flight.march_count(on_axis, f.flight.sponge_distance(on_axis), vec3{0, 0, 1}), 59);
}

TEST(opening_1, palette_runs_to_white_over_the_first_windows_last_second) {
    flight_fixture f;
    const color4 plain = f.flight.palette(17, 50);
    EXPECT_EQ(plain.i, 1.0);
    EXPECT_NEAR(plain.r, 0.4 * (0.5 * std::cos((0.8 + std::sqrt(17.0 / 60)) * 6.28318) + 0.5), 1e-15);
    EXPECT_EQ(f.flight.palette(17, 54).r, plain.r);
    const color4 half = f.flight.palette(17, 54.5);
    EXPECT_DOUBLE_EQ(half.r, 0.5 * plain.r + 0.5);
    EXPECT_DOUBLE_EQ(half.g, 0.5 * plain.g + 0.5);
    EXPECT_DOUBLE_EQ(half.b, 0.5 * plain.b + 0.5);
    for (uint32_t p : f.frame(3.0, 55)) ASSERT_EQ(p, 0xFFFFFFFFu);
}

TEST(opening_1, second_window_fades_to_black_as_the_square_of_the_time_left) {
    flight_fixture f;
    const color4 plain = f.flight.palette(40, 210);
    EXPECT_EQ(f.flight.palette(40, 212).r, plain.r);
    const color4 half = f.flight.palette(40, 212.5);
    EXPECT_EQ(half.r, plain.r * 0.5);
    EXPECT_EQ(half.i, 0.5);
    // Packed, the colour is a quarter of the unfaded one.
    EXPECT_EQ(pack_color(half) & 0xFF, color_byte(plain.b * 0.25));
    for (uint32_t p : f.frame(165.0, 213)) ASSERT_EQ(p, 0xFF000000u);
}

TEST(opening_1, camera_flies_along_z_until_200_s_and_swings_after) {
    const double t = 159.5;
    EXPECT_EQ(flight_frame(t, 200).eye.z, t);
    EXPECT_EQ(flight_frame(12.25, 52).eye.z, 12.25);
    EXPECT_EQ(flight_frame(t, 200.001).eye.z, 2.3 * std::sin(t));
    EXPECT_EQ(flight_frame(t, 210).eye.x, 0.16 * std::sin(t));
    EXPECT_EQ(flight_frame(t, 210).eye.y, 0.16 * std::sin(t));
}

TEST(opening_1, frame_is_drawn_at_full_resolution_from_the_step_counts) {
    flight_fixture f;
    const double t = 7.25;
    const double s = 48;
    const std::vector<uint32_t>& pixels = f.frame(t, s);
    const flight_frame frame(t, s);
    const double eye_distance = f.flight.sponge_distance(frame.eye);
    int differing_rows = 0;
    for (int y = 0; y < screen_height; y += 1) {
        for (int x = 0; x < screen_width; x += 13) {
            const int g = f.flight.march_count(frame.eye, eye_distance,
                                               frame.ray(2.0 * x / 320 - 1, 2.0 * y / 240 - 1));
            ASSERT_EQ(pixels[y * screen_width + x], pack_color(f.flight.palette(g, s))) << x << ", " << y;
        }
        if (y % 2 == 1 && !std::equal(pixels.begin() + (y - 1) * screen_width,
                                      pixels.begin() + y * screen_width,
                                      pixels.begin() + y * screen_width)) {
            ++differing_rows;
        }
    }
    EXPECT_GT(differing_rows, 60);
}

