// The sphere-tracing vocabulary: march limits, soft union rounding, smoothstep
// edges, refraction and the way out of a glass body.

#include <gtest/gtest.h>

#include <cmath>

#include "effects/raymarch.h"

using namespace raymarch;

namespace {

struct constant_field {
    double distance;
    double operator()(const vec3&) const { return distance; }
};

struct unit_sphere {
    double operator()(const vec3& p) const { return length(p) - 1; }
};

}  // namespace

TEST(raymarch, march_that_reaches_the_far_limit_misses_and_a_spent_budget_hits) {
    const vec3 o{0, 0, 0};
    const vec3 d{0, 0, 1};
    // 40 steps of 0.5 end exactly at the far limit: not below it, so a miss.
    EXPECT_EQ(march(constant_field{0.5}, o, d, 40, 0.001, 20), -1.0);
    // Passing the limit stops the march before the budget is spent.
    EXPECT_EQ(march(constant_field{3}, o, d, 60, 0.001, 20), -1.0);
    // Using all 60 steps without converging still counts as a hit.
    EXPECT_NEAR(march(constant_field{0.01}, o, d, 60, 0.001, 20), 0.6, 1e-12);
    // A first distance below epsilon ends at once, that distance included.
    EXPECT_EQ(march(constant_field{0.0005}, o, d, 60, 0.001, 20), 0.0005);
    EXPECT_NEAR(march(unit_sphere{}, vec3{0, 0, -5}, d, 60, 0.001, 20), 4, 0.001);
}

// exp(-2 d) of the product rounded to single precision, worked out in double
// and rounded once.
static float exact_term(double d) {
    return static_cast<float>(std::exp(static_cast<double>(static_cast<float>(-2 * d))));
}

TEST(raymarch, soft_union_lies_below_each_distance_and_rounds_to_single_precision) {
    const double u = soft_union(0.3, 0.7, 1.9);
    EXPECT_LT(u, 0.3);
    const float sum = exact_term(0.3) + exact_term(0.7) + exact_term(1.9);
    EXPECT_EQ(u, -0.5 * static_cast<double>(std::log(sum)));
    const double exact = -0.5 * std::log(std::exp(-0.6) + std::exp(-1.4) + std::exp(-3.8));
    EXPECT_NE(u, exact);
    EXPECT_NEAR(u, exact, 1e-6);
    EXPECT_NEAR(soft_union(2.0, 2.0, 2.0), 2.0 - 0.5 * std::log(3.0), 1e-6);
}

TEST(raymarch, soft_union_terms_are_the_exact_exponentials_rounded_once) {
    // exp(-0x1.5f7212p-2) = 0.7094902097996888...: 0x1.6b424cp-1 is the nearer
    // single-precision value; a single-precision exp may give 0x1.6b424ep-1.
    // (volatile: a constant argument would be folded at compile time, exactly.)
    volatile double half_argument = 0x1.5f7212p-3;
    const double d = half_argument;
    EXPECT_EQ(soft_union_term(d), 0x1.6b424cp-1f);
    // The one term moves the union; the logarithm of the sum stays single.
    const float sum = 0x1.6b424cp-1f + exact_term(0.7) + exact_term(1.9);
    EXPECT_EQ(soft_union(d, 0.7, 1.9), -0.5 * static_cast<double>(std::log(sum)));
    EXPECT_EQ(soft_union(d, 0.7), -0.5 * static_cast<double>(std::log(0x1.6b424cp-1f +
                                                                      exact_term(0.7))));
}

namespace {

// The four lights worked out from their definition: every power computed in
// double from its single-precision base and rounded once.
vec3 lights_reference(const vec3& base, const vec3& p, const vec3& n, const vec3& rd) {
    const vec3 lights[4] = {{0, 10, -20}, {-20, 10, 0}, {20, 10, 0}, {0, -10, 20}};
    vec3 sum{0, 0, 0};
    for (int k = 0; k < 4; ++k) {
        const vec3 l = normalize(p - lights[k]);
        const float diffuse_base = static_cast<float>(0.5 * (-dot(l, n)) + 0.5);
        const float diffuse = static_cast<float>(std::pow(static_cast<double>(diffuse_base), 2.5));
        const double facing = dot(reflect(l, n), -rd);
        const float specular_base = static_cast<float>(facing > 0 ? facing : 0.0);
        const float specular =
            static_cast<float>(std::pow(static_cast<double>(specular_base), 64.0));
        const vec3 term = base * diffuse + vec3{specular, specular, specular};
        sum = k < 3 ? sum + term : sum + 0.6 * term;
    }
    return sum;
}

// The point through volatile copies, so that nothing built on it is folded at
// compile time (the compiler's own pow is exact).
vec3 opaque(const vec3& p) {
    volatile double x = p.x, y = p.y, z = p.z;
    return {x, y, z};
}

}  // namespace

