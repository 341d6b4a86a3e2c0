#include "camera.hpp"

#include <cstdlib>

#include "platform/leak_check.hpp"

namespace standin {

void Camera::reset() {
    remoteConfigs.reset();
    logins.reset();
    site.reset();
    clock.reset();
    scripts.clear();
    delays.reset();
    journal.clear();
}

CameraTraits Camera::traitsOf(int32_t userId) const {
    return CameraTraits{logins.hostOf(userId).value_or(SiteCameras::kDefaultHost)};
}

PtzHead& Camera::headOf(int32_t userId) { return site.head(traitsOf(userId).host); }

Camera& camera() {
    // Built on first use, so it exists even when a library's load-time NET_DVR_Init
    // runs before this library's own static constructors; never destroyed, so a
    // library unloading after this one's teardown still finds it.
    static Camera* instance = [] {
        auto* built = new Camera;
        // A slow login for programs tested from outside the process (Ctrl+C
        // during a login); StandinReset forgets it like any other delay.
        if (const char* delay = std::getenv("HCNETSDK_STANDIN_LOGIN_DELAY_MS")) {
            built->delays.set(STANDIN_OP_LOGIN, static_cast<uint32_t>(std::strtoul(delay, nullptr, 10)));
        }
        platform::keepForever(built);
        return built;
    }();
    return *instance;
}

}  // namespace standin
