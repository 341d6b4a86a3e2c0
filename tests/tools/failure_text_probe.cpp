// Asks the library itself, without the tool, for the failure text a login leaves,
// so that the tool's tests can compare what the tool prints against it.
//   orvane_failure_text_probe ADDRESS PORT USER PASSWORD
// prints one JSON object: {"login": <user ID>, "available": <bool>, "text": "..."}.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "camera_library.hpp"
#include "text_encoding.hpp"

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
    std::printf("{\"login\": %d, \"available\": %s, \"text\": %s}\n", static_cast<int>(userId),
                library.HasFailureText() ? "true" : "false", orvane_cli::JsonString(text).c_str());
    if (userId >= 0) library.api().CamLogout(userId, 0);
    return 0;
}