TEST(raymarch, four_point_lights_raise_to_the_exact_powers_rounded_once) {
    // The diffuse base 0x1.95f12ep-1 to the power 2.5 is 0.5597387254101...,
    // nearer 0x1.1e9612p-1 than 0x1.1e9614p-1, the single-precision pow's.
    volatile float diffuse_base = 0x1.95f12ep-1f;
    EXPECT_EQ(static_cast<float>(std::pow(static_cast<double>(diffuse_base), 2.5)), 0x1.1e9612p-1f);
    // Points where one diffuse power (the first two) or one specular power
    // (the last) of a single-precision pow is one unit off.
    const vec3 points[] = {{-0x1.8dce8fe34eef7p-2, 0x1.d32b1c8040d75p-1, 0x1.075db31a94f7p-3},
                           {0x1.c1c97ad86cc7bp-1, -0x1.a798b9f558f16p-2, 0x1.e986258112455p-3},
                           {-0x1.d200df043a913p-2, 0x1.fbf6d6b55e87ep-6, -0x1.c7a2458e4664ap-1}};
    // Points of the unit sphere, seen from (0, 0, -5).
    for (const vec3& point : points) {
        const vec3 p = opaque(point);
        const vec3 rd = normalize(p - vec3{0, 0, -5});
        const vec3 got = four_point_lights(vec3{0.25, 0.5, 0.75}, p, p, rd);
        const vec3 expected = lights_reference(vec3{0.25, 0.5, 0.75}, p, p, rd);
        EXPECT_EQ(got.x, expected.x) << p.x;
        EXPECT_EQ(got.y, expected.y) << p.x;
        EXPECT_EQ(got.z, expected.z) << p.x;
    }
}

TEST(raymarch, smoothstep_is_flat_outside_its_edges_and_uses_a_double_width) {
    EXPECT_EQ(smoothstep(0.9, 1.1, 0.9), 0.0);
    EXPECT_EQ(smoothstep(0.9, 1.1, 0.5), 0.0);
    EXPECT_EQ(smoothstep(0.9, 1.1, 1.1), 1.0);
    EXPECT_EQ(smoothstep(0.9, 1.1, 7.0), 1.0);
    const double w = (1.0 - 0.9) / 0.20000000000000007;
    EXPECT_EQ(smoothstep(0.9, 1.1, 1.0), w * w * (3 - 2 * w));
    EXPECT_EQ(smoothstep(0, 0.3, 0.15), 0.5);
}

TEST(raymarch, refraction_bends_towards_the_normal_and_vanishes_on_total_reflection) {
    const vec3 n{0, 0, -1};
    const vec3 straight = refract(vec3{0, 0, 1}, n, 0.9);
    EXPECT_DOUBLE_EQ(straight.z, 1.0);
    // Leaving a denser body at a grazing angle reflects totally.
    const vec3 grazing = normalize(vec3{1, 0, 0.2});
    const vec3 none = refract(grazing, n, 1.1111111111111112);
    EXPECT_EQ(none.x, 0.0);
    EXPECT_EQ(none.y, 0.0);
    EXPECT_EQ(none.z, 0.0);
    const vec3 r = reflect(grazing, n);
    EXPECT_DOUBLE_EQ(r.x, grazing.x);
    EXPECT_DOUBLE_EQ(r.z, -grazing.z);
}

TEST(raymarch, tetrahedral_normal_of_a_sphere_points_outwards) {
    const vec3 p = normalize(vec3{1, 2, -2});
    const vec3 n = tetrahedral_normal(unit_sphere{}, p, 0.002);
    EXPECT_NEAR(n.x, p.x, 1e-3);
    EXPECT_NEAR(n.y, p.y, 1e-3);
    EXPECT_NEAR(n.z, p.z, 1e-3);
}

TEST(raymarch, exit_march_with_no_inward_direction_stays_at_the_entry_point) {
    const vec3 p{0.3, -0.2, -0.9};
    // The first distance is above epsilon, so the march spends its budget
    // without moving.
    const glass_exit exit = march_to_exit(unit_sphere{}, p, vec3{0, 0, 0}, 60);
    EXPECT_EQ(exit.point.x, p.x);
    EXPECT_EQ(exit.point.y, p.y);
    EXPECT_EQ(exit.point.z, p.z);
}

