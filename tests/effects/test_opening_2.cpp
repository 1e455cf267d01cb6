// The glowing cell pattern: the cell noise and its border terms, the
// per-frame terms, the fades in their order, a kernel that shares feature
// points between pixels without changing a single one, and the tint powers
// of every instruction set.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "effects/instruction_set.h"
#include "effects/rounded_math.h"

#include "effects/effect_opening_2.h"
#include "support/effect_test_host.h"
#include "support/test_support.h"

namespace {

double fract(double z) { return z - std::floor(z); }

// A background picture with varied channels, so that the tint exponents vary.
void fill_background(vdk::core::texture_gdi& texture) {
    texture.release();
    texture.create(64, 48);
    uint32_t* p = texture.pixels();
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x)
            p[y * 64 + x] = 0xFF000000u | (x * 4u) << 16 | (y * 5u) << 8 | ((x * y) & 0xFFu);
}

// One pixel computed the long way: no shared feature points, no tables.
uint32_t reference_pixel(const effect_opening_2& fx, int i, int j, double x, double s) {
    const effect_opening_2::frame_terms t = effect_opening_2::terms_at(x, s);
    const double u = 2 * (i / 320.0 - 0.5);
    const double v = 2 * (j / 240.0 - 0.5);
    const double a = u * (4.0 / 3.0) * t.zoom;
    const double b = t.zoom * v;
    const double px = a * t.cos_turn - b * t.sin_turn + t.drift;
    const double py = a * t.sin_turn + b * t.cos_turn + t.drift;
    double sum = 0;
    for (int octave = 0; octave < 2; ++octave) {
        const double k = octave == 0 ? 1 : 3;
        const double w = octave == 0 ? 0.6 : 0.42;
        const auto f = effect_opening_2::cell_noise(5 + k * px, 5 + k * py);
        const auto g = effect_opening_2::cell_noise(0.5 * k * px + 50 + t.layer_offset,
                                                    0.5 * k * py + 50 + t.layer_offset);
        const double gap = static_cast<double>(f.f2) - f.f1;
        const float kk = static_cast<float>(effect_opening_2::border_q(gap) *
                                            effect_opening_2::border_j(
                                                static_cast<double>(g.f2) - g.f1));
        sum += static_cast<double>(kk) * kk * w;
        const double e3 = gap / 0.3;
        double m;
        if (e3 > 1) {
            m = 0.05462177020381205;
        } else {
            const double z = (1 - e3 * e3 * (3 - 2 * e3)) * 5.5 + 0.1;
            m = effect_opening_2::hash1(std::floor(z)) * (1 - fract(z)) +
                effect_opening_2::hash1(std::floor(z) + 1) * fract(z);
        }
        sum += octave == 0 ? m * w * t.strength : m * w;
    }
    const float l = std::exp(static_cast<float>(-0.6 * std::sqrt(v * v + u * u)));
    const float e = static_cast<float>(l * 1.2 * sum);
    const uint32_t tint = fx.tex_background.sample(0.001 * px, 0.001 * py);
    const auto power = [&](int shift, double base) {
        const float exponent =
            static_cast<float>((((tint >> shift) & 0xFFu) / 255.0 * 3 + base) * 2.4);
        return std::pow(e, exponent);
    };
    return pack_color(
        effect_opening_2::apply_fades(t, {power(16, 1), power(8, 2), power(0, 4), 1.0}));
}

}  // namespace

TEST(opening_2_cells, a_point_on_a_feature_point_has_f1_zero) {
    // Cell (0, 0) has its feature point at fract(sin 0), fract(cos 0) = (0, 0).
    const auto at_origin = effect_opening_2::cell_noise(0.0, 0.0);
    EXPECT_EQ(at_origin.f1, 0.0f);
    EXPECT_GT(at_origin.f2, 0.0f);
    // Any other cell: its own feature point, up to the rounding of px - cx.
    const double ox = fract(std::sin(591.32 * 7 + 154.077 * -3));
    const double oy = fract(std::cos(391.32 * 7 + 49.077 * -3));
    const auto on_point = effect_opening_2::cell_noise(7 + ox, -3 + oy);
    EXPECT_LT(on_point.f1, 1e-12f);
    EXPECT_GE(on_point.f2, on_point.f1);
    const auto beside = effect_opening_2::cell_noise(7 + ox + 0.01, -3 + oy);
    EXPECT_NEAR(beside.f1, 0.01f, 1e-6f);
}

