// The generated data folder: every picture the effects load exists as an
// 8-bit RGBA PNG of the right size and suits what its effect reads from it;
// the whole show sets itself up on it; the track decodes, has the right
// length and lands its accents and silences on the timeline; and the
// generator writes the same bytes on every run. Also the generator's noise
// and synthesizer building blocks, which the pictures and the track rest on.

#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/my_app.h"
#include "core/audio_output.h"
#include "core/texture.h"
#include "core/window_headless.h"
#include "support/test_support.h"
#include "tools/assets/dsp.h"
#include "tools/assets/noise.h"

namespace fs = std::filesystem;

namespace {

// How an effect uses a picture, and so what the picture must be like.
enum class kind {
    scene,     // 320 × 240, seen whole: fully opaque
    overlay,   // 320 × 240, text or shapes on full transparency
    matte,     // 320 × 240, opaque white shape on black
    texture,   // square, repeating, fully opaque
    streaks,   // square, repeating, faint alpha
};

struct picture {
    const char* path;  // under _glimmerock/
    kind use;
};

// Every file of every effect's picture table.
const std::vector<picture>& all_pictures() {
    static const std::vector<picture> list = {
        {"title/title320_tlo.png", kind::scene},
        {"title/title320.png", kind::scene},
        {"credits/credit-fennickone320_tlo.png", kind::scene},
        {"credits/credit-fennickone320_txt.png", kind::overlay},
        {"credits/credit-fennickone320_mask.png", kind::matte},
        {"credits/credit-drumelo320_tlo.png", kind::scene},
        {"credits/credit-drumelo320_txt.png", kind::overlay},
        {"credits/credit-quintaz320_tlo.png", kind::scene},
        {"credits/credit-quintaz320_txt.png", kind::overlay},
        {"credits/credit-pello320_tlo.png", kind::scene},
        {"credits/credit-pello320_txt.png", kind::overlay},
        {"credits/credit-pello320_mask.png", kind::matte},
        {"greets/greets-orvilane320.png", kind::overlay},
        {"greets/greets-thessmoor320.png", kind::overlay},
        {"greets/greets-quillon320.png", kind::overlay},
        {"greets/greets-dorrow320.png", kind::overlay},
        {"greets/greets-pallimer320.png", kind::overlay},
        {"greets/greets-krenn320.png", kind::overlay},
        {"textures/rust.png", kind::texture},
        {"textures/bloodskin.png", kind::texture},
        {"textures/cryptic.png", kind::texture},
        {"textures/tex3.png", kind::texture},
        {"textures/BWST_1.png", kind::texture},
        {"textures/BWST_9.png", kind::streaks},
        {"textures/gatonoise.png", kind::texture},
        {"2d/corridor.png", kind::scene},
        {"2d/industrial.png", kind::scene},
        {"2d/opening1.png", kind::scene},
        {"2d/still_01.png", kind::scene},
        {"2d/broad4.png", kind::scene},
        {"overlays/v_g_overlay4_320.png", kind::overlay},
        {"overlays/v_g_overlay4_320_mask.png", kind::matte},
        {"lyrics/lyrics-01.png", kind::overlay},
        {"lyrics/lyrics-02.png", kind::overlay},
        {"lyrics/lyrics-03.png", kind::overlay},
        {"lyrics/lyrics-04.png", kind::overlay},
        {"lyrics/lyrics-05.png", kind::overlay},
        {"lyrics/lyrics-06.png", kind::overlay},
        {"lyrics/lyrics-07.png", kind::overlay},
        {"lyrics/lyrics-11.png", kind::overlay},
        {"lyrics/lyrics-12.png", kind::overlay},
        {"lyrics/lyrics-13.png", kind::overlay},
        {"lyrics/lyrics-14.png", kind::overlay},
        {"endscreen/v_g_bkg_Endscreen320_tlo.png", kind::scene},
        {"endscreen/v_g_bkg_Endscreen320_clip3.png", kind::overlay},
    };
    return list;
}

fs::path picture_path(const std::string& relative) {
    return vdk::test::show_data_dir() / "_glimmerock" / relative;
}

// A picture as the show loads it: 0xAARRGGBB pixels, top row first.
struct loaded {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;

    uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    static int alpha(uint32_t p) { return static_cast<int>(p >> 24); }
    static int red(uint32_t p) { return static_cast<int>((p >> 16) & 0xff); }
    static int green(uint32_t p) { return static_cast<int>((p >> 8) & 0xff); }
    static int blue(uint32_t p) { return static_cast<int>(p & 0xff); }
};

bool load(const std::string& relative, loaded& out) {
    vdk::core::texture_gdi texture;
    if (texture.load_png(picture_path(relative).string()) != 0) return false;
    out.width = texture.width();
    out.height = texture.height();
    const uint32_t* p = static_cast<const uint32_t*>(texture.lock());
    if (p == nullptr) return false;
    out.pixels.assign(p, p + static_cast<size_t>(out.width) * out.height);
    texture.unlock();
    return true;
}

// The PNG header's bit depth and colour type.
bool png_format(const fs::path& path, int& bit_depth, int& colour_type) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file) return false;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    volatile bool ok = false;  // read after a possible long jump
    if (setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, file.get());
        png_read_info(png, info);
        bit_depth = png_get_bit_depth(png, info);
        colour_type = png_get_color_type(png, info);
        ok = true;
    }
    png_destroy_read_struct(&png, &info, nullptr);
    return ok;
}

#define NEEDS_SHOW_DATA() \
    if (!vdk::test::show_data_available()) GTEST_SKIP() << "needs the generated data folder"

double mean_of(const std::vector<double>& v) {
    double s = 0;
    for (double x : v) s += x;
    return v.empty() ? 0 : s / v.size();
}

double deviation_of(const std::vector<double>& v) {
    const double m = mean_of(v);
    double s = 0;
    for (double x : v) s += (x - m) * (x - m);
    return v.empty() ? 0 : std::sqrt(s / v.size());
}

}  // namespace

// ---------------------------------------------------------------------------
// The pictures

TEST(generated_pictures, every_file_is_an_8_bit_rgba_png_of_its_size) {
    NEEDS_SHOW_DATA();
    EXPECT_EQ(all_pictures().size(), 45u);
    for (const picture& p : all_pictures()) {
        SCOPED_TRACE(p.path);
        int depth = 0, colour = 0;
        ASSERT_TRUE(png_format(picture_path(p.path), depth, colour));
        EXPECT_EQ(depth, 8);
        EXPECT_EQ(colour, PNG_COLOR_TYPE_RGB_ALPHA);
        loaded pic;
        ASSERT_TRUE(load(p.path, pic));
        if (p.use == kind::texture || p.use == kind::streaks) {
            EXPECT_EQ(pic.width, pic.height);
            EXPECT_TRUE(pic.width == 256 || pic.width == 512) << pic.width;
        } else {
            EXPECT_EQ(pic.width, 320);
            EXPECT_EQ(pic.height, 240);
        }
    }
}

TEST(generated_pictures, the_folder_holds_nothing_else) {
    NEEDS_SHOW_DATA();
    size_t files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(vdk::test::show_data_dir() / "_glimmerock"))
        if (entry.is_regular_file()) ++files;
    EXPECT_EQ(files, all_pictures().size());
}

TEST(generated_pictures, seen_whole_pictures_and_textures_are_opaque) {
    NEEDS_SHOW_DATA();
    for (const picture& p : all_pictures()) {
        if (p.use != kind::scene && p.use != kind::texture && p.use != kind::matte) continue;
        SCOPED_TRACE(p.path);
        loaded pic;
        ASSERT_TRUE(load(p.path, pic));
        const auto translucent = std::count_if(pic.pixels.begin(), pic.pixels.end(),
                                               [](uint32_t px) { return loaded::alpha(px) != 255; });
        EXPECT_EQ(translucent, 0);
    }
}

// Names, greetings, lyrics and the end screen are weighted by their alpha:
// they need empty space around opaque letters.
TEST(generated_pictures, overlays_are_shapes_on_full_transparency) {
    NEEDS_SHOW_DATA();
    for (const picture& p : all_pictures()) {
        if (p.use != kind::overlay) continue;
        SCOPED_TRACE(p.path);
        loaded pic;
        ASSERT_TRUE(load(p.path, pic));
        size_t clear = 0, solid = 0;
        for (uint32_t px : pic.pixels) {
            clear += loaded::alpha(px) == 0;
            solid += loaded::alpha(px) >= 250;
        }
        EXPECT_GT(clear, pic.pixels.size() / 3) << "mostly transparent";
        EXPECT_GT(solid, 300u) << "with solid letters or shapes";
        EXPECT_EQ(loaded::alpha(pic.at(0, 0)), 0);
        EXPECT_EQ(loaded::alpha(pic.at(319, 239)), 0);
    }
}

