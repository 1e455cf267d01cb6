#include "tools/render/options.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "app/timeline.h"
#include "tools/render/tool_error.h"

options::options(const std::vector<std::string>& args, std::initializer_list<option_rule> rules) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.size() < 3 || arg.compare(0, 2, "--") != 0) {
            throw tool_error(exit_usage, "unexpected argument '" + arg + "'");
        }
        std::string name = arg.substr(2);
        std::string value;
        bool inline_value = false;
        if (const size_t eq = name.find('='); eq != std::string::npos) {
            value = name.substr(eq + 1);
            name = name.substr(0, eq);
            inline_value = true;
        }
        const option_rule* rule = nullptr;
        for (const option_rule& s : rules) {
            if (name == s.name) rule = &s;
        }
        if (rule == nullptr) throw tool_error(exit_usage, "unknown option --" + name);
        if (rule->takes_value && !inline_value) {
            if (i + 1 >= args.size()) throw tool_error(exit_usage, "--" + name + " needs a value");
            value = args[++i];
        } else if (!rule->takes_value && inline_value) {
            throw tool_error(exit_usage, "--" + name + " takes no value");
        }
        if (!rule->repeatable && has(name)) {
            throw tool_error(exit_usage, "--" + name + " given more than once");
        }
        given_.emplace_back(name, value);
    }
}

bool options::has(const std::string& name) const {
    for (const auto& [n, v] : given_) {
        if (n == name) return true;
    }
    return false;
}

std::string options::value(const std::string& name) const {
    std::string found;
    for (const auto& [n, v] : given_) {
        if (n == name) found = v;
    }
    return found;
}

std::vector<std::string> options::values(const std::string& name) const {
    std::vector<std::string> found;
    for (const auto& [n, v] : given_) {
        if (n == name) found.push_back(v);
    }
    return found;
}

double options::number(const std::string& name, double fallback) const {
    return has(name) ? parse_number("--" + name, value(name)) : fallback;
}

int options::whole(const std::string& name, int fallback, int min, int max) const {
    return has(name) ? parse_whole("--" + name, value(name), min, max) : fallback;
}

double parse_number(const std::string& option, const std::string& text) {
    // strtod alone would also take "inf", "nan", hexadecimal and leading
    // blanks; a position or a count is none of those.
    bool plain = !text.empty();
    for (const char c : text) {
        if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E')) {
            plain = false;
        }
    }
    char* end = nullptr;
    errno = 0;
    const double value = plain ? std::strtod(text.c_str(), &end) : 0.0;
    if (!plain || end != text.c_str() + text.size() || errno == ERANGE || !std::isfinite(value)) {
        throw tool_error(exit_usage, "bad number for " + option + ": '" + text + "'");
    }
    return value;
}

int parse_whole(const std::string& option, const std::string& text, int min, int max) {
    bool digits = !text.empty();
    for (size_t i = 0; i < text.size(); ++i) {
        const bool sign = i == 0 && (text[i] == '-' || text[i] == '+') && text.size() > 1;
        if (!sign && (text[i] < '0' || text[i] > '9')) digits = false;
    }
    const std::string range = " (a whole number from " + std::to_string(min) + " to " +
                              std::to_string(max) + ")";
    if (!digits) throw tool_error(exit_usage, "bad number for " + option + ": '" + text + "'" + range);
    errno = 0;
    const long long value = std::strtoll(text.c_str(), nullptr, 10);
    if (errno == ERANGE || value < min || value > max) {
        throw tool_error(exit_usage, "bad number for " + option + ": '" + text + "'" + range);
    }
    return static_cast<int>(value);
}

std::string show_end_text() {
    char end[32];
    std::snprintf(end, sizeof end, "%g", show_end_seconds);
    return end;
}

int64_t frame_of_position(const std::string& option, const std::string& text, double seconds,
                          int fps) {
    const std::string outside =
        option + " " + text + ": position outside [0, " + show_end_text() + ") s";
    if (!(seconds >= 0.0 && seconds < show_end_seconds)) throw tool_error(exit_usage, outside);
    const int64_t frame = std::llround(seconds * fps);
    if (frame_position(frame, fps) >= show_end_seconds) {
        throw tool_error(exit_usage, outside + " once rounded to frame " + std::to_string(frame) +
                                         " at " + std::to_string(fps) + " fps");
    }
    return frame;
}
