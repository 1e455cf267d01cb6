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
    return run_banded_frame(app_ms, music_s, band_layout::full_resolution,
                            [&](int first_row, int end_row, uint32_t* pixels) {
                                render_band(first_row, end_row, pixels, music_s);
                            });
}

namespace {

// One fade as it acts on a pixel: colour = colour * colour_scale + colour_add,
// alpha = alpha * alpha_scale + alpha_add. An inactive fade is (1, 0, 1, 0),
// which leaves every value as it was.
struct fade_stage {
    double colour_scale = 1;
    double colour_add = 0;
    double alpha_scale = 1;
    double alpha_add = 0;
};

// Everything about a frame that is the same for all its pixels.
struct corridor_frame {
    const vdk::core::texture_gdi* background;
    const vdk::core::texture_gdi* overlay;
    fade_stage fades[3];  // fade-in from black, flash, fade-out to white, in that order
    double row_v[screen_height];
};

corridor_frame frame_at(const vdk::core::texture_gdi& background,
                        const vdk::core::texture_gdi* overlay, int first_row, int end_row,
                        double s) {
    corridor_frame frame{&background, overlay, {}, {}};
    if (s < 151) {  // black at 150 s
        const double k = 151 - s;
        frame.fades[0] = {1 - k, 0, 1 - k, k};
    }
    if (151 <= s && s < 151.5) {  // white at 151 s, clear at 151.5 s
        const double k = (151.5 - s) * 2;
        frame.fades[1] = {1 - k, k, 1 - k, k};
    }
    if (s > 160) {  // white at 162 s
        const double k = (2 - (162 - s)) * 0.5;
        frame.fades[2] = {1 - k, k, 1 - k, k};
    }
    for (int y = first_row; y < end_row; ++y) frame.row_v[y] = y / 240.0;
    return frame;
}

template <bool with_overlay>
void draw_corridor(const corridor_frame& frame, int first_row, int end_row, uint32_t pixels[]) {
    for (int x = 0; x < screen_width; ++x) {
        const double tu = x / 320.0;
        for (int y = first_row; y < end_row; ++y) {
            const double tv = frame.row_v[y];
            const uint32_t b = frame.background->sample(tu, tv);
            double r = ((b >> 16) & 0xFFu) / byte_scale;
            double g = ((b >> 8) & 0xFFu) / byte_scale;
            double bl = (b & 0xFFu) / byte_scale;
            double a = (b >> 24) / byte_scale;
            if (with_overlay) {
                const uint32_t m = frame.overlay->sample(tu, tv);
                const double o = (m >> 24) / byte_scale;
                // The overlay's colour is weighted by its alpha twice.
                r = r * (1 - o) + ((m >> 16) & 0xFFu) / byte_scale * o * o;
                g = g * (1 - o) + ((m >> 8) & 0xFFu) / byte_scale * o * o;
                bl = bl * (1 - o) + (m & 0xFFu) / byte_scale * o * o;
                a = 1;
            }
            for (const fade_stage& fade : frame.fades) {
                r = r * fade.colour_scale + fade.colour_add;
                g = g * fade.colour_scale + fade.colour_add;
                bl = bl * fade.colour_scale + fade.colour_add;
                a = a * fade.alpha_scale + fade.alpha_add;
            }
            pixels[y * screen_width + x] = 0xFF000000u + color_byte(r * a) * 65536u +
                                           color_byte(g * a) * 256u + color_byte(bl * a);
        }
    }
}

}  // namespace

void effect_chernobil::render_band(int first_row, int end_row, uint32_t pixels[],
                                   double s) const {
    const int lyric = lyric_at(s);
    const vdk::core::texture_gdi* overlay = lyric < 0 ? nullptr : &tex_lyrics[lyric];
    const corridor_frame frame = frame_at(tex_background, overlay, first_row, end_row, s);
    if (overlay != nullptr) {
        draw_corridor<true>(frame, first_row, end_row, pixels);
    } else {
        draw_corridor<false>(frame, first_row, end_row, pixels);
    }
}
