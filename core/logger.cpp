#include "core/logger.h"

#include <ctime>
#include <iostream>
#include <locale>
#include <sstream>

namespace vdk::core {

namespace {
const char* const log_file_name = "app.log";
}

const char* level_name(log_level level) {
    switch (level) {
        case info: return "INFO";
        case error: return "ERROR";
        case debug: return "DEBUG";
        default: return "UNDEFINED";
    }
}

std::string log_output::header(log_level level) {
    std::tm local{};
#ifdef _WIN32
    // The runtime's 64-bit calendar time; the result is copied at once.
    const __time64_t now = _time64(nullptr);
    if (const std::tm* converted = _localtime64(&now)) local = *converted;
#else
    const std::time_t now = std::time(nullptr);
    localtime_r(&now, &local);
#endif
    std::ostringstream text;
    text << '[';
    const char pattern[] = "%Y-%m-%d %H-%M-%S";
    const auto& facet = std::use_facet<std::time_put<char>>(text.getloc());
    facet.put(std::ostreambuf_iterator<char>(text), text, ' ', &local, pattern,
              pattern + sizeof(pattern) - 1);
    text << "][" << level_name(level) << ']';
    return text.str();
}

void log_output::write_line(std::ostream& stream, const std::string& message, log_level level) {
    stream << '[' << header(level) << "] " << message << '\n';
    stream.flush();
}

int console_output::write(const std::string& message, log_level level) {
    write_line(std::cout, message, level);
    return 0;
}

int file_output::open() {
    stream_.open(log_file_name, std::ios::out | std::ios::app | std::ios::ate);
    if (stream_.is_open()) stream_.clear();
    return stream_.good() ? 0 : -1;
}

int file_output::write(const std::string& message, log_level level) {
    write_line(stream_, message, level);
    return 0;
}

int file_output::close() {
    stream_.close();
    return 0;
}

logger::logger(output_kind kind) : outputs_(new log_outputs{kind, {}, {}}) {
    if (kind == file) outputs_->file_out.open();
}

logger::~logger() {
    if (outputs_->kind == file) outputs_->file_out.close();
    delete outputs_;
}

void logger::write(std::string message, log_level level) {
    switch (outputs_->kind) {
        case console: outputs_->console_out.write(message, level); break;
        case file: outputs_->file_out.write(message, level); break;
        default: break;
    }
}

void write_raw_log(const std::string& message) {
    std::cout << "[RAW_LOG] " << message << '\n';
    std::cout.flush();
}

}  // namespace vdk::core
