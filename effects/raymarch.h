#pragma once
// The vector type and the sphere-tracing vocabulary of the ray-marched scenes.
//
// A distance field is any callable double(const vec3&) returning an estimate
// of the distance from a point to the nearest surface, negative inside.

#include <cmath>

#include "effects/rounded_math.h"

namespace raymarch {

struct vec3 {
    double x;
    double y;
    double z;
};

inline vec3 operator+(const vec3& a, const vec3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline vec3 operator-(const vec3& a, const vec3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline vec3 operator-(const vec3& a) { return {-a.x, -a.y, -a.z}; }
inline vec3 operator*(double s, const vec3& a) { return {s * a.x, s * a.y, s * a.z}; }
inline vec3 operator*(const vec3& a, double s) { return {a.x * s, a.y * s, a.z * s}; }
inline double dot(const vec3& a, const vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline vec3 cross(const vec3& a, const vec3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double length(const vec3& a) { return std::sqrt(dot(a, a)); }
// Each component divided by the length (a zero vector gives NaN components).
inline vec3 normalize(const vec3& a) {
    const double l = length(a);
    return {a.x / l, a.y / l, a.z / l};
}

// i - 2 (n.i) n
inline vec3 reflect(const vec3& i, const vec3& n) { return i - 2 * dot(n, i) * n; }

// Refraction of i at a surface with normal n and ratio eta; the zero vector
// on total internal reflection.
inline vec3 refract(const vec3& i, const vec3& n, double eta) {
    const double ni = dot(n, i);
    const double k = 1 - eta * eta * (1 - ni * ni);
    if (k < 0) return {0, 0, 0};
    return eta * i - (eta * ni + std::sqrt(k)) * n;
}

// Hermite step between e0 and e1; the width e1 - e0 is formed in double.
inline double smoothstep(double e0, double e1, double x) {
    const double w = (x - e0) / (e1 - e0);
    if (w < 0) return 0;
    if (w > 1) return 1;
    return w * w * (3 - 2 * w);
}

// One term of a soft union: exp(-2 d), with the product and the exponential
// each rounded to single precision.
inline float soft_union_term(double d) {
    return rounded_exp(static_cast<float>(-2 * d));
}

// Soft union of the terms' sum: -0.5 ln(sum), the logarithm in single precision.
inline double soft_union_of_sum(float sum) { return -0.5 * std::log(sum); }

// Soft union of three distances: -0.5 ln(e^-2d1 + e^-2d2 + e^-2d3), the sum
// formed in single precision.
inline double soft_union(double d1, double d2, double d3) {
    const float sum = soft_union_term(d1) + soft_union_term(d2) + soft_union_term(d3);
    return soft_union_of_sum(sum);
}
inline double soft_union(double d1, double d2) {
    const float sum = soft_union_term(d1) + soft_union_term(d2);
    return soft_union_of_sum(sum);
}

// Sphere tracing from o along d: T starts at 0; each step adds the distance at
// o + T d; stops after 'steps' steps, when a distance is below epsilon, or
// (tested before each further step) when T exceeds far. Returns T when it
// ended below far, otherwise the miss value -1.
template <class Field>
double march(const Field& field, const vec3& o, const vec3& d, int steps, double epsilon,
             double far) {
    double t = 0;
    for (int step = 0; step < steps; ++step) {
        if (step > 0 && t > far) break;
        const double dist = field(o + t * d);
        t += dist;
        if (dist < epsilon) break;
    }
    return t < far ? t : -1.0;
}

// Where the bodies of a field lie: each inside a ball of the given radius
// about one of the centres and inside the slab |y - centre.y| <= half_height,
// and the field nowhere more than 'slack' below the smallest of the bodies'
// distances as those bound them (max(|p - centre| - radius,
// |p.y - centre.y| - half_height)). For a soft union of three bodies the
// slack is 0.5 ln 3 (the sum of three terms is at most three times the
// largest), plus what the single-precision terms round away.
template <int N>
struct bounding_balls {
    vec3 centre[N];
    double radius;
    double half_height;
    double slack;
};

// The result of march(field, o, d, steps, epsilon, far), bit for bit, with
// fewer evaluations of the field.
//
// - field_at_o, when given, is field(o): the first evaluation is at
//   o + 0 d, which for a finite d is o up to the sign of a zero component
//   (the field must not tell +0 from -0). A ray from a fixed eye shares it.
// - The march stops with the miss value -1 as soon as the bounds prove it.
//   Every later evaluation lies on the ray at or beyond the current T. Let
//   least = max((far - T) / (steps left), epsilon) + 0.001. If each point of
//   that part of the ray is at least least + slack from every body as the
//   bounds see it, each later distance exceeds least less the field's
//   rounding (below 1e-5 while least + slack stays below 100): above epsilon, so no
//   later step ends the march, and summed over the steps left above far - T,
//   so T passes far: the march would return -1. A body is that far from the
//   rest of the ray when the whole line is that far from its ball, or when T
//   is past the ball centre's closest approach (distances grow from there on)
//   and the current point is that far from the ball, or when the ray does
//   not approach the slab and the current point is that far from it. This
//   needs a unit d (checked; otherwise no shortcut).
template <class Field, int N>
double bounded_march(const Field& field, const bounding_balls<N>& balls, const vec3& o,
                     const vec3& d, int steps, double epsilon, double far,
                     const double* field_at_o = nullptr) {
    const double d_squared = dot(d, d);
    const bool can_stop = d_squared > 1 - 1e-9 && d_squared < 1 + 1e-9;
    const bool use_slab = balls.half_height < balls.radius;
    double line_gap_squared[N];  // of the whole line from each centre
    double closest[N];           // T of each centre's closest approach
    for (int k = 0; k < N; ++k) {
        const vec3 w = balls.centre[k] - o;
        closest[k] = dot(w, d);
        line_gap_squared[k] = dot(w, w) - closest[k] * closest[k];
    }
    // The earliest T at which the test below can pass, so that the steps
    // before it skip the test: a body whose line comes within the smallest
    // reach needs T past its closest approach, or the ray leaving its slab.
    // (Skipping a test never changes the result, only when it is found.)
    const double smallest_reach = balls.radius + balls.slack + (epsilon > 0 ? epsilon : 0) + 0.001;
    double gate = 0;
    for (int k = 0; k < N; ++k) {
        if (line_gap_squared[k] >= smallest_reach * smallest_reach) continue;
        double earliest = closest[k];
        if (use_slab) {
            const double slab_near = balls.half_height + balls.slack;
            const double offset = o.y - balls.centre[k].y;
            double leaves = INFINITY;  // T from which the ray is outside the slab, moving away
            if (d.y > 0) leaves = (slab_near - offset) / d.y;
            if (d.y < 0) leaves = (-slab_near - offset) / d.y;
            if (d.y == 0 && std::fabs(offset) >= slab_near) leaves = 0;
            if (leaves < earliest) earliest = leaves;
        }
        if (earliest > gate) gate = earliest;
    }
    const bool first_known =
        field_at_o != nullptr && std::isfinite(d.x) && std::isfinite(d.y) && std::isfinite(d.z);
    double t = 0;
    for (int step = 0; step < steps; ++step) {
        if (step > 0 && t > far) break;
        const vec3 p = o + t * d;
        if (can_stop && t >= gate) {
            const double needed = (far - t) / (steps - step);
            const double least = (needed > epsilon ? needed : epsilon) + 0.001;
            const double ball_reach = balls.radius + balls.slack + least;
            const double ball_reach_squared = ball_reach * ball_reach;
            const double slab_reach = balls.half_height + balls.slack + least;
            bool clear = true;
            for (int k = 0; k < N && clear; ++k) {
                if (line_gap_squared[k] >= ball_reach_squared) continue;
                const vec3 w = p - balls.centre[k];
                clear = t >= closest[k] && dot(w, w) >= ball_reach_squared;
                if (!clear && use_slab) {
                    clear = w.y * d.y >= 0 && std::fabs(w.y) >= slab_reach;
                }
            }
            if (clear) return -1.0;
        }
        const double dist = step == 0 && first_known ? *field_at_o : field(p);
        t += dist;
        if (dist < epsilon) break;
    }
    return t < far ? t : -1.0;
}

// Normal at p from four evaluations at p + h k, k the tetrahedron's corners.
template <class Field>
vec3 tetrahedral_normal(const Field& field, const vec3& p, double h) {
    const vec3 k1{1, 1, 1};
    const vec3 k2{-1, 1, -1};
    const vec3 k3{-1, -1, 1};
    const vec3 k4{1, -1, -1};
    const vec3 sum = field(p + h * k1) * k1 + field(p + h * k2) * k2 + field(p + h * k3) * k3 +
                     field(p + h * k4) * k4;
    return normalize(sum);
}

// The second half of a ray's way through a glass body, from the point p where
// it entered along the refracted direction 'inward' (zero on total
// reflection): the inner march starts 10 units behind p and runs back along
// -inward with epsilon 0.001 and far limit 20. travel is its result (-1 on a
// miss); the exit point is start - travel * inward, which on a miss is
// start + inward. A zero 'inward' leaves the exit point at p.
struct glass_exit {
    double travel;
    vec3 point;
};

template <class Field>
glass_exit march_to_exit(const Field& field, const vec3& p, const vec3& inward, int steps) {
    const vec3 start = p - 10 * inward;
    const double travel = march(field, start, -inward, steps, 0.001, 20);
    if (travel < -0.5) return {travel, start + inward};
    return {travel, start - travel * inward};
}

// march_to_exit with the inner march shortened by bounded_march: the same
// result, bit for bit. Seen from a glass body's surface the inner march runs
// away from the body, so the bounds usually prove its miss before its first
// evaluation.
template <class Field, int N>
glass_exit bounded_march_to_exit(const Field& field, const bounding_balls<N>& balls,
                                 const vec3& p, const vec3& inward, int steps) {
    const vec3 start = p - 10 * inward;
    const double travel = bounded_march(field, balls, start, -inward, steps, 0.001, 20);
    if (travel < -0.5) return {travel, start + inward};
    return {travel, start - travel * inward};
}

// The lit colour of a surface point p with normal n and base colour 'base',
// seen along rd, under the four point lights of the glass scenes, the last at
// 0.6 strength. Per light: l = normalize(p - L); diffuse (0.5 (-l.n) + 0.5)^2.5
// and specular (max(0, reflect(l, n).(-rd)))^64, each base and power rounded
// to single precision; contribution base * diffuse + specular per channel.
inline vec3 four_point_lights(const vec3& base, const vec3& p, const vec3& n, const vec3& rd) {
    static constexpr vec3 lights[4] = {{0, 10, -20}, {-20, 10, 0}, {20, 10, 0}, {0, -10, 20}};
    vec3 term[4];
    for (int k = 0; k < 4; ++k) {
        const vec3 l = normalize(p - lights[k]);
        const float diffuse_base = static_cast<float>(0.5 * (-dot(l, n)) + 0.5);
        const float diffuse = rounded_pow(diffuse_base, 2.5f);
        const vec3 g = reflect(l, n);
        const double facing = dot(g, -rd);
        const float specular_base = static_cast<float>(facing > 0 ? facing : 0.0);
        const float specular = rounded_pow(specular_base, 64.0f);
        term[k] = {base.x * diffuse + specular, base.y * diffuse + specular,
                   base.z * diffuse + specular};
    }
    return term[0] + term[1] + term[2] + 0.6 * term[3];
}

}  // namespace raymarch
