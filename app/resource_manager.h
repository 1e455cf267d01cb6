#pragma once
// A named store of textures. The show keeps its pictures in the effects, so
// the application's store stays empty; it is kept as the place for shared
// resources.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/texture.h"

struct resource_entry {
    std::string name;
    int64_t value = 0;
    std::unique_ptr<vdk::core::texture_gdi> texture;
};

class resource_manager {
public:
    virtual ~resource_manager() = default;
    size_t size() const { return entries_.size(); }

private:
    std::vector<resource_entry> entries_;
};
