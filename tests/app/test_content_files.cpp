// Every content file missing, replaced by garbage or cut short: the set-up
// stops at the first effect that needs it, with that effect's message at
// level ERROR, initialises nothing after it, and the program still ends with
// exit code 0. A bad track only costs the music.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>

#include "app/my_app.h"
#include "core/window_headless.h"
#include "support/test_support.h"

namespace fs = std::filesystem;

namespace {

// The effects in set-up order with the pictures each loads and the message
// it reports on a failure.
struct effect_files {
    const char* effect;
    std::vector<const char*> files;
    const char* message;
};

const std::vector<effect_files>& set_up_order() {
    static const std::vector<effect_files> order = {
        {"effect_intro_group",
         {"title/title320_tlo.png", "title/title320.png", "textures/BWST_1.png"},
         "Effect_Intro_Lens failed to initialize itself"},
        {"effect_intro_drumelo",
         {"credits/credit-drumelo320_tlo.png", "textures/gatonoise.png",
          "credits/credit-drumelo320_txt.png"},
         "Effect_Intro_Drumelo failed to initialize itself"},
        {"effect_intro_fennick",
         {"credits/credit-fennickone320_tlo.png", "textures/gatonoise.png",
          "credits/credit-fennickone320_mask.png", "credits/credit-fennickone320_txt.png"},
         "Effect_Intro_Fennick failed to initialize itself"},
        {"effect_intro_quintaz",
         {"credits/credit-quintaz320_tlo.png", "textures/gatonoise.png",
          "credits/credit-quintaz320_txt.png"},
         "Effect_Intro_Quintaz failed to initialize itself"},
        {"effect_intro_pello",
         {"credits/credit-pello320_tlo.png", "textures/gatonoise.png",
          "credits/credit-pello320_mask.png", "credits/credit-pello320_txt.png"},
         "Effect_Intro_Pello failed to initialize itself"},
        {"effect_opening_1", {"textures/BWST_1.png"}, "effect_opening_1 failed to initialize itself"},
        {"effect_opening_2", {"2d/corridor.png", "textures/BWST_1.png"},
         "Effect_Intro_Pello failed to initialize itself"},
        {"effect_opening_3", {"2d/opening1.png", "textures/BWST_9.png", "2d/industrial.png"},
         "Effect_Intro_Pello failed to initialize itself"},
        {"effect_tunnel",
         {"textures/bloodskin.png", "greets/greets-orvilane320.png",
          "greets/greets-thessmoor320.png", "greets/greets-quillon320.png",
          "greets/greets-dorrow320.png", "greets/greets-pallimer320.png"},
         "effect_tunnel failed to initialize itself"},
        {"effect_tunnel2", {"textures/cryptic.png"}, "effect_tunnel2 failed to initialize itself"},
        {"effect_tunnel3",
         {"textures/rust.png", "overlays/v_g_overlay4_320.png", "overlays/v_g_overlay4_320_mask.png"},
         "effect_tunnel2 failed to initialize itself"},
        {"effect_scroller", {"textures/BWST_9.png", "greets/greets-krenn320.png", "2d/broad4.png"},
         "effect_tunnel failed to initialize itself"},
        {"effect_still_01", {"2d/still_01.png", "textures/rust.png"},
         "effect_chernobil failed to initialize itself"},
        {"effect_still_02", {"2d/broad4.png", "textures/rust.png"},
         "effect_chernobil failed to initialize itself"},
        {"effect_chernobil",
         {"2d/corridor.png", "lyrics/lyrics-01.png", "lyrics/lyrics-02.png", "lyrics/lyrics-03.png",
          "lyrics/lyrics-04.png", "lyrics/lyrics-05.png", "lyrics/lyrics-06.png",
          "lyrics/lyrics-07.png", "lyrics/lyrics-11.png", "lyrics/lyrics-12.png",
          "lyrics/lyrics-13.png", "lyrics/lyrics-14.png"},
         "effect_chernobil failed to initialize itself"},
        {"effect_blobs1", {"textures/rust.png", "textures/BWST_1.png", "textures/bloodskin.png"},
         "effect_tunnel2 failed to initialize itself"},
        {"effect_blobs2", {"textures/rust.png", "textures/tex3.png"},
         "effect_tunnel2 failed to initialize itself"},
        {"effect_outtro_picture",
         {"endscreen/v_g_bkg_Endscreen320_tlo.png", "textures/gatonoise.png",
          "endscreen/v_g_bkg_Endscreen320_clip3.png"},
         "Effect_Intro_Pello failed to initialize itself"},
    };
    return order;
}

std::vector<std::string> every_picture() {
    std::set<std::string> files;
    for (const effect_files& effect : set_up_order())
        for (const char* file : effect.files) files.insert(file);
    return {files.begin(), files.end()};
}

// The message of the first effect in set-up order that loads a file.
const char* first_failure_for(const std::string& file) {
    for (const effect_files& effect : set_up_order())
        for (const char* f : effect.files)
            if (file == f) return effect.message;
    return nullptr;
}

enum class damage { removed, garbage, truncated };

// A working directory whose data links every generated file, but one damaged.
struct damaged_data {
    vdk::test::scoped_work_dir dir;