// The credit intros turn the name picture by up to 12 degrees about its
// centre and the sampler wraps, so anything near an edge would reappear at
// the opposite one.
TEST(generated_pictures, credit_names_keep_clear_of_the_edges) {
    NEEDS_SHOW_DATA();
    for (const char* name : {"credits/credit-fennickone320_txt.png", "credits/credit-drumelo320_txt.png",
                             "credits/credit-quintaz320_txt.png", "credits/credit-pello320_txt.png"}) {
        SCOPED_TRACE(name);
        loaded pic;
        ASSERT_TRUE(load(name, pic));
        for (int y = 0; y < 240; ++y) {
            for (int x = 0; x < 320; ++x) {
                const bool margin = x < 24 || x >= 296 || y < 36 || y >= 204;
                if (margin && loaded::alpha(pic.at(x, y)) != 0) {
                    ADD_FAILURE() << "visible pixel at " << x << ", " << y;
                    return;
                }
            }
        }
    }
}

// The title and credit ripples shift by the noise's green channel; a flat
// green would not ripple at all.
TEST(generated_pictures, ripple_noise_varies_strongly_in_green) {
    NEEDS_SHOW_DATA();
    for (const char* name : {"textures/BWST_1.png", "textures/gatonoise.png"}) {
        SCOPED_TRACE(name);
        loaded pic;
        ASSERT_TRUE(load(name, pic));
        std::vector<double> green;
        for (uint32_t px : pic.pixels) green.push_back(loaded::green(px));
        EXPECT_GT(deviation_of(green), 45.0);
        EXPECT_LT(*std::min_element(green.begin(), green.end()), 30.0);
        EXPECT_GT(*std::max_element(green.begin(), green.end()), 225.0);
    }
}

// The sampler wraps: the step across the seam (last column to first, last row
// to first) must look like any other step between neighbours.
TEST(generated_pictures, textures_tile_without_a_seam) {
    NEEDS_SHOW_DATA();
    for (const picture& p : all_pictures()) {
        if (p.use != kind::texture && p.use != kind::streaks) continue;
        SCOPED_TRACE(p.path);
        loaded pic;
        ASSERT_TRUE(load(p.path, pic));
        const int n = pic.width;
        auto step = [&](int x0, int y0, int x1, int y1) {
            const uint32_t a = pic.at(x0, y0), b = pic.at(x1, y1);
            return std::abs(loaded::red(a) - loaded::red(b)) + std::abs(loaded::green(a) - loaded::green(b)) +
                   std::abs(loaded::blue(a) - loaded::blue(b));
        };
        double seam = 0, inner = 0;
        for (int k = 0; k < n; ++k) {
            seam += step(n - 1, k, 0, k) + step(k, n - 1, k, 0);
            inner += step(n / 2 - 1, k, n / 2, k) + step(k, n / 2 - 1, k, n / 2);
        }
        EXPECT_LT(seam, 2.0 * inner + 4.0 * n) << "seam " << seam << ", interior " << inner;
    }
}

// The torus of the still picture adds the rust colour only where its red is
// not 0.
TEST(generated_pictures, rust_has_red_everywhere) {
    NEEDS_SHOW_DATA();
    loaded pic;
    ASSERT_TRUE(load("textures/rust.png", pic));
    EXPECT_EQ(std::count_if(pic.pixels.begin(), pic.pixels.end(),
                            [](uint32_t px) { return loaded::red(px) == 0; }),
              0);
}

// The swirling tunnel shows where its stencil is white and opaque and is black
// where the stencil is black.
TEST(generated_pictures, the_stencil_has_white_openings_in_black) {
    NEEDS_SHOW_DATA();
    loaded pic;
    ASSERT_TRUE(load("overlays/v_g_overlay4_320_mask.png", pic));
    size_t white = 0, black = 0;
    for (uint32_t px : pic.pixels) {
        if ((px & 0xffffffu) == 0xffffffu && loaded::alpha(px) == 255) ++white;
        if ((px & 0xffffffu) == 0) ++black;
    }
    EXPECT_GT(white, pic.pixels.size() / 8);
    EXPECT_GT(black, pic.pixels.size() / 5);
    EXPECT_EQ(pic.at(0, 0) & 0xffffffu, 0u) << "the corners are closed";
}

// The cell pattern reads only the corridor's top-left corner as its tint:
// about columns 0 to 2 in its first run and columns 15 to 30, rows 11 to 22
// in its second. Each region must be flat, or the tint would flicker.
TEST(generated_pictures, the_corridor_corner_gives_two_steady_tints) {
    NEEDS_SHOW_DATA();
    loaded pic;
    ASSERT_TRUE(load("2d/corridor.png", pic));
    auto flat = [&](int x0, int x1, int y0, int y1, int tolerance) {
        int lo[3] = {255, 255, 255}, hi[3] = {0, 0, 0};
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) {
                const uint32_t p = pic.at(x, y);
                const int c[3] = {loaded::red(p), loaded::green(p), loaded::blue(p)};
                for (int k = 0; k < 3; ++k) {
                    lo[k] = std::min(lo[k], c[k]);
                    hi[k] = std::max(hi[k], c[k]);
                }
            }
        for (int k = 0; k < 3; ++k)
            if (hi[k] - lo[k] > tolerance) return false;
        return true;
    };
    EXPECT_TRUE(flat(0, 3, 0, 3, 4));
    EXPECT_TRUE(flat(14, 32, 10, 24, 6));
    EXPECT_NE(pic.at(1, 1) & 0xffffffu, pic.at(22, 16) & 0xffffffu) << "two different tints";
}

