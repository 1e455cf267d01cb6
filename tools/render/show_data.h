#pragma once
// Where the tool finds the show's data and where its outputs go.
//
// The show loads its music and pictures relative to the working directory
// and appends to "app.log" there, so the tool makes the data folder (--data,
// or the folder it was started in) its working directory. Output paths are
// made absolute before that, relative to the folder the tool was started in.

#include <filesystem>
#include <memory>
#include <string>

#include "app/offline_show.h"
#include "tools/render/options.h"

// The absolute form of an output path named on the command line.
std::filesystem::path output_path(const std::string& text);

// Checks that the data folder exists and holds the music and the pictures,
// then makes it the working directory. tool_error (exit_no_data) otherwise.
std::filesystem::path enter_data_folder(const options& opts);

// Throws tool_error (exit_unwritable) unless a file can be created in folder.
void check_writable_folder(const std::filesystem::path& folder, const std::filesystem::path& target);

// A name beside path for writing it before it is complete: the same folder,
// hidden, with the process id, so that a rename finishes it atomically.
std::filesystem::path temporary_sibling(const std::filesystem::path& path);

// The offline show, set up in the working directory; tool_error
// (exit_failed) with the set-up failures the show logged when it cannot be.
std::unique_ptr<offline_show> open_offline_show(int fps);

// The error lines the show appended to app.log since the given size of it.
std::string logged_errors_since(std::uintmax_t log_size);
std::uintmax_t app_log_size();
