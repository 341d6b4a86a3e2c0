// The simulated camera's snapshots: the scene as the head sees it, encoded as a
// JPEG file at the path the caller gives.
#pragma once

#include "outcome.hpp"
#include "ptz_head.hpp"
#include "site_cameras.hpp"

namespace standin {

// Reads the 4-byte picture parameters (size code, quality code, 16 bits each,
// little-endian) and writes the picture to the path, byte for byte as given.
Outcome writeSnapshot(const HeadPosition& head, const CameraTraits& camera, const void* pictureParams,
                      const char* path);

}  // namespace standin