// The stripes scene reads the striped picture through red: rows must differ
// strongly in red.
TEST(generated_pictures, the_stripe_picture_is_striped_in_red) {
    NEEDS_SHOW_DATA();
    loaded pic;
    ASSERT_TRUE(load("2d/broad4.png", pic));
    std::vector<double> row_red;
    for (int y = 0; y < 240; ++y) {
        double sum = 0;
        for (int x = 0; x < 80; ++x) sum += loaded::red(pic.at(x, y));
        row_red.push_back(sum / 80);
    }
    EXPECT_GT(deviation_of(row_red), 50.0);
}

// The iris lays the opening picture's top-left pixel as a flat colour over
// everything outside its circle; a bright one would wash the scene out.
TEST(generated_pictures, the_opening_picture_has_a_dark_corner) {
    NEEDS_SHOW_DATA();
    loaded pic;
    ASSERT_TRUE(load("2d/opening1.png", pic));
    const uint32_t p = pic.at(0, 0);
    EXPECT_LT(loaded::red(p) + loaded::green(p) + loaded::blue(p), 120);
}

// A mix-up in the generator's list (two paths written from one design)
// would go unnoticed by every per-file check.
TEST(generated_pictures, no_two_files_are_the_same_picture) {
    NEEDS_SHOW_DATA();
    std::vector<std::string> contents;
    for (const picture& p : all_pictures()) contents.push_back(vdk::test::read_file(picture_path(p.path)));
    for (size_t i = 0; i < contents.size(); ++i)
        for (size_t j = i + 1; j < contents.size(); ++j)
            EXPECT_NE(contents[i], contents[j]) << all_pictures()[i].path << " and " << all_pictures()[j].path;
}

// The title only ever shows its pictures through two dim light spots (at
// most 255/256 of their brightness, mostly far less): dark pictures would
// stay invisible.
TEST(generated_pictures, title_pictures_are_bright) {
    NEEDS_SHOW_DATA();
    for (const char* name : {"title/title320_tlo.png", "title/title320.png"}) {
        SCOPED_TRACE(name);
        loaded pic;
        ASSERT_TRUE(load(name, pic));
        size_t bright = 0;
        for (uint32_t px : pic.pixels)
            bright += std::max({loaded::red(px), loaded::green(px), loaded::blue(px)}) >= 200;
        EXPECT_GT(bright, pic.pixels.size() / 50);
    }
}

// The credit and end backgrounds are shown enlarged about their centre and
// rippled: the centre must carry detail, not a flat colour.
TEST(generated_pictures, zoomed_backgrounds_have_detail_in_the_centre) {
    NEEDS_SHOW_DATA();
    for (const char* name : {"credits/credit-fennickone320_tlo.png", "credits/credit-drumelo320_tlo.png",
                             "credits/credit-quintaz320_tlo.png", "credits/credit-pello320_tlo.png",
                             "endscreen/v_g_bkg_Endscreen320_tlo.png"}) {
        SCOPED_TRACE(name);
        loaded pic;
        ASSERT_TRUE(load(name, pic));
        std::vector<double> luma;
        for (int y = 50; y < 190; ++y)
            for (int x = 70; x < 250; ++x) {
                const uint32_t p = pic.at(x, y);
                luma.push_back(0.3 * loaded::red(p) + 0.59 * loaded::green(p) + 0.11 * loaded::blue(p));
            }
        EXPECT_GT(deviation_of(luma), 8.0);
    }
}

// The glow layer subtracts the streak picture's alpha from its brightness:
// a strong alpha would turn the glow negative everywhere but its centre. The
// scrolling ground reads its red, which must vary.
TEST(generated_pictures, the_streak_picture_has_faint_alpha_and_varied_red) {
    NEEDS_SHOW_DATA();
    loaded pic;
    ASSERT_TRUE(load("textures/BWST_9.png", pic));
    std::vector<double> red;
    int max_alpha = 0;
    for (uint32_t px : pic.pixels) {
        red.push_back(loaded::red(px));
        max_alpha = std::max(max_alpha, loaded::alpha(px));
    }
    EXPECT_LE(max_alpha, 40);
    EXPECT_GT(max_alpha, 0);
    EXPECT_GT(deviation_of(red), 30.0);
}

