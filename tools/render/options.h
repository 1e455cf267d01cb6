#pragma once
// The command line of one command: "--name value", "--name=value" and bare
// "--flag"s. Each command declares the names it takes; anything else is a
// usage error, as is a number that is not entirely a number.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

struct option_rule {
    const char* name;  // without the leading dashes
    bool takes_value;
    bool repeatable;
};

class options {
public:
    // Throws tool_error (exit_usage) for an unknown name, a missing value or
    // a repeated name that is not repeatable.
    options(const std::vector<std::string>& args, std::initializer_list<option_rule> rules);

    bool has(const std::string& name) const;
    // The value given (the last one for a repeatable name); "" when absent.
    std::string value(const std::string& name) const;
    std::vector<std::string> values(const std::string& name) const;

    // The option as a finite number or a whole number in [min, max], or the
    // fallback when absent.
    double number(const std::string& name, double fallback) const;
    int whole(const std::string& name, int fallback, int min, int max) const;

private:
    std::vector<std::pair<std::string, std::string>> given_;
};

// A finite decimal number making up all of text; tool_error (exit_usage)
// naming the option otherwise.
double parse_number(const std::string& option, const std::string& text);
// A whole number in [min, max] making up all of text.
int parse_whole(const std::string& option, const std::string& text, int min, int max);

// The show's end in seconds as messages write it: "298".
std::string show_end_text();

// The show runs from 0 s to its end at 298 s; a frame must lie inside.
// Frame round(seconds * fps), after checking that seconds and the frame's own
// position lie in [0, 298).
int64_t frame_of_position(const std::string& option, const std::string& text, double seconds,
                          int fps);