TEST(raymarch, exit_march_starts_behind_the_entry_and_runs_away_from_it) {
    // Entering the unit sphere at its near pole along +z: the march starts 10
    // units back and heads further back, so it misses and the exit point is
    // one step in front of its start.
    const glass_exit exit = march_to_exit(unit_sphere{}, vec3{0, 0, -1}, vec3{0, 0, 1}, 60);
    EXPECT_EQ(exit.travel, -1.0);
    EXPECT_EQ(exit.point.z, -10.0);
    // Started inside a second body behind the entry, it finds that body.
    struct two_spheres {
        double operator()(const vec3& q) const {
            return std::fmin(length(q) - 1, length(q - vec3{0, 0, -14}) - 1);
        }
    };
    const glass_exit found = march_to_exit(two_spheres{}, vec3{0, 0, -1}, vec3{0, 0, 1}, 60);
    EXPECT_NEAR(found.travel, 2.0, 0.001);
    EXPECT_NEAR(found.point.z, -13.0, 0.001);
}

namespace {

// The unit sphere, counting its evaluations.
struct counted_sphere {
    mutable int evaluations = 0;
    double operator()(const vec3& p) const {
        ++evaluations;
        return length(p) - 1;
    }
};

const bounding_balls<1> unit_ball{{{0, 0, 0}}, 1.0, 1.0, 0.0};

}  // namespace

TEST(raymarch, bounded_march_proves_a_clear_ray_misses_without_evaluating) {
    counted_sphere sphere;
    // Passing 2.6 from the centre: beyond the reach 1 + 0 + 20/60 + 0.001 on
    // the whole line.
    const vec3 o{-5, 2.6, 0};
    const vec3 d{1, 0, 0};
    EXPECT_EQ(march(sphere, o, d, 60, 0.001, 20), -1.0);
    sphere.evaluations = 0;
    EXPECT_EQ(bounded_march(sphere, unit_ball, o, d, 60, 0.001, 20), -1.0);
    EXPECT_EQ(sphere.evaluations, 0);
}

TEST(raymarch, bounded_march_stops_once_past_the_ball_and_otherwise_matches_bit_for_bit) {
    counted_sphere plain;
    counted_sphere bounded;
    // Rays from (0, 0, -5) at every offset from a hit through a graze to a
    // clear miss.
    for (double offset = 0.0; offset <= 3.0; offset += 0.0625) {
        const vec3 o{0, 0, -5};
        const vec3 d = normalize(vec3{offset, 0.3 * offset, 5});
        const double expected = march(plain, o, d, 60, 0.001, 20);
        const double got = bounded_march(bounded, unit_ball, o, d, 60, 0.001, 20);
        ASSERT_EQ(got, expected) << offset;
    }
    EXPECT_LT(bounded.evaluations, plain.evaluations);
    // A miss that comes within reach evaluates until it has passed the ball.
    const vec3 o{0, 1.2, -5};
    const vec3 d{0, 0, 1};
    plain.evaluations = bounded.evaluations = 0;
    EXPECT_EQ(march(plain, o, d, 60, 0.001, 20), -1.0);
    EXPECT_EQ(bounded_march(bounded, unit_ball, o, d, 60, 0.001, 20), -1.0);
    EXPECT_GT(bounded.evaluations, 0);
    EXPECT_LT(bounded.evaluations, plain.evaluations);
}

TEST(raymarch, bounded_march_takes_no_shortcut_it_cannot_prove) {
    // A budget too small to carry T to far: the spent budget is a hit
    // however clear the ray, so the balls must not call it a miss.
    counted_sphere sphere;
    const vec3 o{0, 2.6, -5};
    const vec3 d{0, 0, 1};
    const double short_budget = march(sphere, o, d, 4, 0.001, 20);
    EXPECT_GT(short_budget, 0);
    EXPECT_EQ(bounded_march(sphere, unit_ball, o, d, 4, 0.001, 20), short_budget);
    // With the full budget the same ray is a proved miss.
    sphere.evaluations = 0;
    EXPECT_EQ(bounded_march(sphere, unit_ball, o, d, 60, 0.001, 20), -1.0);
    EXPECT_EQ(sphere.evaluations, 0);
    // A non-unit direction: no shortcut.
    EXPECT_EQ(bounded_march(sphere, unit_ball, vec3{-5, 2.6, 0}, vec3{2, 0, 0}, 60, 0.001, 20),
              march(sphere, vec3{-5, 2.6, 0}, vec3{2, 0, 0}, 60, 0.001, 20));
    // An epsilon of 2 ends the march 1.6 from the sphere: the reach grows
    // with the epsilon, and the hit is found.
    const double coarse = march(sphere, vec3{-5, 2.6, 0}, vec3{1, 0, 0}, 60, 2.0, 20);
    EXPECT_GT(coarse, 0);
    EXPECT_EQ(bounded_march(sphere, unit_ball, vec3{-5, 2.6, 0}, vec3{1, 0, 0}, 60, 2.0, 20),
              coarse);
    // A direction with NaN marches as the plain march does: all 60 steps.
    sphere.evaluations = 0;
    const vec3 nan_d{std::nan(""), 0, 1};
    EXPECT_EQ(bounded_march(sphere, unit_ball, vec3{0, 0, -5}, nan_d, 60, 0.001, 20), -1.0);
    EXPECT_EQ(sphere.evaluations, 60);
}