TEST(generated_pictures, textures_are_not_flat) {
    NEEDS_SHOW_DATA();
    for (const picture& p : all_pictures()) {
        if (p.use != kind::texture) continue;
        SCOPED_TRACE(p.path);
        loaded pic;
        ASSERT_TRUE(load(p.path, pic));
        std::vector<double> luma;
        for (uint32_t px : pic.pixels) luma.push_back(loaded::red(px) + loaded::green(px) + loaded::blue(px));
        EXPECT_GT(deviation_of(luma), 30.0);
    }
}

TEST(generated_pictures, every_effect_sets_itself_up_on_the_folder) {
    NEEDS_SHOW_DATA();
    vdk::test::scoped_work_dir dir(true);
    {
        my_app app(std::make_unique<vdk::core::headless_window>(),
                   std::make_unique<vdk::core::scripted_output>());
        EXPECT_EQ(app.create(show_title, 320, 240), 0);
        EXPECT_TRUE(app.music_loaded);
    }
    const std::string log = vdk::test::read_file("app.log");
    EXPECT_EQ(log.find("failed to initialize itself"), std::string::npos) << log;
}

// ---------------------------------------------------------------------------
// The track

namespace {

class generated_track : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!vdk::test::show_data_available()) return;
        track_ = new vdk::core::decoded_track;
        if (!vdk::core::decode_mp3((vdk::test::show_data_dir() / "music" / "KR_VAULT-X2.mp3").string(),
                                   true, *track_)) {
            delete track_;
            track_ = nullptr;
        }
    }
    static void TearDownTestSuite() {
        delete track_;
        track_ = nullptr;
    }
    void SetUp() override {
        NEEDS_SHOW_DATA();
        ASSERT_NE(track_, nullptr) << "the track does not decode";
    }

    // Root mean square of both channels over [t0, t1), full scale 1.
    static double rms(double t0, double t1) {
        const int64_t f0 = std::max<int64_t>(0, static_cast<int64_t>(t0 * track_->rate));
        const int64_t f1 = std::min<int64_t>(track_->frames, static_cast<int64_t>(t1 * track_->rate));
        double sum = 0;
        for (int64_t f = f0; f < f1; ++f)
            for (int c = 0; c < 2; ++c) {
                const double v = track_->samples[static_cast<size_t>(f * 2 + c)] / 32768.0;
                sum += v * v;
            }
        return f1 > f0 ? std::sqrt(sum / (2.0 * static_cast<double>(f1 - f0))) : 0.0;
    }

    static vdk::core::decoded_track* track_;
};

vdk::core::decoded_track* generated_track::track_ = nullptr;

}  // namespace

TEST_F(generated_track, is_stereo_44100_and_plays_past_the_end_of_the_show) {
    EXPECT_EQ(track_->rate, 44100);
    EXPECT_EQ(track_->channels, 2);
    EXPECT_GE(track_->seconds(), 299.0);
    EXPECT_LE(track_->seconds(), 305.0);
    EXPECT_GT(rms(296.0, 297.5), 0.003) << "still audible when the show closes at 298 s";
}

TEST_F(generated_track, fades_out_at_the_end) {
    EXPECT_LT(rms(298.5, 299.5), 0.4 * rms(270.0, 285.0));
    EXPECT_LT(rms(299.7, 300.0), 0.01);
}

TEST_F(generated_track, starts_quietly_and_rises_under_the_title) {
    EXPECT_LT(rms(0.0, 2.0), rms(20.0, 24.0));
    EXPECT_LT(rms(5.0, 15.0), rms(30.0, 40.0)) << "the drums enter with the credits";
}

// Every credit tilt, every greeting and the corridor's white flash gets a hit:
// the sound just after the moment is much louder than just before it.
TEST_F(generated_track, energy_rises_at_every_accent) {
    const double accents[] = {26.0, 26.9, 27.7, 29.9, 30.8,  31.6,  33.7, 34.6, 35.4,
                              37.3, 38.1, 39.2, 92.0, 95.4,  99.0,  102.4, 105.6, 151.0};
    for (double t : accents) {
        const double before = rms(t - 0.12, t - 0.02), after = rms(t, t + 0.1);
        EXPECT_GT(after, 1.8 * before) << "at " << t << " s: " << before << " -> " << after;
    }
}

