#pragma once
// Pictures for the README: a labelled contact sheet of every picture file,
// and the track's waveform with the show's scenes marked.

#include <cstdint>
#include <string>
#include <vector>

#include "tools/assets/image.h"

namespace assets::docs {

struct labelled_picture {
    std::string label;
    const image* picture;
};

image contact_sheet(const std::vector<labelled_picture>& pictures);
image waveform(const std::vector<int16_t>& samples);

}  // namespace assets::docs
