#include <cstdio>

#include "demo_steps.hpp"
#include "hcnetsdk_standin.h"

namespace demo {

namespace {

template <class Function>
bool Resolve(const hostloader::DynamicLibrary& library, Function& target, const char* name, int slots) {
    target = library.Export<Function>(name, slots);
    if (target == nullptr) {
        std::printf("  export %s is missing\n", hostloader::ExportName(name, slots).c_str());
        return false;
    }
    std::printf("  resolved %s\n", hostloader::ExportName(name, slots).c_str());
    return true;
}

}  // namespace

bool ResolveExports(const hostloader::DynamicLibrary& library, Exports& exports) {
    std::printf("Resolving the exports by name:\n");
    return Resolve(library, exports.CamLogin, "CamLogin", 5) &&
           Resolve(library, exports.CamLogout, "CamLogout", 2) &&
           Resolve(library, exports.JobAssign, "JobAssign", 1) &&
           Resolve(library, exports.CamPTZControl, "CamPTZControl", 5) &&
           Resolve(library, exports.CamPresetCommand, "CamPresetCommand", 5) &&
           Resolve(library, exports.CamPTZGetCurrent, "CamPTZGetCurrent", 5) &&
           Resolve(library, exports.CamPTZGetScope, "CamPTZGetScope", 8) &&
           Resolve(library, exports.CamCapture, "CamCapture", 4) &&
           Resolve(library, exports.CamThermometryStart, "CamThermometryStart", 3) &&
           Resolve(library, exports.CamThermometryStop, "CamThermometryStop", 3) &&
           Resolve(library, exports.CamThermometryRead, "CamThermometryRead", 8);
}

int32_t LogIn(const Exports& exports) {
    std::printf("Logging in to %s:%d as %s with a wrong password ...\n", STANDIN_CAMERA_ADDRESS,
                STANDIN_CAMERA_PORT, STANDIN_CAMERA_USER);
    const int32_t refused =
        exports.CamLogin(STANDIN_CAMERA_ADDRESS, STANDIN_CAMERA_PORT, STANDIN_CAMERA_USER, "guess", 0);
    std::printf("  the camera refused it: CamLogin returned %d\n", refused);

    std::printf("Logging in with the right password ...\n");
    const int32_t userId = exports.CamLogin(STANDIN_CAMERA_ADDRESS, STANDIN_CAMERA_PORT,
                                            STANDIN_CAMERA_USER, STANDIN_CAMERA_PASSWORD, 0);
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