// Where the cell pattern falls to black the music falls silent with it.
TEST_F(generated_track, falls_silent_where_the_picture_goes_black) {
    for (double t : {220.0, 234.0}) {
        EXPECT_LT(rms(t - 0.05, t + 0.05), 0.01) << "at " << t << " s";
        EXPECT_GT(rms(t - 1.5, t - 1.0), 0.05) << "loud again away from " << t << " s";
    }
    EXPECT_LT(rms(149.95, 150.05), 0.01) << "the corridor rises from silence";
}

// Every scene boundary is audible: the level in the 0.3 s after a boundary
// differs from the 0.3 s before it, or a hit lands on it.
TEST_F(generated_track, scene_boundaries_are_audible) {
    const double boundaries[] = {25, 29, 33, 37, 40.5, 55, 70, 85, 91, 107, 121, 150, 162,
                                 177, 184, 192, 199, 206, 213, 236, 251, 265.5};
    for (double t : boundaries) {
        const double before = rms(t - 0.3, t), after = rms(t, t + 0.3);
        const double peak_after = rms(t, t + 0.05);
        EXPECT_TRUE(std::fabs(std::log((after + 1e-6) / (before + 1e-6))) > 0.15 || peak_after > 1.3 * before)
            << "at " << t << " s: " << before << " -> " << after;
    }
}

// The sung lines sit inside the corridor's lyric windows: each window holds
// more sound in the voice's range than the moment just before the first line.
TEST_F(generated_track, every_lyric_window_is_sung) {
    const double windows[][2] = {{151.6, 152.4}, {153.3, 154.3}, {154.7, 155.2}, {155.5, 156.0},
                                 {156.0, 156.5}, {157.0, 157.5}, {157.7, 158.5}};
    const double gap = rms(151.25, 151.55);
    for (const auto& w : windows) EXPECT_GT(rms(w[0], w[1]), 1.15 * gap) << "at " << w[0] << " s";
}

TEST_F(generated_track, never_clips) {
    int peak = 0;
    size_t at_full_scale = 0;
    for (int16_t v : track_->samples) {
        peak = std::max(peak, std::abs(static_cast<int>(v)));
        at_full_scale += std::abs(static_cast<int>(v)) >= 32767;
    }
    EXPECT_LT(at_full_scale, 10u);
    EXPECT_GT(peak, 16000) << "and is not too quiet either";
}

// ---------------------------------------------------------------------------
// Determinism: a second run of the generator writes the same bytes as the run
// that made the data folder.

TEST(generator, writes_identical_bytes_on_every_run) {
    NEEDS_SHOW_DATA();
    const fs::path generator = fs::path(VDK_SHOW_DIR).parent_path() / "veldrakin-assets";
    if (!fs::exists(generator)) GTEST_SKIP() << "no generator at " << generator;
    vdk::test::scoped_work_dir dir;
    const std::string command = generator.string() + " second > generator.log 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << vdk::test::read_file("generator.log");
    const fs::path first = vdk::test::show_data_dir();
    size_t compared = 0;
    for (const auto& entry : fs::recursive_directory_iterator("second")) {
        if (!entry.is_regular_file()) continue;
        const fs::path relative = fs::relative(entry.path(), "second");
        SCOPED_TRACE(relative.string());
        const std::string a = vdk::test::read_file(first / relative);
        const std::string b = vdk::test::read_file(entry.path());
        EXPECT_EQ(a.size(), b.size());
        EXPECT_TRUE(a == b);
        ++compared;
    }
    EXPECT_EQ(compared, all_pictures().size() + 1);
}

// A mistyped option must not be taken for the output folder.
TEST(generator, rejects_unknown_options) {
    const fs::path generator = fs::path(VDK_SHOW_DIR).parent_path() / "veldrakin-assets";
    if (!fs::exists(generator)) GTEST_SKIP() << "no generator at " << generator;
    vdk::test::scoped_work_dir dir;
    const std::string command = generator.string() + " --nomusic out > generator.log 2>&1";
    EXPECT_NE(std::system(command.c_str()), 0);
    EXPECT_NE(vdk::test::read_file("generator.log").find("usage"), std::string::npos);
    EXPECT_FALSE(fs::exists("out"));
}

// ---------------------------------------------------------------------------
// Noise: periodic, bounded, the same for the same arguments.

