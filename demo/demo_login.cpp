#include <cstdio>
#include <string>

#include "demo_steps.hpp"
#include "hcnetsdk_standin.h"

namespace demo {

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
