#include "support/jpeg_reader.hpp"

#include <cstdio>
#include <fstream>
#include <iterator>

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_JPEG
#include <stb_image.h>

namespace testsupport {

std::vector<unsigned char> ReadFileBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::optional<DecodedPicture> DecodeJpegFile(const std::string& path) {
    const std::vector<unsigned char> bytes = ReadFileBytes(path);
    // The JPEG start-of-image marker, so that no other format passes.
    if (bytes.size() < 2 || bytes[0] != 0xFF || bytes[1] != 0xD8) return std::nullopt;
    DecodedPicture picture;
    unsigned char* pixels = stbi_load_from_memory(bytes.data(), static_cast<int>(bytes.size()),
                                                  &picture.width, &picture.height, &picture.channels, 0);
    if (pixels == nullptr) return std::nullopt;
    picture.pixels.assign(
        pixels, pixels + static_cast<std::size_t>(picture.width) * picture.height * picture.channels);
    stbi_image_free(pixels);
    return picture;
}

ScratchFile::ScratchFile(const std::string& stem) : path_(stem + ".jpg") { std::remove(path_.c_str()); }

ScratchFile::~ScratchFile() { std::remove(path_.c_str()); }

}  // namespace testsupport