TEST(opening_2_cells, border_terms_are_brightest_on_a_border) {
    EXPECT_EQ(effect_opening_2::border_q(0.0), 1.0f);
    EXPECT_EQ(effect_opening_2::border_j(0.0), 1.5);
    EXPECT_EQ(effect_opening_2::border_q(0.1000001), 0.0f);
    EXPECT_EQ(effect_opening_2::border_j(0.0800001), 0.5);
    EXPECT_FLOAT_EQ(effect_opening_2::border_q(0.05), 0.5f);

    // Walking across the pattern crosses borders, where F2 - F1 vanishes up
    // to the step of the walk and the border term is at its brightest.
    double smallest_gap = 1;
    for (double p = 0; p < 2; p += 1e-4) {
        const auto d = effect_opening_2::cell_noise(p, 0.5);
        smallest_gap = std::min(smallest_gap, static_cast<double>(d.f2) - d.f1);
    }
    EXPECT_LT(smallest_gap, 3e-4);
    EXPECT_GT(effect_opening_2::border_q(smallest_gap), 0.9999f);
    EXPECT_GT(effect_opening_2::border_j(smallest_gap), 1.4999);
}

TEST(opening_2_frame, second_layer_drifts_until_100_s_then_jumps) {
    const double x = 12.5;
    EXPECT_EQ(effect_opening_2::terms_at(x, 100.0).layer_offset, 0.2 * x);
    EXPECT_EQ(effect_opening_2::terms_at(x, 100.001).layer_offset, 123.2 * std::sin(x));
    // One frame apart the offset moves by 0.2 / 60 before and by far more after.
    const double step = 1.0 / 60;
    EXPECT_NEAR(effect_opening_2::terms_at(x + step, 60).layer_offset -
                    effect_opening_2::terms_at(x, 60).layer_offset,
                0.2 * step, 1e-12);
    EXPECT_GT(std::fabs(effect_opening_2::terms_at(158 + step, 220).layer_offset -
                        effect_opening_2::terms_at(158, 220).layer_offset),
              1.0);
}

TEST(opening_2_frame, strength_is_a_value_noise_between_0_4_and_1_2) {
    for (double x = 0; x < 200; x += 0.37) {
        const double s = effect_opening_2::terms_at(x, 60).strength;
        EXPECT_GE(s, 0.4);
        EXPECT_LE(s, 1.2);
    }
    EXPECT_EQ(effect_opening_2::terms_at(1.5, 60).strength,
              effect_opening_2::hash1(3) * 0.8 + 0.4);
}

TEST(opening_2_fades, white_over_the_last_second_of_the_first_window) {
    const color4 c{0.2, 0.4, 0.0, 1.0};
    const color4 none = effect_opening_2::apply_fades(effect_opening_2::terms_at(10, 69.0), c);
    EXPECT_EQ(none.r, 0.2);
    const color4 half = effect_opening_2::apply_fades(effect_opening_2::terms_at(10, 69.5), c);
    EXPECT_DOUBLE_EQ(half.r, 0.6);
    EXPECT_DOUBLE_EQ(half.g, 0.7);
    EXPECT_DOUBLE_EQ(half.b, 0.5);
    EXPECT_EQ(half.i, 1.0);
    const color4 white = effect_opening_2::apply_fades(effect_opening_2::terms_at(10, 70.0), c);
    EXPECT_EQ(pack_color(white), 0xFFFFFFFFu);
}

TEST(opening_2_fades, second_window_follows_the_squares_of_both_factors) {
    const color4 c{0.8, 0.4, 0.012, 1.0};
    const auto packed = [&](double s) {
        return pack_color(effect_opening_2::apply_fades(effect_opening_2::terms_at(160, s), c));
    };
    EXPECT_EQ(packed(219.0), pack_color(c));
    EXPECT_EQ(packed(219.5), pack_color({0.2, 0.1, 0.003, 1.0}));  // a quarter
    EXPECT_EQ(packed(220.0), 0xFF000000u);
    EXPECT_EQ(packed(221.0), pack_color(c));  // (-1)^2: full again
    // (13.5 * 0.5)^2 = 45.5625: red and green clip, blue becomes 0.5468 -> 139.
    EXPECT_EQ(packed(233.5), 0xFFFFFF8Bu);
    EXPECT_EQ(packed(234.0), 0xFF000000u);
}

TEST(opening_2_kernel, shared_feature_points_change_no_pixel) {
    effect_opening_2 fx(nullptr, nullptr);
    fill_background(fx.tex_background);
    std::vector<uint32_t> frame(screen_width * screen_height);
    const double times[][2] = {{3.25, 58.0}, {158.4, 225.0}};
    for (const auto& [x, s] : times) {
        fx.render_band(120, 180, x, frame.data(), s);
        for (int j = 120; j < 180; ++j)
            for (int i = 0; i < screen_width; ++i)
                ASSERT_EQ(frame[j * screen_width + i], reference_pixel(fx, i, j, x, s))
                    << "pixel " << i << ", " << j << " at x = " << x;
    }
}

