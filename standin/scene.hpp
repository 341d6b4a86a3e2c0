// The synthetic landscape the simulated camera looks at: sky, sun, ground and a
// ring of coloured towers, seen through the head's pan, tilt and zoom, with the
// position printed in the top left corner. Each camera of the site stands
// somewhere else, so its landscape is turned by its own angle.
#pragma once

#include <cstdint>
#include <vector>

#include "ptz_head.hpp"
#include "site_cameras.hpp"

namespace standin {

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;  // width * height pixels, three bytes each, row by row
};

Picture renderScene(const HeadPosition& head, const CameraTraits& camera, int width, int height);

}  // namespace standin
