#include "library/camera_library.hpp"

#include <vector>

#include "library/text_encoding.hpp"
#include "open_orvane.hpp"

namespace orvane_cli {

const char* const kNoFailureTextNote = "(this library build gives no failure text)";

bool CameraLibrary::Load(std::string& error) {
    const std::string name = hostloader::LibraryFileName();
    if (!hostloader::OpenOrvaneLib(library_, error)) {
        error = "cannot load " + name + ": " + error;
        return false;
    }
    std::string missing;
    const bool all =
        hostloader::ResolveOrvaneExports(library_, exports_, [&](const std::string& exported, bool found) {
            if (!found) missing += " " + exported;
        });
    if (!all) {
        error = name + " lacks exports:" + missing;
        return false;
    }
    failureText_ = exports_.CamLastFailureText;
    return true;
}

std::string CameraLibrary::FailureText() const {
    if (failureText_ == nullptr) return kNoFailureTextNote;
    // The text may change between the two calls (another thread failing), so ask
    // until the buffer held the whole of it.
    for (int attempt = 0; attempt < 4; ++attempt) {
        const int32_t length = failureText_(nullptr, 0, 0);
        if (length <= 0) return "";
        std::vector<uint16_t> buffer(static_cast<std::size_t>(length) + 1, 0);
        const int32_t again = failureText_(buffer.data(), length + 1, 0);
        if (again <= length) {
            buffer.resize(static_cast<std::size_t>(again < 0 ? 0 : again));
            return Utf8FromUtf16(buffer);
        }
    }
    return "(the failure text kept changing while it was read)";
}

LibraryFailure CameraLibrary::LastFailure() const {
    LibraryFailure failure;
    failure.code = exports_.CamLastFailureCode(0);
    failure.text = FailureText();
    failure.english = Describe(failure.code, 1);
    return failure;
}

std::string CameraLibrary::Describe(int32_t code, int32_t language) const {
    // Descriptions are constant, so one sizing call is enough.
    const int32_t length = exports_.CamDescribeFailure(code, language, nullptr, 0, 0);
    if (length <= 0) return "";
    std::vector<uint16_t> buffer(static_cast<std::size_t>(length) + 1, 0);
    exports_.CamDescribeFailure(code, language, buffer.data(), length + 1, 0);
    buffer.resize(static_cast<std::size_t>(length));
    return Utf8FromUtf16(buffer);
}

}  // namespace orvane_cli
