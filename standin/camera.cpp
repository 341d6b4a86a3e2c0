#include "camera.hpp"

namespace standin {

void Camera::reset() {
    remoteConfigs.reset();
    logins.reset();
    ptz.reset();
    clock.reset();
    scripts.clear();
    delays.reset();
    journal.clear();
}

Camera& camera() {
    // Built on first use, so it exists even when a library's load-time NET_DVR_Init
    // runs before this library's own static constructors; never destroyed, so a
    // library unloading after this one's teardown still finds it.
    static Camera* instance = new Camera;
    return *instance;
}

}  // namespace standin
