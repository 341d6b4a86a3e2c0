#include "camera/capture.hpp"

#include <new>
#include <string>

#include "core/failure_protocol.hpp"

namespace orvane::camera {

bool Capture(LibraryState& library, int32_t userId, int32_t channel, const char* filePath) noexcept {
    if (!Ready<readiness::kCapture>(library)) return false;
    if (filePath == nullptr) return Refuse(library, kParameterErrorCode);
    // The call owns its copy of the path: the SDK takes a writable text, and the
    // host's stays untouched whatever the SDK does with it.
    std::string path;
    try {
        path = filePath;
    } catch (const std::bad_alloc&) {
        return RefuseWithLastError(library);
    }
    CaptureParams params{kPictureSize, kPictureQuality};
    return CallSdk(library, &sdk::SdkOps::captureJpeg, userId, channel, &params, path.data());
}

}  // namespace orvane::camera
