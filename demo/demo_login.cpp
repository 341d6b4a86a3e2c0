#include <cstdio>
#include <string>
#include <vector>

#include "demo_steps.hpp"
#include "hcnetsdk_standin.h"

namespace demo {
namespace {

// UTF-8 for the terminal from the UTF-16 units of a failure text (all of its
// characters lie in the Basic Multilingual Plane, one unit each).
std::string ToUtf8(const std::vector<uint16_t>& units) {
    std::string out;
    for (const uint16_t unit : units) {
        if (unit < 0x80) {
            out += static_cast<char>(unit);
        } else if (unit < 0x800) {
            out += static_cast<char>(0xC0 | (unit >> 6));
            out += static_cast<char>(0x80 | (unit & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (unit >> 12));
            out += static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (unit & 0x3F));
        }
    }
    return out;
}

// Asks for the length first, then for the text, as a host sizes its buffer.
void ShowFailureText(const Exports& exports) {
    const int32_t length = exports.CamLastFailureText(nullptr, 0, 0);
    std::vector<uint16_t> buffer(static_cast<size_t>(length) + 1);
    exports.CamLastFailureText(buffer.data(), static_cast<int32_t>(buffer.size()), 0);
    buffer.resize(static_cast<size_t>(length));
    std::printf("  CamLastFailureText: %d UTF-16 units: \"%s\"\n", length, ToUtf8(buffer).c_str());
}

// The code behind the text, and what it means in English.
void ShowFailureCode(const Exports& exports) {
    const int32_t code = exports.CamLastFailureCode(0);
    const int32_t length = exports.CamDescribeFailure(code, 1, nullptr, 0, 0);
    std::vector<uint16_t> buffer(static_cast<size_t>(length < 0 ? 0 : length) + 1);
    exports.CamDescribeFailure(code, 1, buffer.data(), static_cast<int32_t>(buffer.size()), 0);
    buffer.resize(buffer.size() - 1);
    std::printf("  CamLastFailureCode: %d; CamDescribeFailure in English: \"%s\"\n", code,
                ToUtf8(buffer).c_str());
}

}  // namespace

bool ResolveExports(const hostloader::DynamicLibrary& library, Exports& exports) {
    std::printf("Resolving the exports by name:\n");
    return hostloader::ResolveOrvaneExports(library, exports, [](const std::string& name, bool found) {
        std::printf("  %s %s\n", found ? "resolved" : "missing:", name.c_str());
    });
}

int32_t LogIn(const Exports& exports) {
    std::printf("Logging in to %s:%d as %s with a wrong password ...\n", STANDIN_CAMERA_ADDRESS,
                STANDIN_CAMERA_PORT, STANDIN_CAMERA_USER);
    const int32_t refused =
        exports.CamLogin(STANDIN_CAMERA_ADDRESS, STANDIN_CAMERA_PORT, STANDIN_CAMERA_USER, "guess", 0);
    std::printf("  the camera refused it: CamLogin returned %d\n", refused);
    ShowFailureText(exports);
    ShowFailureCode(exports);

    std::printf("Logging in with the right password ...\n");
    const int32_t userId = exports.CamLogin(STANDIN_CAMERA_ADDRESS, STANDIN_CAMERA_PORT, STANDIN_CAMERA_USER,
                                            STANDIN_CAMERA_PASSWORD, 0);
    if (userId < 0) {
        std::printf("  login failed unexpectedly (%d)\n", userId);
    } else {
        std::printf("  logged in; the camera gave user ID %d\n", userId);
    }
    return userId;
}

void LogOut(const Exports& exports, int32_t userId) {
    std::printf("Logging out user ID %d ...\n", userId);
    std::printf("  %s\n", exports.CamLogout(userId, 0) == 1 ? "logged out" : "logout failed");
}

}  // namespace demo
