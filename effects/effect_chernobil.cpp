#include "effects/effect_chernobil.h"

namespace {

// Upper ends of the stretches; stretch n covers (bounds[n-1], bounds[n]].
struct lyric_stretch {
    double end;
    int lyric;  // -1: no overlay
};
constexpr lyric_stretch lyric_stretches[] = {
    {151.6, -1}, {152.4, 0}, {153.3, -1}, {154.3, 1}, {154.7, -1}, {155.2, 2}, {155.5, -1},
    {156.0, 3},  {156.5, 4}, {157.0, -1}, {157.5, 5}, {157.7, -1}, {158.5, 6},
};

constexpr double byte_scale = 255.0;

}  // namespace

int effect_chernobil::lyric_at(double music_s) {
    for (const lyric_stretch& stretch : lyric_stretches) {
        if (music_s <= stretch.end) return stretch.lyric;
    }
    return -1;
}

bool effect_chernobil::init() {
    return load_textures({{&tex_background, "_glimmerock/2d/corridor.png"},
                          {&tex_lyrics[0], "_glimmerock/lyrics/lyrics-01.png"},
                          {&tex_lyrics[1], "_glimmerock/lyrics/lyrics-02.png"},
                          {&tex_lyrics[2], "_glimmerock/lyrics/lyrics-03.png"},
                          {&tex_lyrics[3], "_glimmerock/lyrics/lyrics-04.png"},
                          {&tex_lyrics[4], "_glimmerock/lyrics/lyrics-05.png"},
                          {&tex_lyrics[5], "_glimmerock/lyrics/lyrics-06.png"},
                          {&tex_lyrics[6], "_glimmerock/lyrics/lyrics-07.png"},
                          {&tex_lyrics[7], "_glimmerock/lyrics/lyrics-11.png"},
                          {&tex_lyrics[8], "_glimmerock/lyrics/lyrics-12.png"},
                          {&tex_lyrics[9], "_glimmerock/lyrics/lyrics-13.png"},
                          {&tex_lyrics[10], "_glimmerock/lyrics/lyrics-14.png"}},
                         "effect_chernobil failed to initialize itself");
}

void effect_chernobil::advance(float app_ms, double) {
    local_time = advance_clock(start_time, app_ms, 0.0f, 1000.0f);
}

int effect_chernobil::run(float app_ms, double music_s) {
    advance(app_ms, music_s);
    uint32_t* pixels = back_buffer_pixels();
    if (pixels == nullptr) return 1;
    auto render = [&](int first_row, int end_row) {
        render_band(first_row, end_row, pixels, music_s);
    };
    run_bands(band_layout::full_resolution, render);
    return 1;
}

void effect_chernobil::render_band(int first_row, int end_row, uint32_t pixels[],
                                   double s) const {
    // The overlay and the fades are the same for the whole frame.
    const int lyric = lyric_at(s);
    const vdk::core::texture_gdi* overlay = lyric < 0 ? nullptr : &tex_lyrics[lyric];
    const bool fade_in = s < 151;
    const double fade_in_k = 151 - s;
    const bool flash = 151 <= s && s < 151.5;
    const double flash_k = (151.5 - s) * 2;
    const bool fade_out = s > 160;
    const double fade_out_k = (2 - (162 - s)) * 0.5;

    for (int x = 0; x < screen_width; ++x) {
        const double tu = x / 320.0;
        for (int y = first_row; y < end_row; ++y) {
            const double tv = y / 240.0;
            const uint32_t b = tex_background.sample(tu, tv);
            double r = ((b >> 16) & 0xFFu) / byte_scale;
            double g = ((b >> 8) & 0xFFu) / byte_scale;
            double bl = (b & 0xFFu) / byte_scale;
            double a = (b >> 24) / byte_scale;
            if (overlay != nullptr) {
                const uint32_t m = overlay->sample(tu, tv);
                const double o = (m >> 24) / byte_scale;
                // The overlay's colour is weighted by its alpha twice.
                r = r * (1 - o) + ((m >> 16) & 0xFFu) / byte_scale * o * o;
                g = g * (1 - o) + ((m >> 8) & 0xFFu) / byte_scale * o * o;
                bl = bl * (1 - o) + (m & 0xFFu) / byte_scale * o * o;
                a = 1;
            }
            if (fade_in) {
                const double k = fade_in_k;
                r = r * (1 - k);
                g = g * (1 - k);
                bl = bl * (1 - k);
                a = a * (1 - k) + k;
            }
            if (flash) {
                const double k = flash_k;
                r = r * (1 - k) + k;
                g = g * (1 - k) + k;
                bl = bl * (1 - k) + k;
                a = a * (1 - k) + k;
            }
            if (fade_out) {
                const double k = fade_out_k;
                r = r * (1 - k) + k;
                g = g * (1 - k) + k;
                bl = bl * (1 - k) + k;
                a = a * (1 - k) + k;
            }
            pixels[y * screen_width + x] =
                0xFF000000u + color_byte(r * a) * 65536u + color_byte(g * a) * 256u +
                color_byte(bl * a);
        }
    }
}
