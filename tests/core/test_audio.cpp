// Music playback: loading, the failure line, starting once, and a position
// that follows real time on the silent output.

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "app/my_app.h"
#include "core/audio.h"
#include "core/window_headless.h"
#include "support/test_support.h"

using namespace std::chrono_literals;

namespace {

struct player_fixture {
    vdk::test::scoped_work_dir dir;
    my_app app{std::make_unique<vdk::core::headless_window>(),
               std::make_unique<vdk::core::scripted_output>()};
    vdk::core::audio_player player{vdk::core::make_silent_output()};
    vdk::core::audio_stream stream;
};

bool log_has(const std::string& text) {
    return vdk::test::read_file("app.log").find(text) != std::string::npos;
}

}  // namespace

TEST(audio, init_without_owner_fails_without_logging) {
    vdk::test::scoped_work_dir dir;
    vdk::core::audio_player player;
    EXPECT_FALSE(player.init(nullptr));
    EXPECT_EQ(player.output(), nullptr);  // no device was touched
}

TEST(audio, init_succeeds_even_without_a_sound_card) {
    player_fixture f;
    vdk::core::audio_player device_player;  // the sound card, or the silent fallback
    EXPECT_TRUE(device_player.init(&f.app));
    ASSERT_NE(device_player.output(), nullptr);
    EXPECT_TRUE(log_has("BASS Sound Player initialization..."));
    if (device_player.output()->name() == std::string("silent")) {
        EXPECT_TRUE(log_has("playing silently in real time"));
    }
}

TEST(audio, a_missing_file_logs_its_line_and_nothing_plays) {
    player_fixture f;
    ASSERT_TRUE(f.player.init(&f.app));
    EXPECT_FALSE(f.player.load(f.stream, "./music/none.mp3"));
    EXPECT_FALSE(f.stream.is_loaded());
    EXPECT_TRUE(log_has("[INFO]] Audio Stream failed to load: ./music/none.mp3"));
    f.player.play(f.stream);
    EXPECT_FALSE(log_has("Can't play the stream"));
    EXPECT_LT(f.player.position(f.stream), 0.0);
}

TEST(audio, garbage_is_not_a_track) {
    player_fixture f;
    ASSERT_TRUE(f.player.init(&f.app));
    std::ofstream("garbage.mp3") << std::string(5000, 'x');
    EXPECT_FALSE(f.player.load(f.stream, "garbage.mp3"));
    EXPECT_LT(f.player.position(f.stream), 0.0);
}

TEST(audio, a_track_decodes_whole_and_the_position_follows_real_time) {
    player_fixture f;
    ASSERT_TRUE(vdk::test::make_test_mp3("tone.mp3", 4.0)) << "lame is needed for this test";
    vdk::core::decoded_track track;
    ASSERT_TRUE(vdk::core::decode_mp3("tone.mp3", true, track));
    EXPECT_NEAR(track.seconds(), 4.0, 0.06);
    EXPECT_EQ(track.samples.size(), static_cast<size_t>(track.frames) * 2);

    ASSERT_TRUE(f.player.init(&f.app));
    ASSERT_TRUE(f.player.load(f.stream, "tone.mp3"));
    EXPECT_TRUE(log_has("Audio Stream loaded successfully: tone.mp3"));
    EXPECT_EQ(f.player.position(f.stream), 0.0);  // not started yet
    f.player.play(f.stream);
    const auto start = std::chrono::steady_clock::now();
    double previous = 0.0;
    while (std::chrono::steady_clock::now() - start < 2s) {
        const double now = f.player.position(f.stream);
        EXPECT_GE(now, previous);
        previous = now;
        std::this_thread::sleep_for(5ms);
    }
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_NEAR(f.player.position(f.stream), wall, 0.020);
    EXPECT_FALSE(log_has("Can't play the stream"));
}

