#pragma once
// A host for effects under test: a bare 320 x 240 back buffer, the four band
// workers and close(), in a fresh working directory of its own where its
// logger writes app.log, so that an effect is tested on its own, without the
// show around it.

#include <cstdint>
#include <string>
#include <vector>

#include "core/logger.h"
#include "effects/base_effect.h"
#include "effects/effect_host.h"
#include "support/test_support.h"

namespace vdk::test {

class effect_test_host : public effect_host {
public:
    // Without a back buffer, pixels() is null from the start.
    explicit effect_test_host(bool with_back_buffer = true) : has_back_buffer_(with_back_buffer) {}

    uint32_t* pixels() override { return has_back_buffer_ ? back_buffer_.data() : nullptr; }
    band_workers& workers() override { return workers_; }
    // Drops the back buffer, as the show's close() does.
    int close() override {
        has_back_buffer_ = false;
        closed_ = true;
        return 0;
    }

    bool closed() const { return closed_; }
    // A copy of the back buffer (0 where nothing was drawn yet).
    std::vector<uint32_t> frame() const { return back_buffer_; }
    // Runs the effect and returns a copy of the back buffer.
    std::vector<uint32_t> frame(base_effect& effect, float app_ms, double music_s) {
        effect.run(app_ms, music_s);
        return back_buffer_;
    }
    // What the logger wrote so far.
    std::string log_text() const { return read_file(dir_.path() / "app.log"); }
    // The logger to give the effects.
    vdk::core::logger* log() { return &log_; }
    const scoped_work_dir& dir() const { return dir_; }

private:
    scoped_work_dir dir_;  // first: the logger opens app.log in it
    vdk::core::logger log_{vdk::core::file};
    std::vector<uint32_t> back_buffer_ = std::vector<uint32_t>(screen_width * screen_height, 0u);
    bool has_back_buffer_;
    bool closed_ = false;
    band_workers workers_;
};

}  // namespace vdk::test
