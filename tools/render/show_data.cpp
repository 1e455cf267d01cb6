#include "tools/render/show_data.h"

#include <fcntl.h>
#ifdef _WIN32
#include <io.h>
#include <process.h>
#else
#include <unistd.h>
#endif

#include <cerrno>
#include <cstring>
#include <fstream>

#include "tools/render/tool_error.h"

namespace fs = std::filesystem;

namespace {
int process_id() {
#ifdef _WIN32
    return ::_getpid();
#else
    return static_cast<int>(::getpid());
#endif
}
}  // namespace

fs::path output_path(const std::string& text) {
    if (text.empty()) throw tool_error(exit_usage, "empty output path");
    return fs::absolute(fs::path(text)).lexically_normal();
}

fs::path enter_data_folder(const options& opts) {
    const std::string given = opts.has("data") ? opts.value("data") : std::string(".");
    std::error_code error;
    const fs::path folder = fs::absolute(fs::path(given), error).lexically_normal();
    if (error || !fs::is_directory(folder, error)) {
        throw tool_error(exit_no_data, "data folder '" + given + "' does not exist");
    }
    const std::string music = fs::path(music_path).lexically_normal().string();
    for (const std::string& part : {music, std::string("_glimmerock")}) {
        if (!fs::exists(folder / part, error)) {
            throw tool_error(exit_no_data, "no show data in '" + given + "': " + part +
                                               " is missing (run in the data folder or give --data DIR)");
        }
    }
    fs::current_path(folder, error);
    if (error) {
        throw tool_error(exit_no_data, "cannot enter data folder '" + given + "': " + error.message());
    }
    return folder;
}

void check_writable_folder(const fs::path& folder, const fs::path& target) {
    std::error_code error;
    if (!fs::is_directory(folder, error)) {
        throw tool_error(exit_unwritable, "cannot write '" + target.string() + "': folder '" +
                                              folder.string() + "' does not exist");
    }
    // Creating a file is the only reliable test (permissions, read-only
    // mounts, quotas all answer it).
    const fs::path probe = temporary_sibling(folder / "write-test");
#ifdef _WIN32
    const int fd = ::_open(probe.string().c_str(), _O_WRONLY | _O_CREAT | _O_EXCL, 0644);
#else
    const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
#endif
    if (fd < 0) {
        throw tool_error(exit_unwritable,
                         "cannot write '" + target.string() + "': " + std::strerror(errno));
    }
#ifdef _WIN32
    ::_close(fd);
    ::_unlink(probe.string().c_str());
#else
    ::close(fd);
    ::unlink(probe.c_str());
#endif
}

fs::path temporary_sibling(const fs::path& path) {
    return path.parent_path() /
           ("." + path.filename().string() + "." + std::to_string(process_id()) + ".part");
}

std::uintmax_t app_log_size() {
    std::error_code error;
    const std::uintmax_t size = fs::file_size("app.log", error);
    return error ? 0 : size;
}

std::string logged_errors_since(std::uintmax_t log_size) {
    std::ifstream log("app.log");
    log.seekg(static_cast<std::streamoff>(log_size));
    std::string errors;
    std::string last;
    for (std::string line; std::getline(log, line);) {
        if (line.empty()) continue;
        last = line;
        if (line.find("[ERROR]]") == std::string::npos && line.find("failed") == std::string::npos) {
            continue;
        }
        const size_t text = line.find("]] ");
        if (!errors.empty()) errors += "; ";
        errors += text == std::string::npos ? line : line.substr(text + 3);
    }
    return errors;
}

std::unique_ptr<offline_show> open_offline_show(int fps) {
    const std::uintmax_t log_size = app_log_size();
    // The show's logger opens app.log when the show is built: in the data folder.
    auto show = std::make_unique<offline_show>(fps);
    if (!show->open()) {
        const std::string errors = logged_errors_since(log_size);
        throw tool_error(exit_failed, "the show could not be set up" +
                                          (errors.empty() ? std::string() : ": " + errors) +
                                          " (see app.log in the data folder)");
    }
    if (!show->app().music_loaded) {
        throw tool_error(exit_failed, std::string("the music could not be loaded: ") + music_path);
    }
    return show;
}