TEST(asset_noise, every_function_repeats_with_its_period) {
    using namespace assets::noise;
    for (double x : {0.1, 1.7, 3.99}) {
        for (double y : {0.25, 2.5}) {
            EXPECT_DOUBLE_EQ(value(x, y, 4, 4, 7), value(x + 4, y + 8, 4, 4, 7));
            EXPECT_NEAR(gradient(x, y, 4, 2, 7), gradient(x - 4, y + 2, 4, 2, 7), 1e-12);
            EXPECT_NEAR(fbm(x, y, 4, 4, 5, 7), fbm(x + 4, y - 4, 4, 4, 5, 7), 1e-12);
            EXPECT_NEAR(ridged(x, y, 4, 4, 3, 7), ridged(x + 8, y, 4, 4, 3, 7), 1e-12);
            const cells a = cellular(x, y, 4, 4, 7), b = cellular(x + 4, y + 4, 4, 4, 7);
            EXPECT_NEAR(a.f1, b.f1, 1e-12);
            EXPECT_NEAR(a.f2, b.f2, 1e-12);
            EXPECT_EQ(a.id, b.id);
        }
    }
}

TEST(asset_noise, values_stay_in_range_and_vary) {
    using namespace assets::noise;
    double lo = 1e9, hi = -1e9;
    for (int i = 0; i < 400; ++i) {
        const double x = i * 0.0731, y = i * 0.0413;
        const double v = value(x, y, 8, 8, 3);
        EXPECT_GE(v, 0.0);
        EXPECT_LT(v, 1.0);
        const double g = gradient(x, y, 8, 8, 3);
        EXPECT_LE(std::fabs(g), 1.0 + 1e-9);
        lo = std::min(lo, g);
        hi = std::max(hi, g);
        const double r = ridged(x, y, 8, 8, 4, 3);
        EXPECT_GE(r, 0.0);
        EXPECT_LE(r, 1.0);
        const cells c = cellular(x, y, 8, 8, 3);
        EXPECT_LE(c.f1, c.f2);
        EXPECT_LE(c.f1, 1.5);
    }
    EXPECT_LT(lo, -0.3);
    EXPECT_GT(hi, 0.3);
}

TEST(asset_noise, lattice_points_are_zero_for_gradient_noise_and_seeds_differ) {
    using namespace assets::noise;
    EXPECT_DOUBLE_EQ(gradient(2.0, 3.0, 8, 8, 1), 0.0);
    EXPECT_NE(hash(1, 2, 3), hash(2, 1, 3));
    EXPECT_NE(hash(1, 2, 3), hash(1, 2, 4));
    EXPECT_EQ(hash(5, 6, 7), hash(5, 6, 7));
    EXPECT_EQ(wrap(-1, 4), 3);
    EXPECT_EQ(wrap(4, 4), 0);
}

// ---------------------------------------------------------------------------
// Synthesizer blocks

namespace {

// Gain of a filter at a frequency: RMS of the output over RMS of the input
// for a sine, after the filter has settled.
template <typename F>
double gain_at(double hz, F filter) {
    assets::dsp::oscillator o;
    o.set_frequency(hz);
    double in = 0, out = 0;
    for (int i = 0; i < assets::dsp::rate; ++i) {
        const double x = o.sine();
        o.advance();
        const double y = filter(x);
        if (i > assets::dsp::rate / 2) {
            in += x * x;
            out += y * y;
        }
    }
    return std::sqrt(out / in);
}

}  // namespace

TEST(asset_synth, state_variable_filter_passes_and_stops_where_it_should) {
    using namespace assets::dsp;
    auto low = [](double hz) {
        svf f;
        f.set(500, 0.2);
        return gain_at(hz, [&](double x) { f.step(x); return f.low; });
    };
    auto high = [](double hz) {
        svf f;
        f.set(500, 0.2);
        return gain_at(hz, [&](double x) { f.step(x); return f.high; });
    };
    EXPECT_NEAR(low(60), 1.0, 0.05);
    EXPECT_LT(low(8000), 0.01);
    EXPECT_LT(high(60), 0.02);
    EXPECT_NEAR(high(8000), 1.0, 0.05);
    svf resonant;
    resonant.set(1000, 0.9);
    EXPECT_GT(gain_at(1000, [&](double x) { resonant.step(x); return resonant.band; }), 0.9);
}

TEST(asset_synth, one_pole_halves_power_at_its_cutoff) {
    using namespace assets::dsp;
    one_pole f;
    f.set(1000);
    EXPECT_NEAR(gain_at(1000, [&](double x) { return f.low(x); }), std::sqrt(0.5), 0.05);
}

