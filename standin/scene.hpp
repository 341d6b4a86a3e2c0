// The synthetic landscape the simulated camera looks at: sky, sun, ground and a
// ring of coloured towers, seen through the head's pan, tilt and zoom, with the
// position printed in the top left corner.
#pragma once

#include <cstdint>
#include <vector>

#include "ptz_head.hpp"

namespace standin {

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;  // width * height pixels, three bytes each, row by row
};

Picture renderScene(const HeadPosition& head, int width, int height);

}  // namespace standin
