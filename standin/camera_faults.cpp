// The control interface's faults of a real camera and network: sessions the
// camera ends, streams that stall, reboots, slow calls and late stops; and what
// the tests check them by.
#include <optional>

#include "camera.hpp"
#include "hcnetsdk_standin.h"

using namespace standin;

extern "C" {

int32_t StandinEndSession(int32_t handle, uint32_t status, uint32_t code, int32_t continuing) {
    return camera().remoteConfigs.endFromCamera(handle, status, code, continuing != 0) ? 1 : 0;
}

int32_t StandinChannelSession(int32_t userId, int32_t channel) {
    return camera().remoteConfigs.newestHandle(userId, channel);
}

void StandinRebootCamera(const char* address) {
    Camera& cam = camera();
    // Logins first, so that no new session starts on one of them meanwhile.
    const std::vector<int32_t> userIds = cam.logins.dropCamera(address);
    cam.remoteConfigs.endSessionsOf(userIds, STANDIN_ERROR_RECEIVE_TIMEOUT);
}

int32_t StandinSetChannelSilent(const char* address, int32_t channel, int32_t silent) {
    const std::optional<SiteIndex> host = address == nullptr ? std::nullopt : SiteCameras::hostOf(address);
    if (!host) return 0;
    camera().remoteConfigs.setSilent(*host, channel, silent != 0);
    return 1;
}

void StandinSetCallDelay(int32_t operation, uint32_t milliseconds) {
    camera().delays.set(operation, milliseconds);
}

void StandinHoldStops(int32_t held) { camera().remoteConfigs.holdStops(held != 0); }

uint64_t StandinStopsOfPair(int32_t userId, int32_t channel) {
    return camera().remoteConfigs.stopsOf(userId, channel);
}

}  // extern "C"