TEST(asset_synth, envelope_rises_holds_and_releases) {
    const assets::dsp::adsr env{0.1, 0.2, 0.5, 0.4};
    EXPECT_NEAR(env.at(-0.01, 1.0), 0.0, 1e-12);
    EXPECT_NEAR(env.at(0.05, 1.0), 0.5, 1e-12);
    EXPECT_NEAR(env.at(0.1, 1.0), 1.0, 1e-12);
    EXPECT_NEAR(env.at(0.2, 1.0), 0.75, 1e-12);
    EXPECT_NEAR(env.at(0.8, 1.0), 0.5, 1e-12);
    EXPECT_NEAR(env.at(1.2, 1.0), 0.25, 1e-12);
    EXPECT_NEAR(env.at(1.4, 1.0), 0.0, 1e-12);
    // Released during the attack: falls from where it was.
    EXPECT_NEAR(env.at(0.05, 0.05), 0.5, 1e-12);
    EXPECT_NEAR(env.at(0.25, 0.05), 0.25, 1e-12);
    EXPECT_DOUBLE_EQ(env.length(1.0), 1.0 + 0.4);
}

TEST(asset_synth, band_limited_oscillators_stay_bounded_and_centred) {
    using namespace assets::dsp;
    for (double hz : {55.0, 440.0, 5000.0}) {
        oscillator o;
        o.set_frequency(hz);
        double sum_saw = 0, sum_square = 0, peak = 0;
        const int n = rate;
        for (int i = 0; i < n; ++i) {
            sum_saw += o.saw();
            sum_square += o.square();
            peak = std::max({peak, std::fabs(o.saw()), std::fabs(o.square(0.3))});
            o.advance();
        }
        EXPECT_NEAR(sum_saw / n, 0.0, 0.01) << hz;
        EXPECT_NEAR(sum_square / n, 0.0, 0.01) << hz;
        EXPECT_LT(peak, 1.3) << hz;
    }
}

TEST(asset_synth, oscillator_runs_at_its_frequency) {
    assets::dsp::oscillator o;
    o.set_frequency(440);
    int rising = 0;
    double previous = o.sine();
    for (int i = 0; i < assets::dsp::rate; ++i) {
        o.advance();
        const double v = o.sine();
        rising += previous < 0 && v >= 0;
        previous = v;
    }
    EXPECT_NEAR(rising, 440, 1);
}

TEST(asset_synth, random_source_is_repeatable_and_in_range) {
    assets::dsp::random_source a(42), b(42), c(43);
    double sum = 0;
    bool differs = false;
    for (int i = 0; i < 10000; ++i) {
        const double x = a.next();
        EXPECT_EQ(x, b.next());
        differs = differs || x != c.next();
        EXPECT_GE(x, -1.0);
        EXPECT_LT(x, 1.0);
        sum += x;
    }
    EXPECT_TRUE(differs);
    EXPECT_NEAR(sum / 10000, 0.0, 0.03);
    assets::dsp::random_source zero(0);
    EXPECT_NE(zero.next_u32(), 0u) << "a zero seed must not stick at zero";
}

TEST(asset_synth, delay_line_returns_its_input_after_its_length) {
    assets::dsp::delay_line d(5);
    std::vector<double> out;
    for (int i = 0; i < 12; ++i) {
        out.push_back(d.read());
        d.write_advance(i == 0 ? 1.0 : 0.0);
    }
    for (int i = 0; i < 12; ++i) EXPECT_DOUBLE_EQ(out[static_cast<size_t>(i)], i == 5 ? 1.0 : 0.0) << i;
}

TEST(asset_synth, reverb_tail_is_wide_and_dies_away) {
    assets::dsp::reverb room(0.84, 0.3);
    double early = 0, late = 0, cross = 0;
    for (int i = 0; i < 6 * assets::dsp::rate; ++i) {
        double l, r;
        room.step(i == 0 ? 1.0 : 0.0, l, r);
        if (i < assets::dsp::rate / 2) {
            early += l * l + r * r;
            cross += l * r;
        }
        if (i > 5 * assets::dsp::rate) late += l * l + r * r;
    }
    EXPECT_GT(early, 0.0);
    EXPECT_LT(late, early * 1e-4);
    EXPECT_LT(std::fabs(cross), 0.5 * early) << "left and right differ";
}

TEST(asset_synth, pan_keeps_power_and_note_numbers_are_tuned) {
    for (double p : {-1.0, -0.3, 0.0, 0.6, 1.0}) {
        double l, r;
        assets::dsp::pan_gains(p, l, r);
        EXPECT_NEAR(l * l + r * r, 1.0, 1e-12);
    }
    double l, r;
    assets::dsp::pan_gains(-1, l, r);
    EXPECT_NEAR(r, 0.0, 1e-12);
    EXPECT_DOUBLE_EQ(assets::dsp::note_hz(69), 440.0);
    EXPECT_NEAR(assets::dsp::note_hz(57), 220.0, 1e-9);
    EXPECT_NEAR(assets::dsp::note_hz(60), 261.6255653, 1e-6);
}
