#pragma once
// Corridor with timed lyric overlays (150-162 s): a still picture of a corridor
// with lyric pictures laid over it for fixed stretches of the music. Fades in
// from black over 150-151 s, flashes white at 151 s and clears by 151.5 s,
// fades out to white over 160-162 s. Full resolution; the picture depends on
// the music position only (the clock runs, offset 0, divisor 1000, unused).

#include "core/texture.h"
#include "effects/base_effect.h"

class effect_chernobil : public base_effect {
public:
    static constexpr int lyric_count = 11;
    // Index into tex_lyrics of the overlay shown at music position s, or -1.
    // Each stretch is open below and closed above: (151.6, 152.4] shows the
    // first picture.
    static int lyric_at(double music_s);

    using base_effect::base_effect;

    bool init() override;
    int run(float app_ms, double music_s) override;
    void advance(float app_ms, double music_s) override;
    void render_band(int first_row, int end_row, uint32_t pixels[], double music_s) const;

    vdk::core::texture_gdi tex_background;
    // lyrics-01 .. 07, then 11 .. 14, which are loaded but never shown.
    vdk::core::texture_gdi tex_lyrics[lyric_count];
    double local_time = 0.0;
    float start_time = -1.0f;
};
