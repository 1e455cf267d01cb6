#pragma once
// Every picture file of the show: its path under the data folder, its size
// and the design that makes it.

#include <functional>
#include <string>
#include <vector>

#include "tools/assets/image.h"

namespace assets {

struct picture_entry {
    std::string path;  // relative to the data folder, e.g. "_glimmerock/title/title320.png"
    std::function<image()> make;
};

// The 45 pictures, in a fixed order.
const std::vector<picture_entry>& picture_catalogue();

}  // namespace assets
