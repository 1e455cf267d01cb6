#pragma once
// The effect interface shared by every scene of the show.
//
// An effect draws one complete 320 x 240 frame of 0xAARRGGBB pixels into its
// host's back buffer (effects/effect_host.h) per run() call, top row first.
//
// Band layout: a frame is drawn by four workers on disjoint horizontal bands.
//   full resolution: band rows [0,60) [60,120) [120,180) [180,240), band row j
//                    is screen row j;
//   half resolution: band rows [0,30) [30,60) [60,90) [90,120), band row j
//                    covers screen rows 2j and 2j+1.
//
// The effect clock: an effect's first run() stores its application time in
// start_time; afterwards local_time = (app_ms - start_time - offset) / divisor,
// computed in single precision. The clock is never reset, so an effect shown in
// two windows of the timeline resumes with the time that passed in between.

#include <cstdint>
#include <initializer_list>
#include <utility>

#include "core/logger.h"
#include "core/texture.h"
#include "effects/band_workers.h"
#include "effects/effect_host.h"

constexpr int screen_width = 320;
constexpr int screen_height = 240;

// A colour record: r, g, b with 1.0 as full intensity, and a brightness factor
// i that multiplies all three when the record is packed.
struct color4 {
    double r;
    double g;
    double b;
    double i;
};

// One colour component as a byte: below 0 (or NaN) gives 0, above 1 gives 255,
// otherwise value * 255 truncated, low 8 bits.
inline uint32_t color_byte(double value) {
    if (!(value >= 0.0)) return 0;
    if (value > 1.0) return 255;
    return static_cast<uint32_t>(static_cast<int>(value * 255.0)) & 0xFFu;
}

// The opaque pixel of a colour record: each of r, g, b times i, as a byte.
inline uint32_t pack_color(const color4& c) {
    return 0xFF000000u + color_byte(c.r * c.i) * 65536u + color_byte(c.g * c.i) * 256u +
           color_byte(c.b * c.i);
}

// Advances an effect clock and returns its single-precision value.
inline float advance_clock(float& start_time, float app_ms, float offset_ms, float divisor) {
    if (start_time == -1.0f) start_time = app_ms;
    return (app_ms - start_time - offset_ms) / divisor;
}

class base_effect {
public:
    base_effect(effect_host* host, vdk::core::logger* log) : host(host), log(log) {}
    virtual ~base_effect() = default;
    base_effect(const base_effect&) = delete;
    base_effect& operator=(const base_effect&) = delete;

    // Loads the effect's pictures; false (after logging why) on failure.
    virtual bool init() = 0;
    // Called by run() when there is no back buffer; does nothing.
    virtual int release() { return 0; }
    // Draws one frame at application time app_ms and music position music_s.
    virtual int run(float app_ms, double music_s) = 0;
    // Leaves the effect as a drawn frame at (app_ms, music_s) would leave it,
    // without drawing: the clock and every schedule that steps with the frames.
    // Offline rendering calls it for the frames it skips.
    virtual void advance(float app_ms, double music_s) = 0;

protected:
    // The frame of an effect drawn in bands: advances the clock (advance()),
    // takes the back buffer, and draws band(first_row, end_row, pixels) for the
    // four bands of the layout. Without a back buffer only the clock moves.
    // Returns 1, the result of every such frame.
    template <class Band>
    int run_banded_frame(float app_ms, double music_s, band_layout layout, Band band) {
        advance(app_ms, music_s);
        uint32_t* pixels = back_buffer_pixels();
        if (pixels == nullptr) return 1;
        auto render = [&](int first_row, int end_row) { band(first_row, end_row, pixels); };
        run_bands(layout, render);
        return 1;
    }
    // Draws the four bands of the layout with the host's band workers:
    // render(first_row, end_row) once per band, all finished on return.
    template <class Render>
    void run_bands(band_layout layout, Render& render) {
        host->workers().run(layout, render);
    }

    // The host's back buffer pixels, or null after logging
    // "BACK BUFFER TEXTURE LOCK FAILED, BUFF==NULLPTR" at level DEBUG and
    // calling release().
    uint32_t* back_buffer_pixels();
    // Loads each (texture, path) in order, stopping at the first failure; then
    // logs failure_message at level ERROR and returns false.
    // The messages the effects pass are fixed texts, and several name another
    // effect ("effect_tunnel2 ..." for the swirl and the glass, "Effect_Intro_
    // Pello ..." for the openings): that is intended and the tests pin each of
    // them, so do not "correct" them.
    bool load_textures(std::initializer_list<std::pair<vdk::core::texture_gdi*, const char*>> files,
                       const char* failure_message);

    effect_host* host;
    vdk::core::logger* log;
};