TEST(opening_2_kernel, black_at_220_s_and_halfway_to_white_at_69_5_s) {
    effect_opening_2 fx(nullptr, nullptr);
    fill_background(fx.tex_background);
    std::vector<uint32_t> frame(screen_width * screen_height, 0x12345678u);
    for (int band = 0; band < 4; ++band) fx.render_band(band * 60, band * 60 + 60, 165, frame.data(), 220.0);
    for (uint32_t p : frame) ASSERT_EQ(p, 0xFF000000u);
    for (int band = 0; band < 4; ++band) fx.render_band(band * 60, band * 60 + 60, 14.5, frame.data(), 69.5);
    for (uint32_t p : frame) {
        ASSERT_GE((p >> 16) & 0xFF, 127u);
        ASSERT_GE(p & 0xFF, 127u);
    }
}

TEST(opening_2, init_reports_under_the_credit_intro_name) {
    vdk::test::scoped_work_dir dir;
    {
        vdk::core::logger log{vdk::core::file};
        effect_opening_2 fx(nullptr, &log);
        EXPECT_FALSE(fx.init());
    }
    EXPECT_NE(vdk::test::read_file("app.log").find(
                  "[ERROR]] Effect_Intro_Pello failed to initialize itself"),
              std::string::npos);
}

TEST(opening_2, single_precision_clock_runs_through_the_gap_between_windows) {
    vdk::test::effect_test_host host;
    effect_opening_2 fx(&host, host.log());
    fill_background(fx.tex_background);
    fx.run(55000, 55.0);
    EXPECT_EQ(fx.local_time, 0.0f);
    fx.advance(213016, 213.0);
    EXPECT_EQ(fx.local_time, 158.016f);
    fx.run(213033, 213.0);
    EXPECT_EQ(fx.local_time, 158.033f);
}

TEST(opening_2_kernel, cell_noise_keeps_the_two_nearest_as_a_running_search_does) {
    // The search of the two nearest feature points written as a running
    // insertion from 8, in visiting order, against the kernel's search.
    for (int n = 0; n < 4000; ++n) {
        const double px = -40 + 0.0213 * n + 0.37 * std::sin(n);
        const double py = 17 - 0.0177 * n + 0.41 * std::cos(3 * n);
        const double cx = std::floor(px);
        const double cy = std::floor(py);
        float f1 = 8.0f;
        float f2 = 8.0f;
        for (int dy = -1; dy <= 1; ++dy) {
            for (int dx = -1; dx <= 1; ++dx) {
                const double ox = fract(std::sin(591.32 * (cx + dx) + 154.077 * (cy + dy)));
                const double oy = fract(std::cos(391.32 * (cx + dx) + 49.077 * (cy + dy)));
                const float d = static_cast<float>(
                    std::max(std::fabs(ox + dx - (px - cx)), std::fabs(oy + dy - (py - cy))));
                if (d < f1) {
                    f2 = f1;
                    f1 = d;
                } else if (d < f2) {
                    f2 = d;
                }
            }
        }
        const effect_opening_2::feature_distances f = effect_opening_2::cell_noise(px, py);
        ASSERT_EQ(f.f1, f1) << px << ", " << py;
        ASSERT_EQ(f.f2, f2) << px << ", " << py;
    }
}

TEST(opening_2_kernel, tint_powers_give_the_bits_of_rounded_pow_on_every_set) {
    // Every exponent the tint can take, against bases spread over every
    // binade from the smallest subnormal to 3.5 (from e^10 on, the power is
    // the library's) and the ends.
    std::vector<double> exponents;
    for (int b = 0; b < 256; ++b) {
        for (double base : {1.0, 2.0, 4.0}) exponents.push_back(static_cast<float>((b / 255.0 * 3 + base) * 2.4));
    }
    std::vector<double> bases = {0.0, 1.4e-45f, 1.0, 1.8f, 3.5};
    for (uint32_t bits = 1; bits <= 0x40600000u; bits += 0x40600000u / 1500) {
        float f;
        std::memcpy(&f, &bits, sizeof f);
        bases.push_back(f);
    }
    std::vector<double> x;
    std::vector<double> e;
    for (const double base : bases) {
        for (const double exponent : exponents) {
            x.push_back(base);
            e.push_back(exponent);
        }
    }
    x.push_back(0.7f);  // an odd count: the last group is partly padding
    e.push_back(9.6f);
    const int count = static_cast<int>(x.size());
    std::vector<double> expected(count);
    for (int i = 0; i < count; ++i) expected[i] = rounded_pow(static_cast<float>(x[i]), static_cast<float>(e[i]));
    for (const instruction_set_row& row : instruction_sets) {
        if (!instruction_set_supported(row.set)) continue;
        std::vector<double> actual(count, -1.0);
        effect_opening_2::tint_powers(row.set, x.data(), e.data(), actual.data(), count);
        for (int i = 0; i < count; ++i) {
            ASSERT_EQ(std::memcmp(&actual[i], &expected[i], sizeof(double)), 0)
                << "pow(" << x[i] << ", " << e[i] << ") with " << row.name << ": " << actual[i] << " instead of "
                << expected[i];
        }
    }
}
