#pragma once
// The check shared by the effects' tests: init() in an empty folder fails,
// and the one line it logs names the effect the failure is reported under.

#include <gtest/gtest.h>

#include <string>

#include "core/logger.h"
#include "support/test_support.h"

namespace vdk::test {

template <class Effect>
void expect_a_missing_picture_reported_as(const std::string& effect_name) {
    scoped_work_dir dir;
    {
        vdk::core::logger log(vdk::core::file);
        Effect effect(nullptr, &log);
        EXPECT_FALSE(effect.init());
    }
    const auto lines = read_lines("app.log");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("[ERROR]] " + effect_name + " failed to initialize itself"),
              std::string::npos);
}

}  // namespace vdk::test
