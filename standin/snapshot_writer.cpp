#include "snapshot_writer.hpp"

#include <cstdint>
#include <iterator>

#include "hcnetsdk_standin.h"
#include "scene.hpp"

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

namespace standin {
namespace {

constexpr uint16_t kOwnResolution = 0xFF;
constexpr int kQualities[] = {90, 75, 50};  // best, better, average

uint16_t u16At(const void* bytes, int offset) {
    const auto* at = static_cast<const uint8_t*>(bytes) + offset;
    return static_cast<uint16_t>(at[0] | (at[1] << 8));
}

}  // namespace

Outcome writeSnapshot(const HeadPosition& head, const CameraTraits& camera, const void* pictureParams,
                      const char* path) {
    const uint16_t sizeCode = u16At(pictureParams, 0);
    const uint16_t qualityCode = u16At(pictureParams, 2);
    if (sizeCode != kOwnResolution) return Outcome::failure(STANDIN_ERROR_NOT_SUPPORTED);
    if (qualityCode >= std::size(kQualities)) return Outcome::failure(STANDIN_ERROR_PARAMETER);

    const Picture picture = renderScene(head, camera, STANDIN_SNAPSHOT_WIDTH, STANDIN_SNAPSHOT_HEIGHT);
    if (stbi_write_jpg(path, picture.width, picture.height, 3, picture.rgb.data(), kQualities[qualityCode]) ==
        0) {
        return Outcome::failure(STANDIN_ERROR_CREATE_FILE);
    }
    return Outcome::success();
}

}  // namespace standin