TEST(audio, seek_moves_the_position_and_the_end_holds_it) {
    player_fixture f;
    ASSERT_TRUE(vdk::test::make_test_mp3("tone.mp3", 1.0));
    ASSERT_TRUE(f.player.init(&f.app));
    ASSERT_TRUE(f.player.load(f.stream, "tone.mp3"));
    EXPECT_TRUE(f.player.seek(f.stream, 0.5));
    EXPECT_NEAR(f.player.position(f.stream), 0.5, 1e-9);
    f.player.play(f.stream);
    std::this_thread::sleep_for(700ms);
    const double at_end = f.player.position(f.stream);
    EXPECT_LE(at_end, 1.1);  // it stops growing at the end of the track
    EXPECT_GT(at_end, 0.9);
}

TEST(audio, the_show_starts_a_loaded_track_once) {
    vdk::test::scoped_work_dir dir;
    ASSERT_TRUE(vdk::test::make_test_mp3("tone.mp3", 1.0));
    auto output = std::make_unique<vdk::core::scripted_output>();
    vdk::core::scripted_output* audio = output.get();
    my_app app(std::make_unique<vdk::core::headless_window>(), std::move(output));
    app.create(show_title, screen_width, screen_height);
    app.player.init(&app);
    app.music_loaded = app.player.load(app.music, "tone.mp3");
    ASSERT_TRUE(app.music_loaded);
    app.on_frame(0);
    EXPECT_TRUE(audio->playing());
    audio->stop();
    app.on_frame(1);
    EXPECT_FALSE(audio->playing());  // never started a second time
}

namespace {

// A device output whose position and failure the test sets: it stands for a
// sound server that plays and then goes away.
class failing_output : public vdk::core::scripted_output {
public:
    std::string name() const override { return "failing device"; }
    bool wants_samples() const override { return true; }
    bool stalled() override { return stalled_; }
    std::string failure_reason() const override { return "server gone"; }
    void fail() { stalled_ = true; }

private:
    bool stalled_ = false;
};

int count_of(const std::string& text, const std::string& part) {
    int count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

}  // namespace

TEST(audio, a_device_that_stops_hands_over_to_the_silent_output_without_a_jump) {
    player_fixture f;
    ASSERT_TRUE(vdk::test::make_test_mp3("tone.mp3", 3.0));
    auto owned = std::make_unique<failing_output>();
    failing_output* device = owned.get();
    vdk::core::audio_player player{std::move(owned)};
    vdk::core::audio_stream stream;
    ASSERT_TRUE(player.init(&f.app));
    ASSERT_TRUE(player.load(stream, "tone.mp3"));
    player.play(stream);
    device->set_position(1.25);
    EXPECT_EQ(player.position(stream), 1.25);
    EXPECT_EQ(player.output(), device);

    device->fail();
    const auto failed = std::chrono::steady_clock::now();
    EXPECT_EQ(player.position(stream), 1.25);  // the last position heard, then the clock
    ASSERT_NE(player.output(), nullptr);
    EXPECT_EQ(player.output()->name(), "silent");
    const std::string line =
        "audio_player::position the sound device stopped (server gone), playback goes on "
        "silently in real time from 1.250 s";
    EXPECT_TRUE(log_has(line));

    double previous = 1.25;
    while (std::chrono::steady_clock::now() - failed < 300ms) {
        const double now = player.position(stream);
        EXPECT_GE(now, previous);
        previous = now;
        std::this_thread::sleep_for(5ms);
    }
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - failed).count();
    EXPECT_NEAR(player.position(stream), 1.25 + wall, 0.02);
    EXPECT_EQ(count_of(vdk::test::read_file("app.log"), "playback goes on silently"), 1);

    // Seeking and stopping go to the silent output from now on.
    EXPECT_TRUE(player.seek(stream, 2.0));
    EXPECT_NEAR(player.position(stream), 2.0, 0.01);
    EXPECT_TRUE(player.stop(stream));
    const double stopped = player.position(stream);
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(player.position(stream), stopped);
}
