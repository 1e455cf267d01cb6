#pragma once
// The web build's decoded tracks: the page decodes each track with the
// browser's decoder before the module uses it and files the audio buffer
// under this key of the track's path (its absolute, normalised form).

#include <string>

namespace vdk::core {

std::string web_track_key(const std::string& path);

}  // namespace vdk::core
