#pragma once
// How the render tool fails: one line for standard error and the process
// exit code that goes with it.

#include <stdexcept>
#include <string>

enum exit_code : int {
    exit_ok = 0,
    exit_failed = 1,         // the show, ffmpeg or the file system failed while working
    exit_usage = 2,          // unknown command or option, bad number, position out of range
    exit_no_data = 3,        // the data folder is missing or does not hold the show's data
    exit_unwritable = 4,     // an output path cannot be written
    exit_interrupted = 130,  // Ctrl-C or a termination signal
};

class tool_error : public std::runtime_error {
public:
    tool_error(int code, const std::string& message) : std::runtime_error(message), code(code) {}

    int code;
};
