// The MP3 decoder of each platform (libmpg123 on Linux, the Audio
// Compression Manager on Windows) gives the encoded samples exactly: the
// encoder's delay and padding and the decoder's own delay are cut, so a tone
// of a whole number of samples decodes to that number, in phase with the
// tone that was encoded, and the length alone agrees with the full decode.

#include <gtest/gtest.h>

#include <cmath>

#include "core/audio_output.h"
#include "support/test_support.h"

TEST(mp3_decoder, a_tone_decodes_to_its_exact_length_in_phase) {
    vdk::test::scoped_work_dir dir;
    ASSERT_TRUE(vdk::test::make_test_mp3("tone.mp3", 4.0)) << "lame is needed for this test";
    vdk::core::decoded_track whole;
    vdk::core::decoded_track length_only;
    ASSERT_TRUE(vdk::core::decode_mp3("tone.mp3", true, whole));
    ASSERT_TRUE(vdk::core::decode_mp3("tone.mp3", false, length_only));
    EXPECT_EQ(whole.rate, 44100);
    EXPECT_EQ(whole.channels, 2);
    EXPECT_EQ(whole.frames, 4 * 44100);
    EXPECT_EQ(length_only.frames, whole.frames);
    EXPECT_TRUE(length_only.samples.empty());
    ASSERT_EQ(whole.samples.size(), static_cast<size_t>(whole.frames) * 2);

    // Over the middle second the left channel follows 8000 sin(2 pi 440 t)
    // (somewhat quieter after encoding), closest without any shift.
    auto error_at = [&](int shift) {
        double error = 0.0;
        for (int i = 88200; i < 132300; ++i) {
            const double expected = 8000 * std::sin(2 * M_PI * 440 * (i + shift) / 44100.0);
            error += std::fabs(whole.samples[2 * static_cast<size_t>(i)] - expected);
        }
        return error / 44100;
    };
    const double in_phase = error_at(0);
    EXPECT_LT(in_phase, error_at(-1));
    EXPECT_LT(in_phase, error_at(1));
    EXPECT_LT(in_phase, 400.0);
}

TEST(mp3_decoder, a_file_without_frames_is_not_a_track) {
    vdk::test::scoped_work_dir dir;
    vdk::test::write_png("picture.png", 2, 2, {0xFF000000u, 0xFF000000u, 0xFF000000u, 0xFF000000u},
                         false);
    vdk::core::decoded_track track;
    EXPECT_FALSE(vdk::core::decode_mp3("picture.png", true, track));
    EXPECT_FALSE(vdk::core::decode_mp3("picture.png", false, track));
    EXPECT_FALSE(vdk::core::decode_mp3("missing.mp3", false, track));
}
