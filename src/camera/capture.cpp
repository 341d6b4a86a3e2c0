#include "camera/capture.hpp"

#include <new>
#include <string>

#include "core/platform/last_error.hpp"

namespace orvane::camera {

bool Capture(LibraryState& library, int32_t userId, int32_t channel, const char* filePath) noexcept {
    if (!library.SdkReady()) {
        library.RecordFailure();
        return false;
    }
    if (filePath == nullptr) {
        platform::SetLastError(kParameterErrorCode);
        library.RecordFailure();
        return false;
    }
    // The call owns its copy of the path: the SDK takes a writable text, and the
    // host's stays untouched whatever the SDK does with it.
    std::string path;
    try {
        path = filePath;
    } catch (const std::bad_alloc&) {
        library.RecordFailure();
        return false;
    }
    CaptureParams params{kPictureSize, kPictureQuality};
    if (library.Sdk().captureJpeg(userId, channel, &params, path.data()) != 0) return true;
    library.RecordFailure();
    return false;
}

}  // namespace orvane::camera
