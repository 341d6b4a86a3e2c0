// The camera step of the demo: steering the simulated camera's PTZ head, its
// presets, and a snapshot.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <thread>

#include "demo_steps.hpp"
#include "hcnetsdk_standin.h"

namespace demo {
namespace {

constexpr int32_t kChannel = 1;
constexpr uint32_t kPreset = 1;
constexpr uint32_t kPresetSet = 8;
constexpr uint32_t kPresetGoTo = 39;
constexpr const char* kSnapshotFile = "orvane_demo_snapshot.jpg";

void ShowPosition(const Exports& exports, int32_t userId, const char* when) {
    int32_t pan = 0, tilt = 0, zoom = 0;
    if (exports.CamPTZGetCurrent(userId, &pan, &tilt, &zoom, 0) != 1) {
        std::printf("  position %s: the query failed\n", when);
        return;
    }
    std::printf("  position %s: pan %d.%d deg, tilt %d.%d deg, zoom %d.%dx\n", when, pan / 10, pan % 10,
                tilt / 10, tilt % 10, zoom / 10, zoom % 10);
}

void ShowRanges(const Exports& exports, int32_t userId) {
    int32_t v[6] = {};
    if (exports.CamPTZGetScope(userId, &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], 0) != 1) {
        std::printf("  ranges: the query failed\n");
        return;
    }
    std::printf("  ranges: pan %d to %d, tilt %d to %d, zoom %d to %d (tenths)\n", v[0], v[1], v[2], v[3],
                v[4], v[5]);
}

// Runs one motion for a while at the library's fixed speed, then stops it.
void Move(const Exports& exports, int32_t userId, uint32_t command, const char* what, int milliseconds) {
    std::printf("Moving the head: %s for %d ms ...\n", what, milliseconds);
    if (exports.CamPTZControl(userId, kChannel, command, 1, 0) != 1) {
        std::printf("  the camera refused to start\n");
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    std::printf("  %s\n",
                exports.CamPTZControl(userId, kChannel, command, 0, 0) == 1 ? "stopped" : "stop failed");
}

std::string FullPath(const char* fileName) {
    std::error_code error;
    const std::filesystem::path full = std::filesystem::absolute(fileName, error);
    return error ? std::string(fileName) : full.string();
}

}  // namespace

void SteerCamera(const Exports& exports, int32_t userId) {
    std::printf("Reading the PTZ head before moving it ...\n");
    ShowPosition(exports, userId, "before");
    ShowRanges(exports, userId);

    std::printf("Storing the starting position as preset %u ...\n", kPreset);
    std::printf("  %s\n", exports.CamPresetCommand(userId, kChannel, kPreset, kPresetSet, 0) == 1 ? "stored"
                                                                                                  : "failed");
    Move(exports, userId, STANDIN_PTZ_PAN_RIGHT, "pan right", 1500);
    Move(exports, userId, STANDIN_PTZ_TILT_DOWN, "tilt down", 1000);
    Move(exports, userId, STANDIN_PTZ_ZOOM_IN, "zoom in", 500);
    std::printf("Reading the PTZ head after moving it ...\n");
    ShowPosition(exports, userId, "after");
    ShowRanges(exports, userId);

    std::printf("Sending preset command 264 (not one of 8, 9, 39) ...\n");
    std::printf("  %s\n", exports.CamPresetCommand(userId, kChannel, kPreset, 264, 0) == 1
                              ? "accepted (unexpected)"
                              : "refused by the library without reaching the camera");

    std::printf("Saving a snapshot to %s ...\n", kSnapshotFile);
    if (exports.CamCapture(userId, kChannel, kSnapshotFile, 0) == 1) {
        std::printf("  the picture went to %s\n", FullPath(kSnapshotFile).c_str());
    } else {
        std::printf("  the capture failed\n");
    }

    std::printf("Going back to preset %u ...\n", kPreset);
    std::printf("  %s\n",
                exports.CamPresetCommand(userId, kChannel, kPreset, kPresetGoTo, 0) == 1 ? "done" : "failed");
    ShowPosition(exports, userId, "at the preset");
}

}  // namespace demo
