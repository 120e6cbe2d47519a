// What a batch of lumivane-convert converts, and how.
#pragma once
#include <optional>
#include <string>
#include <vector>
#include "core/target_naming.h"
#include "core/texture_conversion.h"

struct BatchRequest {
    Direction direction = Direction::BmpToAf;
    std::optional<std::string> out;  // folder for every target; beside each source when absent
    bool force = false;              // overwrite existing targets
    std::vector<std::string> files;  // files, folders and wildcard patterns
    unsigned jobs = 0;               // files converted at a time; 0 for one more than the processors
    bool quiet = false;              // print the errors only
    TextureOptions texture;          // smooth scaling and dithering of bitmaps made into textures
};
