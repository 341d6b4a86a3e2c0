// Fuzzes CamCapture's path handling: whatever bytes the host's path holds, the
// SDK receives its own writable copy with the same text (up to the first NUL),
// the picture parameters FF 00 01 00 and the user ID and channel unchanged; the
// host's text is never changed, even when the SDK writes into its copy; a null
// path fails with the parameter error and no SDK call.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "camera/capture.hpp"
#include "core/platform/last_error.hpp"
#include "core/sdk_error_text.hpp"
#include "fuzz_support.hpp"

namespace {

using fuzzing::Check;

struct CaptureScript {
    int32_t result = 1;
    uint32_t errorCode = 0;
    bool scribble = false;
    int calls = 0;
    int32_t userId = 0;
    int32_t channel = 0;
    uint8_t params[4] = {};
    const char* pathAddress = nullptr;
    std::string path;
} script;

int32_t HCNETSDK_CALL ScriptedCapture(int32_t userId, int32_t channel, void* params, char* path) {
    ++script.calls;
    script.userId = userId;
    script.channel = channel;
    std::memcpy(script.params, params, sizeof script.params);
    script.pathAddress = path;
    script.path = path;
    // The SDK owns what it was given: it may write over the text it received.
    if (script.scribble) std::memset(path, 'X', std::strlen(path));
    if (script.result == 0) orvane::platform::SetLastError(script.errorCode);
    return script.result;
}

void UseScriptedOperation(orvane::sdk::SdkOps& ops) { ops.captureJpeg = &ScriptedCapture; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static fuzzing::LibraryPair libraries(&UseScriptedOperation);
    fuzzing::ByteReader input(data, size);

    const uint8_t flags = input.Byte();
    orvane::LibraryState& library = libraries.Pick((flags & 1) == 0);
    const bool nullPath = (flags & 2) != 0;
    script.result = (flags & 4) != 0 ? 0 : input.Take<int32_t>() | 1;
    script.scribble = (flags & 8) != 0;
    script.errorCode = input.Take<uint16_t>();
    const int32_t userId = input.Take<int32_t>();
    const int32_t channel = input.Take<int32_t>();
    script.calls = 0;
    // The host's path: the rest of the input and a terminating NUL, in a buffer of
    // exactly that size so that reading past it is caught.
    const std::string rest = input.Bytes(input.Remaining());
    std::vector<char> hostPath(rest.begin(), rest.end());
    hostPath.push_back('\0');
    hostPath.shrink_to_fit();
    const std::vector<char> original = hostPath;

    orvane::platform::SetLastError(9999);
    library.RecordFailure();
    const std::u16string before = library.LastFailureText();

    const bool taken =
        orvane::camera::Capture(library, userId, channel, nullPath ? nullptr : hostPath.data());

    Check(hostPath == original);
    if (!library.SdkReady()) {
        Check(!taken && script.calls == 0 && library.LastFailureText() == orvane::kSdkNotReadyText);
        return 0;
    }
    if (nullPath) {
        Check(!taken && script.calls == 0);
        Check(library.LastFailureText() == orvane::DescribeSdkError(orvane::camera::kParameterErrorCode));
        return 0;
    }
    Check(script.calls == 1 && script.userId == userId && script.channel == channel);
    Check(script.pathAddress != hostPath.data() && script.path == std::string(hostPath.data()));
    const uint8_t expectedParams[4] = {0xFF, 0x00, 0x01, 0x00};
    Check(std::memcmp(script.params, expectedParams, sizeof expectedParams) == 0);
    Check(taken == (script.result != 0));
    Check(library.LastFailureText() == (taken ? before : orvane::DescribeSdkError(script.errorCode)));
    return 0;
}
