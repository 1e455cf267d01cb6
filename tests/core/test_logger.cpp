// The log line layout, level names, appending, and the silent output kind.

#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>
#include <regex>
#include <sstream>

#include "core/logger.h"
#include "support/test_support.h"

using vdk::core::logger;
using vdk::test::read_lines;
using vdk::test::scoped_work_dir;

namespace {
const std::regex line_layout(R"(\[\[(\d{4}-\d{2}-\d{2} \d{2}-\d{2}-\d{2})\]\[([A-Z]+)\]\] (.*))");
}

TEST(logger, file_lines_have_the_exact_layout_and_level_names) {
    scoped_work_dir dir;
    {
        logger log(vdk::core::file);
        log.write("Main Renderer Window created.", vdk::core::info);
        log.write("bad", vdk::core::error);
        log.write("detail", vdk::core::debug);
        log.write("three", 3);
        log.write("minus", -1);
        log.write("", vdk::core::info);
    }
    const auto lines = read_lines("app.log");
    ASSERT_EQ(lines.size(), 6u);
    const char* levels[] = {"INFO", "ERROR", "DEBUG", "UNDEFINED", "UNDEFINED", "INFO"};
    const char* messages[] = {"Main Renderer Window created.", "bad", "detail", "three", "minus", ""};
    for (size_t i = 0; i < lines.size(); ++i) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(lines[i], m, line_layout)) << lines[i];
        EXPECT_EQ(m[1].length(), 19);
        EXPECT_EQ(m[2], levels[i]);
        EXPECT_EQ(m[3], messages[i]);
    }
    EXPECT_EQ(lines[5].substr(lines[5].size() - 2), "] ");  // empty message ends with "] "
}

TEST(logger, lines_are_flushed_at_once_and_runs_append) {
    scoped_work_dir dir;
    {
        logger first(vdk::core::file);
        first.write("first run", vdk::core::info);
        // Visible before the logger closes: every line is flushed.
        EXPECT_EQ(read_lines("app.log").size(), 1u);
    }
    {
        logger second(vdk::core::file);
        second.write("second run", vdk::core::info);
    }
    const auto lines = read_lines("app.log");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find("first run"), std::string::npos);
    EXPECT_NE(lines[1].find("second run"), std::string::npos);
}

TEST(logger, unknown_kind_is_silent_and_creates_no_file) {
    scoped_work_dir dir;
    logger log(5);
    log.write("nothing", vdk::core::info);
    EXPECT_FALSE(std::filesystem::exists("app.log"));
}

TEST(logger, console_kind_and_raw_fallback_write_to_standard_output) {
    std::stringstream captured;
    std::streambuf* old = std::cout.rdbuf(captured.rdbuf());
    {
        logger log(vdk::core::console);
        log.write("to console", vdk::core::error);
    }
    vdk::core::write_raw_log("raw text");
    std::cout.rdbuf(old);
    std::string first;
    std::string second;
    std::getline(captured, first);
    std::getline(captured, second);
    std::smatch m;
    ASSERT_TRUE(std::regex_match(first, m, line_layout)) << first;
    EXPECT_EQ(m[2], "ERROR");
    EXPECT_EQ(second, "[RAW_LOG] raw text");
}

TEST(logger, an_unwritable_log_is_dropped_silently) {
    scoped_work_dir dir;
    std::filesystem::create_directory("app.log");  // cannot be opened as a file
    logger log(vdk::core::file);
    log.write("lost", vdk::core::info);  // must not throw or crash
    SUCCEED();
}
