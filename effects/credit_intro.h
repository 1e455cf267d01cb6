#pragma once
// The credit scenes and the end screen share one picture: a background that
// breathes (a slow zoom) and ripples horizontally under a noise image, and over
// it a picture with alpha that tilts abruptly on the music and straightens out
// between the tilts. The four credit intros are this design with one table row
// each (files, message, tilt schedule, white fade); the end screen draws the
// same frame with its own fade-in weight. Both are a tilted_layer_effect.
//
// Coordinates: pixel (x, y) has centred coordinates X = x/320 - 0.5 and
// Y = y/240 - 0.5; texture coordinate 0.5 is a picture's centre. The frame is
// drawn on the calling thread, without bands.

#include <cstdint>

#include "effects/base_effect.h"

// Three tilt steps and an optional straightening. A step happens at the first
// pixel evaluated after the music position passes its threshold; one pixel
// evaluation takes at most one step.
struct tilt_schedule {
    double thresholds[3];  // music seconds of steps 1, 2, 3
    double angles[3];      // radians set by steps 1, 2, 3
    bool straightens;      // whether a fourth threshold resets the angle to 0
    double straighten_at;  // music seconds of that reset
};

// The tilt an effect keeps between frames: the music position of the last
// step, the angle it set, and the steps taken so far (0 to 3).
struct tilt_ref {
    double& since;
    double& angle;
    int32_t& state;
};

// One evaluation of the schedule at music position s: takes at most one step.
// True when it changed the tilt, so that the next evaluation may step again.
bool evaluate_tilt(const tilt_schedule& schedule, double s, tilt_ref tilt);

// Evaluates the schedule once per pixel of a frame, as drawing it would, and
// stops as soon as an evaluation changes nothing (all later ones would not
// either, since s is the same for the whole frame).
void settle_tilt(const tilt_schedule& schedule, double s, tilt_ref tilt);

// The layer's rotation in radians at music position s: the full angle at a
// step, straightening linearly over one second and then tilting the other way.
inline double tilt_rotation(double s, double since, double angle) {
    return (1 - (s - since)) * angle;
}

// How the layer is blended over the background in one frame.
struct layer_blend {
    double layer_weight;  // the layer counts this much times its alpha
    bool white_fade;      // the result is blended towards white
    double white_amount;  // by this much (1 is pure white)
};

// What one frame of the design needs.
struct tilted_layer_frame {
    const vdk::core::texture_gdi* background;
    const vdk::core::texture_gdi* layer;
    const vdk::core::texture_gdi* noise;
    float local_time;
    double music_s;
    layer_blend blend;
};

// Draws the whole 320 x 240 frame into pixels, taking the tilt steps due at
// its first pixels. The textures must hold pixels.
void draw_tilted_layer(const tilted_layer_frame& frame, const tilt_schedule& schedule,
                       tilt_ref tilt, uint32_t pixels[]);

// One credit scene's row of the table.
struct credit_row {
    const char* background_path;
    const char* text_path;
    const char* mask_path;  // the fourth picture: loaded, never drawn
    const char* failure_message;
    tilt_schedule tilt;
    bool white_fade;  // fades in from white until white_fade_end
    double white_fade_end;
};

namespace credit_rows {
extern const credit_row fennick;
extern const credit_row drumelo;
extern const credit_row quintaz;
extern const credit_row pello;
}  // namespace credit_rows

extern const char* const credit_noise_path;  // "_glimmerock/textures/gatonoise.png"

// The design as an effect: a background, a noise image and a layer that
// tilts by a schedule, on a clock of offset 0 and divisor 1000. The credit
// scenes and the end screen are its members; each says which layer it draws
// and how it blends it.
class tilted_layer_effect : public base_effect {
public:
    tilted_layer_effect(effect_host* host, vdk::core::logger* log, const tilt_schedule& schedule)
        : base_effect(host, log), schedule_(schedule) {}

    // Draws a frame and returns 1; without a back buffer or any of the three
    // pictures it only moves the clock (the tilt waits) and returns 1.
    int run(float app_ms, double music_s) final;
    void advance(float app_ms, double music_s) final;
    // Draws one frame at music position music_s with the current clock into
    // pixels, taking the tilt steps due.
    void draw(uint32_t pixels[], double music_s);
    // The layer's rotation at music position s for the current tilt.
    double rotation_at(double s) const { return tilt_rotation(s, tilt_since, tilt_angle); }

    vdk::core::texture_gdi tex_background;
    vdk::core::texture_gdi tex_noise;
    float local_time = 0.0f;
    float start_time = -1.0f;
    double tilt_since = 0.0;
    double tilt_angle = 0.0;
    int32_t tilt_state = 0;

protected:
    // The picture that tilts over the background.
    virtual vdk::core::texture_gdi& layer() = 0;
    // Its blend at music position music_s, with the clock at local_time.
    virtual layer_blend blend_at(double music_s) const = 0;

private:
    tilt_ref tilt() { return {tilt_since, tilt_angle, tilt_state}; }

    const tilt_schedule& schedule_;
};

// A credit scene: one member of the family, configured by its table row.
class credit_intro : public tilted_layer_effect {
public:
    credit_intro(effect_host* host, vdk::core::logger* log, const credit_row& row)
        : tilted_layer_effect(host, log, row.tilt), row_(row) {}

    // Loads background, noise, fourth picture and name picture, in this order.
    bool init() override;
    const credit_row& row() const { return row_; }

    vdk::core::texture_gdi tex_text;
    vdk::core::texture_gdi tex_mask;

protected:
    vdk::core::texture_gdi& layer() override { return tex_text; }
    // Full weight; the white fade of the row until its end.
    layer_blend blend_at(double music_s) const override;

private:
    const credit_row& row_;
};
