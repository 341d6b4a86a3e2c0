// Reading back the snapshot files the simulated camera writes.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace testsupport {

struct DecodedPicture {
    int width = 0;
    int height = 0;
    int channels = 0;
    std::vector<unsigned char> pixels;
};

// Decodes a JPEG file; nothing when the file is missing or not a JPEG.
std::optional<DecodedPicture> DecodeJpegFile(const std::string& path);
// The file's bytes; empty when it cannot be read.
std::vector<unsigned char> ReadFileBytes(const std::string& path);

// A file name in the working directory, unique to the test, removed when the
// object goes away.
class ScratchFile {
public:
    explicit ScratchFile(const std::string& stem);
    ~ScratchFile();
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;
    const char* Path() const { return path_.c_str(); }

private:
    std::string path_;
};

}  // namespace testsupport
