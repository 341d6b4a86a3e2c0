// Asks the library itself, without the tool, for the failure text a login leaves,
// so that the tool's tests can compare what the tool prints against it.
//   orvane_failure_text_probe ADDRESS PORT USER PASSWORD
// prints one JSON object: {"login": <user ID>, "available": <bool>, "text": "...",
// "code": <code>, "english": "..."}, the last two straight from the exports.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "library/camera_library.hpp"
#include "library/text_encoding.hpp"

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s ADDRESS PORT USER PASSWORD\n", argv[0]);
        return 2;
    }
    orvane_cli::CameraLibrary library;
    std::string error;
    if (!library.Load(error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 4;
    }
    const int32_t userId = library.api().CamLogin(argv[1], std::atoi(argv[2]), argv[3], argv[4], 0);
    const std::string text = library.HasFailureText() ? library.FailureText() : "";
    const int32_t code = library.api().CamLastFailureCode(0);
    uint16_t english[128] = {};
    const int32_t length = library.api().CamDescribeFailure(code, 1, english, 128, 0);
    std::vector<uint16_t> units(english, english + (length < 0 ? 0 : (length > 127 ? 127 : length)));
    std::printf("{\"login\": %d, \"available\": %s, \"text\": %s, \"code\": %d, \"english\": %s}\n",
                static_cast<int>(userId), library.HasFailureText() ? "true" : "false",
                orvane_cli::JsonString(text).c_str(), static_cast<int>(code),
                orvane_cli::JsonString(orvane_cli::Utf8FromUtf16(units)).c_str());
    if (userId >= 0) library.api().CamLogout(userId, 0);
    return 0;
}