TEST(raymarch, bounded_march_uses_a_known_first_distance_only_for_a_finite_direction) {
    counted_sphere sphere;
    const vec3 o{0, 0, -5};
    const double at_o = sphere(o);
    sphere.evaluations = 0;
    const double plain = march(sphere, o, vec3{0, 0, 1}, 60, 0.001, 20);
    const int plain_evaluations = sphere.evaluations;
    sphere.evaluations = 0;
    EXPECT_EQ(bounded_march(sphere, unit_ball, o, vec3{0, 0, 1}, 60, 0.001, 20, &at_o), plain);
    EXPECT_EQ(sphere.evaluations, plain_evaluations - 1);
    // With an infinite component the first point is NaN, not o.
    sphere.evaluations = 0;
    const vec3 infinite{INFINITY, 0, 1};
    bounded_march(sphere, unit_ball, o, infinite, 60, 0.001, 20, &at_o);
    EXPECT_EQ(sphere.evaluations, 60);
}

TEST(raymarch, bounded_exit_march_matches_the_plain_one) {
    // Away from the body (a proved miss) and into a second body behind it.
    struct two_spheres {
        double operator()(const vec3& q) const {
            return std::fmin(length(q) - 1, length(q - vec3{0, 0, -14}) - 1);
        }
    };
    const bounding_balls<2> balls{{{0, 0, 0}, {0, 0, -14}}, 1.0, 1.0, 0.0};
    for (const vec3& inward : {vec3{0, 0, 1}, normalize(vec3{0.3, 0.1, 1}), vec3{0, 0, 0}}) {
        const vec3 p{0, 0, -1};
        const glass_exit plain = march_to_exit(two_spheres{}, p, inward, 60);
        const glass_exit bounded = bounded_march_to_exit(two_spheres{}, balls, p, inward, 60);
        EXPECT_EQ(bounded.travel, plain.travel);
        EXPECT_EQ(bounded.point.x, plain.point.x);
        EXPECT_EQ(bounded.point.y, plain.point.y);
        EXPECT_EQ(bounded.point.z, plain.point.z);
    }
    const glass_exit miss =
        bounded_march_to_exit(unit_sphere{}, unit_ball, vec3{0, 0, -1}, vec3{0, 0, 1}, 60);
    EXPECT_EQ(miss.travel, -1.0);
    EXPECT_EQ(miss.point.z, -10.0);
}

TEST(raymarch, bounded_march_clears_a_flat_body_by_its_slab) {
    // A flat disc of radius 3 and half height 0.1 about the origin in the xz
    // plane, as a field: a ray rising away from it above the slab is proved a
    // miss although it stays within the ball.
    struct disc {
        mutable int evaluations = 0;
        double operator()(const vec3& q) const {
            ++evaluations;
            const double radial = std::sqrt(q.x * q.x + q.z * q.z) - 3;
            const double dy = std::fabs(q.y) - 0.1;
            return std::sqrt(std::fmax(radial, 0) * std::fmax(radial, 0) +
                             std::fmax(dy, 0) * std::fmax(dy, 0)) +
                   std::fmin(std::fmax(radial, dy), 0.0);
        }
    };
    const bounding_balls<1> flat{{{0, 0, 0}}, 3.0, 0.1, 0.0};
    const vec3 o{-2, 0.6, 0};
    const vec3 d = normalize(vec3{1, 0.2, 0});
    disc plain;
    disc bounded;
    EXPECT_EQ(march(plain, o, d, 60, 0.001, 20), -1.0);
    EXPECT_EQ(bounded_march(bounded, flat, o, d, 60, 0.001, 20), -1.0);
    EXPECT_EQ(bounded.evaluations, 0);
    // Heading down towards the disc it is not cleared, and the hit is found.
    const vec3 down = normalize(vec3{1, -0.2, 0});
    const double hit = march(plain, o, down, 60, 0.001, 20);
    EXPECT_GT(hit, 0);
    EXPECT_EQ(bounded_march(bounded, flat, o, down, 60, 0.001, 20), hit);
}
