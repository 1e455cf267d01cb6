// veldrakin-assets: writes the show's data folder.
//
//   veldrakin-assets [DIR] [--docs DOCS_DIR] [--no-music]
//   veldrakin-assets --icon FILE
//
// DIR (default "show") receives _glimmerock/... (every picture) and
// music/KR_VAULT-X2.mp3. With --docs, the contact sheet assets.png and the
// waveform track.png go to DOCS_DIR as well. --icon writes only the desktop
// icon, a 256 × 256 PNG, to FILE. The pictures and the music are
// made on two threads at once; each file is written under a temporary name
// and renamed when complete, so an interrupted run never leaves a truncated
// file behind. Exit code 0 on success, 1 on any failure.

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "tools/assets/canvas.h"
#include "tools/assets/catalogue.h"
#include "tools/assets/docs.h"
#include "tools/assets/music.h"
#include "tools/assets/pictures.h"

namespace fs = std::filesystem;

namespace {

const char* const music_file = "music/KR_VAULT-X2.mp3";

bool write_file(const fs::path& path, const std::vector<uint8_t>& data) {
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    const fs::path temporary = path.string() + ".part";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
        if (!out) return false;
    }
    fs::rename(temporary, path, ec);
    return !ec;
}

// Removes files under DIR/_glimmerock that no picture of the catalogue
// writes (left by an older generator, or an interrupted write), so the folder
// holds exactly the show's pictures.
void remove_stale_pictures(const fs::path& out_dir, const std::vector<assets::picture_entry>& catalogue) {
    std::set<std::string> wanted;
    for (const assets::picture_entry& entry : catalogue) wanted.insert(entry.path);
    std::vector<fs::path> stale;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(out_dir / "_glimmerock", ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (!it->is_regular_file()) continue;
        const std::string relative = fs::relative(it->path(), out_dir).generic_string();
        if (!wanted.count(relative)) stale.push_back(it->path());
    }
    for (const fs::path& path : stale) fs::remove(path, ec);
}

double seconds_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    fs::path out_dir = "show";
    fs::path docs_dir;
    fs::path icon_file;
    bool with_music = true;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--docs" && i + 1 < argc) {
            docs_dir = argv[++i];
        } else if (arg == "--icon" && i + 1 < argc) {
            icon_file = argv[++i];
        } else if (arg == "--no-music") {
            with_music = false;
        } else if (!arg.empty() && arg[0] == '-') {
            std::fprintf(stderr,
                         "usage: veldrakin-assets [DIR] [--docs DOCS_DIR] [--no-music]\n"
                         "       veldrakin-assets --icon FILE\n");
            return 1;
        } else {
            out_dir = arg;
        }
    }
    const auto start = std::chrono::steady_clock::now();

    std::string font_error;
    if (!assets::init_fonts(font_error)) {
        std::fprintf(stderr, "veldrakin-assets: %s\n", font_error.c_str());
        return 1;
    }
    if (!icon_file.empty()) {
        if (!write_file(icon_file, assets::encode_png(assets::pictures::icon()))) {
            std::fprintf(stderr, "veldrakin-assets: cannot write %s\n", icon_file.c_str());
            return 1;
        }
        return 0;
    }

    // The music on its own thread: synthesis, then encoding.
    std::vector<int16_t> samples;
    std::vector<uint8_t> mp3;
    double synth_seconds = 0, music_seconds = 0;
    std::thread music_thread;
    if (with_music) {
        music_thread = std::thread([&] {
            const auto t0 = std::chrono::steady_clock::now();
            samples = assets::music::render_track();
            synth_seconds = seconds_since(t0);
            mp3 = assets::music::encode_mp3(samples);
            music_seconds = seconds_since(t0);
        });
    }

    bool ok = true;
    const auto& catalogue = assets::picture_catalogue();
    std::vector<assets::image> pictures;
    pictures.reserve(catalogue.size());
    for (const assets::picture_entry& entry : catalogue) {
        pictures.push_back(entry.make());
        const std::vector<uint8_t> png = assets::encode_png(pictures.back());
        if (png.empty() || !write_file(out_dir / entry.path, png)) {
            std::fprintf(stderr, "veldrakin-assets: cannot write %s\n", (out_dir / entry.path).c_str());
            ok = false;
        }
    }
    if (ok) remove_stale_pictures(out_dir, catalogue);
    const double picture_seconds = seconds_since(start);

    if (music_thread.joinable()) music_thread.join();
    if (with_music) {
        if (mp3.empty() || !write_file(out_dir / music_file, mp3)) {
            std::fprintf(stderr, "veldrakin-assets: cannot encode or write %s\n",
                         (out_dir / music_file).c_str());
            ok = false;
        }
    }

    if (ok && !docs_dir.empty()) {
        std::vector<assets::docs::labelled_picture> labelled;
        for (size_t k = 0; k < catalogue.size(); ++k) {
            const std::string& path = catalogue[k].path;
            labelled.push_back({path.substr(path.find('/') + 1), &pictures[k]});
        }
        ok = write_file(docs_dir / "assets.png", assets::encode_png(assets::docs::contact_sheet(labelled)));
        if (ok && with_music)
            ok = write_file(docs_dir / "track.png", assets::encode_png(assets::docs::waveform(samples)));
        if (!ok) std::fprintf(stderr, "veldrakin-assets: cannot write the pictures in %s\n", docs_dir.c_str());
    }

    std::printf(
        "veldrakin-assets: %zu pictures in %.1f s, music in %.1f s (synthesis %.1f s), %.1f s in all -> %s\n",
        catalogue.size(), picture_seconds, music_seconds, synth_seconds, seconds_since(start),
        out_dir.c_str());
    return ok ? 0 : 1;
}