    damaged_data(const std::string& damaged_file, damage kind) {
        const fs::path source = vdk::test::show_data_dir();
        std::vector<fs::path> files;
        for (const char* folder : {"music", "_glimmerock"})
            for (const auto& entry : fs::recursive_directory_iterator(source / folder))
                if (entry.is_regular_file()) files.push_back(entry.path());
        for (const fs::path& file : files) {
            const fs::path relative = fs::relative(file, source);
            fs::create_directories(relative.parent_path());
            if (relative.generic_string() != damaged_file) {
                vdk::test::link_file(file, relative);
                continue;
            }
            if (kind == damage::garbage) {
                std::ofstream(relative, std::ios::binary) << std::string(4096, '\x5A');
            } else if (kind == damage::truncated) {
                const std::string bytes = vdk::test::read_file(file);
                std::ofstream(relative, std::ios::binary) << bytes.substr(0, bytes.size() / 2);
            }
        }
    }
};

struct set_up_result {
    int exit_code;
    bool ran;  // the main loop was entered
    std::vector<std::string> error_lines;
    std::string log;
};

set_up_result run_show_once() {
    auto window = std::make_unique<vdk::core::headless_window>();
    window->queue_input({vdk::core::key_pressed, 0, vdk::core::escape_key, 0, 0});
    set_up_result result{};
    {
        my_app app(std::move(window), std::make_unique<vdk::core::scripted_output>());
        result.exit_code = run_show(app);
    }
    result.log = vdk::test::read_file("app.log");
    result.ran = result.log.find("app_gdi::run started") != std::string::npos;
    for (const std::string& line : vdk::test::read_lines("app.log"))
        if (line.find("[ERROR]] ") != std::string::npos) result.error_lines.push_back(line);
    return result;
}

const char* damage_name(damage kind) {
    return kind == damage::removed ? "removed" : kind == damage::garbage ? "garbage" : "truncated";
}

}  // namespace

TEST(content_files, the_tables_name_all_45_pictures) {
    EXPECT_EQ(every_picture().size(), 45u);
}

TEST(content_files, a_complete_folder_sets_up_without_errors) {
    if (!vdk::test::show_data_available()) GTEST_SKIP() << "needs the generated data";
    damaged_data data("none", damage::removed);
    const set_up_result result = run_show_once();
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_TRUE(result.ran);
    EXPECT_TRUE(result.error_lines.empty()) << result.log;
    EXPECT_NE(result.log.find("Audio Stream loaded successfully: ./music/KR_VAULT-X2.mp3"),
              std::string::npos);
}

TEST(content_files, each_bad_picture_stops_the_set_up_at_the_first_effect_that_needs_it) {
    if (!vdk::test::show_data_available()) GTEST_SKIP() << "needs the generated data";
    for (const std::string& file : every_picture()) {
        for (damage kind : {damage::removed, damage::garbage, damage::truncated}) {
            SCOPED_TRACE(file + " " + damage_name(kind));
            damaged_data data("_glimmerock/" + file, kind);
            const set_up_result result = run_show_once();
            EXPECT_EQ(result.exit_code, 0);
            EXPECT_FALSE(result.ran);
            // One error line: the effects after the failing one never loaded
            // (several of them need the same file and would fail too).
            EXPECT_EQ(result.error_lines.size(), 1u) << result.log;
            if (result.error_lines.empty()) continue;
            const std::string expected = std::string("[ERROR]] ") + first_failure_for(file);
            const std::string& line = result.error_lines[0];
            EXPECT_EQ(line.substr(line.size() - expected.size()), expected);
        }
    }
}

TEST(content_files, a_bad_track_costs_only_the_music) {
    if (!vdk::test::show_data_available()) GTEST_SKIP() << "needs the generated data";
    for (damage kind : {damage::removed, damage::garbage}) {
        SCOPED_TRACE(damage_name(kind));
        damaged_data data("music/KR_VAULT-X2.mp3", kind);
        const set_up_result result = run_show_once();
        EXPECT_EQ(result.exit_code, 0);
        EXPECT_TRUE(result.ran);  // the show runs, without music
        EXPECT_NE(result.log.find("[INFO]] Audio Stream failed to load: ./music/KR_VAULT-X2.mp3"),
                  std::string::npos);
        EXPECT_TRUE(result.error_lines.empty());
    }
}

TEST(content_files, a_track_cut_in_the_middle_plays_what_is_left) {
    if (!vdk::test::show_data_available()) GTEST_SKIP() << "needs the generated data";
    damaged_data data("music/KR_VAULT-X2.mp3", damage::truncated);
    vdk::core::decoded_track track;
    ASSERT_TRUE(vdk::core::decode_mp3("music/KR_VAULT-X2.mp3", true, track));
    EXPECT_GT(track.seconds(), 100.0);
    EXPECT_LT(track.seconds(), 200.0);
    const set_up_result result = run_show_once();
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_TRUE(result.ran);
}

TEST(content_files, an_unwritable_log_does_not_stop_the_show) {
    if (!vdk::test::show_data_available()) GTEST_SKIP() << "needs the generated data";
    vdk::test::scoped_work_dir dir(true);
    fs::create_directory("app.log");
    auto window = std::make_unique<vdk::core::headless_window>();
    vdk::core::headless_window* w = window.get();
    window->queue_input({vdk::core::key_pressed, 0, vdk::core::escape_key, 0, 0});
    my_app app(std::move(window), std::make_unique<vdk::core::scripted_output>());
    EXPECT_EQ(run_show(app), 0);
    EXPECT_EQ(w->presented_frames(), 1);  // it ran its frame and closed on Escape
}
