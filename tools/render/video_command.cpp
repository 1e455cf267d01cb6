// video: the show rendered frame by frame and piped as raw frames to Debian's
// ffmpeg, which scales them up (nearest neighbour), encodes H.264 (yuv420p)
// and muxes the music, cut to the same stretch, into an MP4.
//
// ffmpeg writes a hidden file beside the requested one; only a complete
// encode is renamed to the requested name. Ctrl-C, a termination signal or
// a failing ffmpeg stop the render, remove that file and exit non-zero.
// ffmpeg runs in its own process group, so Ctrl-C in the terminal reaches
// only this tool, which then ends ffmpeg itself.

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tools/render/commands.h"
#include "tools/render/interrupt.h"
#include "tools/render/show_data.h"
#include "tools/render/tool_error.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

// The first executable "ffmpeg" on PATH, or "".
std::string find_ffmpeg() {
    const char* path = std::getenv("PATH");
    std::string dirs = path != nullptr ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        const std::string dir = end > start ? dirs.substr(start, end - start) : ".";
        const std::string candidate = dir + "/ffmpeg";
        if (::access(candidate.c_str(), X_OK) == 0) return candidate;
        start = end + 1;
    }
    return {};
}

std::string decimal(double value) {
    char text[48];
    std::snprintf(text, sizeof text, "%.6f", value);
    return text;
}

// "1:05" or "1:02:05".
std::string clock_text(double seconds) {
    const long total = seconds > 0 && std::isfinite(seconds) ? std::lround(seconds) : 0;
    char text[32];
    if (total >= 3600) {
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", total / 3600, total / 60 % 60, total % 60);
    } else {
        std::snprintf(text, sizeof text, "%ld:%02ld", total / 60, total % 60);
    }
    return text;
}

// The progress line on standard error, redrawn in place.
class progress_bar {
public:
    explicit progress_bar(int64_t total) : total_(total), start_(clock::now()) {}

    void update(int64_t done, bool force) {
        const auto now = clock::now();
        if (!force && now - last_ < std::chrono::milliseconds(250)) return;
        last_ = now;
        const double elapsed = std::chrono::duration<double>(now - start_).count();
        const double fps = elapsed > 0 ? done / elapsed : 0.0;
        const double left = fps > 0 ? (total_ - done) / fps : 0.0;
        constexpr int width = 30;
        const int filled = total_ > 0 ? static_cast<int>(width * done / total_) : width;
        std::string bar(static_cast<size_t>(filled), '#');
        bar.append(static_cast<size_t>(width - filled), '.');
        std::fprintf(stderr, "\r[%s] %lld/%lld frames  %.1f fps  %s left ", bar.c_str(),
                     static_cast<long long>(done), static_cast<long long>(total_), fps,
                     clock_text(left).c_str());
        std::fflush(stderr);
        drawn_ = true;
    }

    void finish() {
        if (drawn_) std::fputc('\n', stderr);
        drawn_ = false;
    }

private:
    using clock = std::chrono::steady_clock;
    int64_t total_;
    clock::time_point start_;
    clock::time_point last_{};
    bool drawn_ = false;
};

// The ffmpeg child: its standard input is the frame pipe, its messages go to
// a log file that explains a failure.
class encoder {
public:
    ~encoder() {
        stop(true);
        if (!log_path_.empty()) ::unlink(log_path_.c_str());
    }

    void start(const std::string& program, const std::vector<std::string>& args) {
        char log_name[] = "/tmp/veldrakin-render-ffmpeg-XXXXXX";
        const int log_fd = ::mkstemp(log_name);
        if (log_fd < 0) throw tool_error(exit_failed, std::string("cannot make a temporary file: ") + std::strerror(errno));
        log_path_ = log_name;
        int pipe_fds[2];
        if (::pipe2(pipe_fds, O_CLOEXEC) != 0) {
            ::close(log_fd);
            throw tool_error(exit_failed, std::string("cannot make a pipe: ") + std::strerror(errno));
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipe_fds[0], 0);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, log_fd, 2);
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        sigset_t defaults;
        sigemptyset(&defaults);
        sigaddset(&defaults, SIGPIPE);  // ignored here, but ffmpeg expects its default
        posix_spawnattr_setsigdefault(&attributes, &defaults);
        posix_spawnattr_setpgroup(&attributes, 0);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        const int spawned = posix_spawn(&pid_, program.c_str(), &actions, &attributes, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
        ::close(pipe_fds[0]);
        ::close(log_fd);
        if (spawned != 0) {
            pid_ = -1;
            ::close(pipe_fds[1]);
            throw tool_error(exit_failed, "cannot start " + program + ": " + std::strerror(spawned));
        }
        input_ = pipe_fds[1];
    }

    // Writes all bytes; false when ffmpeg has gone (EPIPE) or an interrupt came.
    bool write(const void* data, size_t size) {
        const char* bytes = static_cast<const char*>(data);
        while (size > 0) {
            const ssize_t written = ::write(input_, bytes, size);
            if (written < 0) {
                if (errno == EINTR && !interrupted()) continue;
                return false;
            }
            bytes += written;
            size -= static_cast<size_t>(written);
        }
        return true;
    }

    // Closes the input and waits for ffmpeg (ending it first when kill is
    // set). Its exit status, or -1 when it did not exit normally.
    int stop(bool kill) {
        if (input_ >= 0) ::close(input_);
        input_ = -1;
        if (pid_ <= 0) return status_;
        if (kill) ::kill(pid_, SIGTERM);
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        pid_ = -1;
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return status_;
    }

