#pragma once
// Glass blobs: three merging glass spheres circled by the camera, refracting
// and reflecting a rusty picture, over a tunnel of textured rings; the frame
// fades to black over 198-199 s. Half resolution; clock offset 0, divisor
// 1000. The view is that of glass_scene.h at distance 5.

#include "core/texture.h"
#include "effects/base_effect.h"
#include "effects/glass_scene.h"
#include "effects/raymarch.h"

// The three spheres at time t: their centres and the soft union of the
// distances to them.
struct blob_spheres {
    raymarch::vec3 centre[3];

    explicit blob_spheres(double t);
    double operator()(const raymarch::vec3& p) const {
        return raymarch::soft_union(length(p - centre[0]) - 1, length(p - centre[1]) - 1,
                                    length(p - centre[2]) - 1);
    }
    // The spheres as bounds of the field: the soft union lies at most
    // 0.5 ln 3 = 0.549306 below the nearest sphere, plus its rounding.
    raymarch::bounding_balls<3> bounds() const {
        return {{centre[0], centre[1], centre[2]}, 1.0, 1.0, 0.5494};
    }
};

// The time terms of the ring tunnel: cos t, sin t and t / 2.
struct tunnel_frame {
    double cos_t;
    double sin_t;
    double half_t;

    explicit tunnel_frame(double t);
};

class effect_blobs1 : public base_effect {
public:
    using base_effect::base_effect;

    bool init() override;
    int run(float app_ms, double music_s) override;
    void advance(float app_ms, double music_s) override;
    // Draws band rows [first_row, end_row) with the chosen instruction set:
    // the vector sets a band row at a time, one column per lane, the scalar
    // set column by column; every set draws the same bits.
    void render_band(int first_row, int end_row, double local_time, uint32_t pixels[],
                     double music_s) const;

    // The distance field and the glass colour of a hit point p seen along rd,
    // at the effect's local_time.
    double scene_distance(raymarch::vec3 p) const { return blob_spheres(local_time)(p); }
    raymarch::vec3 shade(raymarch::vec3 p, raymarch::vec3 rd) const {
        return shade(blob_spheres(local_time), p, rd);
    }
    raymarch::vec3 shade(const blob_spheres& field, const raymarch::vec3& p, const raymarch::vec3& rd) const {
        return shade(field, field.bounds(), p, rd);
    }
    raymarch::vec3 shade(const blob_spheres& field, const raymarch::bounding_balls<3>& bounds,
                         const raymarch::vec3& p, const raymarch::vec3& rd) const;
    // The ring tunnel seen where no sphere is, at column x and band row j.
    raymarch::vec3 tunnel_background(const tunnel_frame& frame, int x, int j) const;

    vdk::core::texture_gdi tex_env;
    vdk::core::texture_gdi tex_deep;
    vdk::core::texture_gdi tex_wall;
    double local_time = 0.0;
    float start_time = -1.0f;

};
