// The sound-card output (SDL audio on Linux, waveOut on Windows) where one
// opens: playback of a track with a position that starts at 0, never goes
// backwards and stays within the track, a seek that moves it, and a stop that
// holds it. Skipped on a machine without a sound device; the Windows tests
// run it a second time under Wine with ALSA's null device.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "core/audio_output.h"
#include "support/test_support.h"

using namespace std::chrono_literals;

TEST(audio_device, plays_with_a_position_that_never_goes_back_and_obeys_seek_and_stop) {
    std::unique_ptr<vdk::core::audio_output> output = vdk::core::make_device_output();
    if (!output->open(44100, 2)) GTEST_SKIP() << "no sound device: " << output->failure_reason();
    vdk::test::scoped_work_dir dir;
    ASSERT_TRUE(vdk::test::make_test_mp3("tone.mp3", 4.0)) << "lame is needed for this test";
    vdk::core::decoded_track track;
    ASSERT_TRUE(vdk::core::decode_mp3("tone.mp3", output->wants_samples(), track));
    output->set_track(&track);
    EXPECT_EQ(output->position(), 0.0);
    ASSERT_TRUE(output->play());

    double previous = 0.0;
    const auto start = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - start < 500ms) {
        const double now = output->position();
        EXPECT_GE(now, previous);
        EXPECT_LE(now, track.seconds());
        previous = now;
        std::this_thread::sleep_for(5ms);
    }
    EXPECT_GT(previous, 0.0);

    ASSERT_TRUE(output->seek(1.0));
    const double after_seek = output->position();
    EXPECT_GE(after_seek, 1.0);
    EXPECT_LT(after_seek, 1.5);
    ASSERT_TRUE(output->stop());
    const double stopped = output->position();
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(output->position(), stopped);
}