    // The last line ffmpeg wrote to its log.
    std::string last_message() const {
        std::ifstream log(log_path_);
        std::string last;
        for (std::string line; std::getline(log, line);) {
            if (line.find_first_not_of(" \r\t") != std::string::npos) last = line;
        }
        return last;
    }

private:
    pid_t pid_ = -1;
    int input_ = -1;
    int status_ = -1;
    std::string log_path_;
};

// Removes the partial file on every path that does not finish it.
struct partial_file {
    fs::path path;
    bool keep = false;
    ~partial_file() {
        std::error_code ignored;
        if (!keep) fs::remove(path, ignored);
    }
};

}  // namespace

int run_video_command(const std::vector<std::string>& args) {
    const options opts(args, {{"out", true, false},
                              {"fps", true, false},
                              {"scale", true, false},
                              {"from", true, false},
                              {"to", true, false},
                              {"data", true, false}});
    if (!opts.has("out")) throw tool_error(exit_usage, "video needs --out FILE.mp4");
    const int fps = opts.whole("fps", 60, 1, 1000);
    const int scale = opts.whole("scale", 4, 1, 16);
    const double from = opts.number("from", 0.0);
    const int64_t first = frame_of_position("--from", opts.value("from"), from, fps);
    const double to = opts.number("to", show_end_seconds);
    if (!(to > 0.0 && to <= show_end_seconds)) {
        throw tool_error(exit_usage, "--to " + opts.value("to") + ": position outside (0, " +
                                         show_end_text() + "] s");
    }
    const int64_t end = std::llround(to * fps);
    if (end <= first) {
        throw tool_error(exit_usage, "--from " + decimal(from) + " --to " + decimal(to) +
                                         ": no frame in between");
    }
    const fs::path out = output_path(opts.value("out"));
    const std::string ffmpeg = find_ffmpeg();
    if (ffmpeg.empty()) {
        throw tool_error(exit_failed, "ffmpeg not found on PATH (install Debian's ffmpeg: scripts/install-deps.sh)");
    }

    const fs::path data = enter_data_folder(opts);
    check_writable_folder(out.parent_path(), out);
    catch_interrupts();
    const auto show = open_offline_show(fps);

    const int64_t count = end - first;
    // The music is cut where the first frame lies, so that sound and picture
    // keep the show's own sync: frame n is heard at music position n / fps.
    const double start_s = offline_show::position_of(first, fps);
    const double length_s = static_cast<double>(count) / fps;
    partial_file partial{temporary_sibling(out)};
    std::vector<std::string> ffmpeg_args = {
        "-hide_banner", "-nostats", "-loglevel", "error", "-y",
        "-f", "rawvideo", "-pixel_format", "bgra",
        "-video_size", std::to_string(screen_width) + "x" + std::to_string(screen_height),
        "-framerate", std::to_string(fps), "-i", "pipe:0",
        "-ss", decimal(start_s), "-t", decimal(length_s), "-i", (data / music_path).lexically_normal().string(),
        "-map", "0:v:0", "-map", "1:a:0"};
    if (scale > 1) {
        const std::string k = std::to_string(scale);
        ffmpeg_args.insert(ffmpeg_args.end(), {"-vf", "scale=iw*" + k + ":ih*" + k + ":flags=neighbor"});
    }
    // Encoding 1280 x 960 costs more than drawing most scenes: "veryfast"
    // takes about half the time of "fast" for a file 5 % smaller here.
    ffmpeg_args.insert(ffmpeg_args.end(),
                       {"-c:v", "libx264", "-preset", "veryfast", "-crf", "18", "-pix_fmt", "yuv420p",
                        "-c:a", "aac", "-b:a", "192k", "-movflags", "+faststart", "-f", "mp4",
                        partial.path.string()});

    encoder writer;
    writer.start(ffmpeg, ffmpeg_args);
    progress_bar progress(count);
    progress.update(0, true);
    const size_t frame_bytes = static_cast<size_t>(screen_width) * screen_height * 4;
    // Pixels are 0xAARRGGBB words: B, G, R, A in memory on this little-endian
    // machine, which is ffmpeg's bgra.
    bool complete = true;  // every frame reached ffmpeg
    for (int64_t n = first; n < end; ++n) {
        if (interrupted()) break;
        const uint32_t* pixels = show->render(n);
        if (pixels == nullptr) {
            progress.finish();
            writer.stop(true);
            throw tool_error(exit_failed, "frame " + std::to_string(n) + " could not be drawn");
        }
        if (!writer.write(pixels, frame_bytes)) {
            complete = false;
            break;
        }
        progress.update(n - first + 1, n + 1 == end);
    }
    progress.finish();
    if (interrupted()) {
        writer.stop(true);
        throw tool_error(exit_interrupted, "interrupted: no video written");
    }
    const int status = writer.stop(false);
    if (status != 0 || !complete) {
        const std::string message = writer.last_message();
        throw tool_error(exit_failed, "ffmpeg failed (" +
                                          (status < 0 ? std::string("killed") : "exit status " + std::to_string(status)) +
                                          ")" + (message.empty() ? "" : ": " + message) +
                                          "; no video written");
    }
    std::error_code error;
    fs::rename(partial.path, out, error);
    if (error) throw tool_error(exit_unwritable, "cannot write '" + out.string() + "': " + error.message());
    partial.keep = true;
    std::printf("wrote %s: %lld frames at %d fps, %dx%d, music %.3f-%.3f s\n", out.c_str(),
                static_cast<long long>(count), fps, screen_width * scale, screen_height * scale,
                start_s, start_s + length_s);
    return exit_ok;
}
