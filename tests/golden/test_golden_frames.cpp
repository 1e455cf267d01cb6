// Renders every stored golden frame again and compares it exactly.
//
// A golden frame is tests/golden/frames/<effect>_<frame>.png: frame <frame> of
// a 60 frames-per-second offline run, drawn by <effect>. All frames are drawn
// in one run in ascending order, skipping the frames between, as the render
// tool does. On a mismatch the rendered frame and a difference image (changed
// pixels white) are written beside the test binary.
//
// Run with --write FRAME... to (re)write golden frames for those frame
// numbers, named after the effect the timeline picks.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "app/offline_show.h"
#include "effects/instruction_set.h"
#include "support/test_support.h"

namespace fs = std::filesystem;

namespace {

struct golden_frame {
    std::string effect;
    int64_t frame;
    fs::path file;
};

std::vector<golden_frame> stored_frames() {
    std::vector<golden_frame> frames;
    for (const auto& entry : fs::directory_iterator(VDK_GOLDEN_DIR)) {
        const std::string stem = entry.path().stem().string();
        const size_t cut = stem.rfind('_');
        if (entry.path().extension() != ".png" || cut == std::string::npos) continue;
        frames.push_back({stem.substr(0, cut), std::stoll(stem.substr(cut + 1)), entry.path()});
    }
    std::sort(frames.begin(), frames.end(),
              [](const golden_frame& a, const golden_frame& b) { return a.frame < b.frame; });
    return frames;
}

std::vector<uint32_t> opaque_copy(const uint32_t* pixels) {
    std::vector<uint32_t> copy(pixels, pixels + screen_width * screen_height);
    for (uint32_t& p : copy) p |= 0xFF000000u;
    return copy;
}

// "_007800": how a file name ends for a frame.
std::string frame_suffix(int64_t frame) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "_%06lld", static_cast<long long>(frame));
    return digits;
}

// With VELDRAKIN_ISA set, every frame is drawn with the instruction set it
// names.
TEST(golden_frames, every_stored_frame_renders_identically) {
    ASSERT_TRUE(vdk::test::show_data_available()) << "no generated data in " << VDK_SHOW_DIR;
    std::string reason;
    ASSERT_TRUE(environment_instruction_set_valid(reason)) << reason;
    RecordProperty("instruction_set", instruction_set_name(chosen_instruction_set()));
    const std::vector<golden_frame> frames = stored_frames();
    ASSERT_FALSE(frames.empty());
    vdk::test::scoped_work_dir work(true);
    offline_show show;
    ASSERT_TRUE(show.open());
    fs::create_directories(VDK_GOLDEN_OUT);
    int mismatched = 0;
    for (const golden_frame& golden : frames) {
        const double t = offline_show::position_of(golden.frame, show.fps());
        EXPECT_EQ(golden.effect, show.app().effect_name(show.app().effect_at(t)))
            << golden.file.filename();
        const uint32_t* pixels = show.render(golden.frame);
        ASSERT_NE(pixels, nullptr);
        vdk::core::texture_gdi expected;
        ASSERT_EQ(expected.load_png(golden.file.string()), 0) << golden.file;
        ASSERT_EQ(expected.width(), screen_width);
        ASSERT_EQ(expected.height(), screen_height);
        const std::vector<uint32_t> actual = opaque_copy(pixels);
        std::vector<uint32_t> difference(actual.size());
        int changed = 0;
        for (size_t i = 0; i < actual.size(); ++i) {
            const bool same = (expected.lock()[i] | 0xFF000000u) == actual[i];
            difference[i] = same ? 0xFF000000u : 0xFFFFFFFFu;
            changed += same ? 0 : 1;
        }
        if (changed != 0) {
            ++mismatched;
            const fs::path out = VDK_GOLDEN_OUT;
            const std::string name = golden.file.stem().string();
            vdk::test::write_png(out / (name + "-actual.png"), screen_width, screen_height, actual,
                                 false);
            vdk::test::write_png(out / (name + "-diff.png"), screen_width, screen_height, difference,
                                 false);
            ADD_FAILURE() << golden.file.filename().string() << ": " << changed
                          << " pixels differ; see " << (out / (name + "-actual.png")).string();
        }
    }
    EXPECT_EQ(mismatched, 0);
}

int write_frames(const std::vector<int64_t>& requested) {
    if (!vdk::test::show_data_available()) {
        std::fprintf(stderr, "no generated data in %s\n", VDK_SHOW_DIR);
        return 1;
    }
    std::vector<int64_t> frames = requested;
    std::sort(frames.begin(), frames.end());
    vdk::test::scoped_work_dir work(true);
    offline_show show;
    if (!show.open()) {
        std::fprintf(stderr, "the show's set-up failed\n");
        return 1;
    }
    for (const int64_t frame : frames) {
        const double t = offline_show::position_of(frame, show.fps());
        base_effect* effect = show.app().effect_at(t);
        if (effect == nullptr || t >= show_end_seconds) {
            std::fprintf(stderr, "frame %lld is outside the show\n", static_cast<long long>(frame));
            return 1;
        }
        const std::string suffix = frame_suffix(frame);
        const std::string name = show.app().effect_name(effect) + suffix + ".png";
        const uint32_t* pixels = show.render(frame);
        for (const auto& entry : fs::directory_iterator(VDK_GOLDEN_DIR)) {
            const std::string stem = entry.path().stem().string();
            if (stem.size() > suffix.size() &&
                stem.compare(stem.size() - suffix.size(), suffix.size(), suffix) == 0) {
                fs::remove(entry.path());  // the same frame stored under another effect's name
            }
        }
        // Stored as opaque RGBA, which the loader reads top row first.
        vdk::test::write_png(fs::path(VDK_GOLDEN_DIR) / name, screen_width, screen_height,
                             opaque_copy(pixels), true);
        std::printf("wrote %s\n", name.c_str());
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--write") == 0) {
        std::vector<int64_t> frames;
        for (int i = 2; i < argc; ++i) frames.push_back(std::stoll(argv[i]));
        return write_frames(frames);
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
