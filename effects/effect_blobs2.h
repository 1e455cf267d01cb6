#pragma once
// Glass rings: the sequel to the glass blobs with three thin glass rings in
// place of the spheres, the camera farther out, and the environment picture
// seen along the view ray as background. No fade; the picture depends on the
// clock alone. Half resolution; clock offset 0, divisor 1000. The view is
// that of glass_scene.h at distance 8.

#include "core/texture.h"
#include "effects/base_effect.h"
#include "effects/effect_blobs1.h"
#include "effects/glass_scene.h"
#include "effects/raymarch.h"

// Distance from q to a ring around the origin in the xz plane, major radius
// 2.7, minor radius 0.4.
inline double ring_distance(const raymarch::vec3& q) {
    const double w = std::sqrt(q.x * q.x + q.z * q.z) - 2.7;
    return std::sqrt(w * w + q.y * q.y) - 0.4;
}

// The three rings at time t, centred where the glass blobs' spheres are.
struct glass_rings {
    blob_spheres centres;

    explicit glass_rings(double t) : centres(t) {}
    double operator()(const raymarch::vec3& p) const {
        return raymarch::soft_union(ring_distance(p - centres.centre[0]),
                                    ring_distance(p - centres.centre[1]),
                                    ring_distance(p - centres.centre[2]));
    }
    // Each ring lies within 2.7 + 0.4 of its centre and 0.4 of its plane: its
    // distance is at least |q - centre| - 3.1 (the triangle inequality in the
    // ring's plane) and |q.y - centre.y| - 0.4. The soft union lies at most
    // 0.5 ln 3 below the nearest ring, plus its rounding.
    raymarch::bounding_balls<3> bounds() const {
        return {{centres.centre[0], centres.centre[1], centres.centre[2]}, 3.1, 0.4, 0.5494};
    }
};

class effect_blobs2 : public base_effect {
public:
    using base_effect::base_effect;

    bool init() override;
    int run(float app_ms, double music_s) override;
    void advance(float app_ms, double music_s) override;
    // Draws band rows [first_row, end_row) with the chosen instruction set:
    // the vector sets a band row at a time, one column per lane, the scalar
    // set column by column; every set draws the same bits.
    void render_band(int first_row, int end_row, double local_time, uint32_t pixels[]) const;

    // The distance field and the glass colour of a hit point p seen along rd,
    // at the effect's local_time.
    double scene_distance(raymarch::vec3 p) const { return glass_rings(local_time)(p); }
    raymarch::vec3 shade(raymarch::vec3 p, raymarch::vec3 rd) const {
        return shade(glass_rings(local_time), p, rd);
    }
    raymarch::vec3 shade(const glass_rings& field, const raymarch::vec3& p, const raymarch::vec3& rd) const {
        return shade(field, field.bounds(), p, rd);
    }
    raymarch::vec3 shade(const glass_rings& field, const raymarch::bounding_balls<3>& bounds,
                         const raymarch::vec3& p, const raymarch::vec3& rd) const;

    vdk::core::texture_gdi tex_env;
    vdk::core::texture_gdi tex_tint;
    vdk::core::texture_gdi tex_back;
    double local_time = 0.0;
    float start_time = -1.0f;

};
