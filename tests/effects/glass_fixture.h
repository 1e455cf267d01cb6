#pragma once
// Shared by the tests of the glass blobs and the glass rings: an effect of
// the glass family with made-up pictures drawn band by band into a frame of
// its own, and the checks that both effects pass alike.

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "core/logger.h"
#include "core/texture.h"
#include "effects/base_effect.h"
#include "effects/glass_scene.h"
#include "effects/raymarch.h"
#include "support/missing_picture_check.h"
#include "support/test_support.h"

namespace glass_test {

// A texture whose texel (x, y) has red x, green y and blue x ^ y.
inline void fill_pattern(vdk::core::texture_gdi& texture, int size) {
    texture.create(size, size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            texture.lock()[y * size + x] =
                0xFF000000u | (x & 0xFF) << 16 | (y & 0xFF) << 8 | ((x ^ y) & 0xFF);
}

// The effect without a host (it is never run, only drawn band by band) and
// a silent logger.
template <class Effect>
struct glass_fixture {
    vdk::core::logger log{99};
    Effect effect{nullptr, &log};
    std::vector<uint32_t> pixels = std::vector<uint32_t>(screen_width * screen_height, 0u);

    // Draws the four half-resolution bands with band(first_row, end_row,
    // pixels) and returns the frame.
    template <class Band>
    const std::vector<uint32_t>& draw(Band band) {
        for (int b = 0; b < 4; ++b) {
            const band_rows rows = rows_of_band(band_layout::half_resolution, b);
            band(rows.first_row, rows.end_row, pixels.data());
        }
        return pixels;
    }
};

// The glass scenes report a missing picture under the rotating planes' name.
template <class Effect>
void expect_a_missing_picture_reported_under_the_planes_name() {
    vdk::test::expect_a_missing_picture_reported_as<Effect>("effect_tunnel2");
}

// Every ray of the frame seen from the given distance and, from each hit,
// the inner march: the bounded marches give the plain marches' sums bit for
// bit, at each of the times.
template <class Field>
void expect_bounded_marches_equal_the_plain_ones(std::initializer_list<double> times,
                                                 double distance) {
    for (const double t : times) {
        const Field field(t);
        const raymarch::bounding_balls<3> bounds = field.bounds();
        const orbit_camera camera(t, distance);
        const double at_eye = field(camera.eye);
        int hits = 0;
        for (int x = 0; x < screen_width; ++x) {
            for (int j = 0; j < screen_height / 2; ++j) {
                const auto rd =
                    camera.ray(orbit_camera::column_offset(x), orbit_camera::row_offset(j));
                const double plain = march(field, camera.eye, rd, 60, 0.001, 20);
                const double bounded =
                    bounded_march(field, bounds, camera.eye, rd, 60, 0.001, 20, &at_eye);
                ASSERT_EQ(bounded, plain) << t << ": " << x << ", " << j;
                if (plain < -0.5) continue;
                ++hits;
                const auto p = camera.eye + plain * rd;
                const auto inward = refract(rd, raymarch::tetrahedral_normal(field, p, 0.002), 0.9);
                const raymarch::glass_exit a = raymarch::march_to_exit(field, p, inward, 60);
                const raymarch::glass_exit b = raymarch::bounded_march_to_exit(field, bounds, p, inward, 60);
                ASSERT_EQ(b.travel, a.travel) << t << ": " << x << ", " << j;
                ASSERT_EQ(b.point.x, a.point.x);
                ASSERT_EQ(b.point.y, a.point.y);
                ASSERT_EQ(b.point.z, a.point.z);
            }
        }
        EXPECT_GT(hits, 1000) << t;
    }
}

}  // namespace glass_test
