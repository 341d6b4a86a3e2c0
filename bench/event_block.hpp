// The 440-byte data event both benchmarks deliver: a byte pattern with a valid
// time, a region rule and four readings.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "thermometry/thermometry_upload.hpp"

namespace bench {

inline std::vector<uint8_t> DataBlock() {
    std::vector<uint8_t> block(orvane::thermometry::kUploadSize);
    for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<uint8_t>(i * 13 + 1);
    const uint32_t time = 0x60CA91C3;
    std::memcpy(&block[8], &time, 4);
    block[45] = 2;
    const float readings[] = {36.5f, 21.25f, 28.75f, 15.25f};
    std::memcpy(&block[180], readings, sizeof readings);
    return block;
}

}  // namespace bench
