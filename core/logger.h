#pragma once
// Logging: one timestamped, levelled line per message to a single output
// chosen when the logger is built (standard output or "app.log").
//
// A line reads "[[YYYY-MM-DD HH-MM-SS][LEVEL]] message" and is flushed at once.

#include <fstream>
#include <string>

namespace vdk::core {

// Message level: a plain int. Values outside 0..2 print "UNDEFINED".
using log_level = int;
enum log_level_value : int {
    info = 0,   // "INFO"
    error = 1,  // "ERROR"
    debug = 2,  // "DEBUG"
};

// Output selection given to the logger: a plain int; any other value is silent.
using output_kind = int;
enum output_kind_value : int {
    console = 0,  // standard output
    file = 1,     // "app.log" in the working directory, appended to
};

// The text a level prints: "INFO", "ERROR", "DEBUG" or "UNDEFINED".
const char* level_name(log_level level);

// Abstract output. No virtual destructor: outputs live inside log_outputs.
class log_output {
public:
    virtual int open() = 0;
    virtual int write(const std::string& message, log_level level) = 0;
    virtual int close() = 0;
    // "[" local time "%Y-%m-%d %H-%M-%S" "][" level name "]"
    virtual std::string header(log_level level);

protected:
    log_output() = default;
    ~log_output() = default;
    // Writes "[" header "] " message "\n" and flushes.
    void write_line(std::ostream& stream, const std::string& message, log_level level);
};

class console_output : public log_output {
public:
    int open() override { return 0; }
    int write(const std::string& message, log_level level) override;
    int close() override { return 0; }
};

class file_output : public log_output {
public:
    int open() override;
    int write(const std::string& message, log_level level) override;
    int close() override;

private:
    std::fstream stream_;
};

struct log_outputs {
    output_kind kind;
    console_output console_out;
    file_output file_out;
};

class logger {
public:
    explicit logger(output_kind kind);
    virtual ~logger();
    logger(const logger&) = delete;
    logger& operator=(const logger&) = delete;

    void write(std::string message, log_level level);

private:
    log_outputs* outputs_;
};

// The line application code prints when no logger is attached:
// "[RAW_LOG] " + message + newline on standard output, flushed.
void write_raw_log(const std::string& message);

}  // namespace vdk::core
