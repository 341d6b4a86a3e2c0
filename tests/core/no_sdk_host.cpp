// A host with no link to any SDK: loads the library from the folder given, whose
// SDK is missing or unusable, and checks that the library loaded with the SDK
// not started, that every export reaching the SDK refuses with that text, and
// that OpenOrvaneLib names the SDK file and where it looked.
//   no_sdk_host FOLDER EXPECTED_REASON_PART
#include <cstdio>
#include <functional>
#include <string>

#include "core/sdk_error_text.hpp"
#include "open_orvane.hpp"
#include "orvane_exports.hpp"

namespace {

int failures = 0;

void Expect(bool condition, const std::string& what) {
    if (condition) return;
    std::fprintf(stderr, "FAILED: %s\n", what.c_str());
    ++failures;
}

std::u16string FailureText(const hostloader::OrvaneExports& exports) {
    uint16_t buffer[64] = {};
    const int32_t length = exports.CamLastFailureText(buffer, 64, 0);
    return std::u16string(buffer, buffer + (length > 0 && length < 64 ? length : 0));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: no_sdk_host FOLDER EXPECTED_REASON_PART\n");
        return 2;
    }
    const std::string folder = std::string(argv[1]) + "/";
    hostloader::DynamicLibrary library;
    std::string error;
    if (!library.Open(folder + hostloader::LibraryFileName(), error)) {
        std::fprintf(stderr, "FAILED: the library does not load without the SDK: %s\n", error.c_str());
        return 1;
    }
    hostloader::OrvaneExports exports;
    Expect(hostloader::ResolveOrvaneExports(library, exports), "every export resolves");
    if (failures > 0) return 1;

    // Each call would reach the SDK; none may, and each says the SDK did not start.
    int32_t value = 0;
    uint32_t bits = 0;
    const hostloader::OrvaneExports& e = exports;
    const struct {
        const char* name;
        std::function<bool()> fails;
    } calls[] = {
        {"CamLogin", [&] { return e.CamLogin("192.0.2.64", 8000, "admin", "orvane-demo", 0) == -1; }},
        {"CamLogout", [&] { return e.CamLogout(0, 0) == 0; }},
        {"CamPTZControl", [&] { return e.CamPTZControl(0, 1, 21, 0, 0) == 0; }},
        {"CamPresetCommand", [&] { return e.CamPresetCommand(0, 1, 1, 8, 0) == 0; }},
        {"CamPTZGetCurrent", [&] { return e.CamPTZGetCurrent(0, &value, &value, &value, 0) == 0; }},
        {"CamPTZGetScope",
         [&] { return e.CamPTZGetScope(0, &value, &value, &value, &value, &value, &value, 0) == 0; }},
        {"CamCapture", [&] { return e.CamCapture(0, 1, "snapshot.jpg", 0) == 0; }},
        {"CamThermometryStart", [&] { return e.CamThermometryStart(0, 1, 0) == 0; }},
        {"CamThermometryRead",
         [&] { return e.CamThermometryRead(0, 1, &value, &value, &bits, &bits, &bits, 0) == 0; }},
        {"CamThermometryStop", [&] { return e.CamThermometryStop(0, 1, 0) == 0; }},
    };
    Expect(FailureText(exports).empty(), "no failure before the first call");
    for (const auto& call : calls) {
        Expect(call.fails(), std::string(call.name) + " fails");
        Expect(FailureText(exports) == orvane::kSdkNotReadyText,
               std::string(call.name) + " records that the SDK did not start");
    }
    library.Close();

    // What a host that asks for the SDK as well is told.
    const bool opened = hostloader::OpenOrvaneLib(library, error);
    Expect(!opened, "OpenOrvaneLib refuses a library without its SDK");
    Expect(error.find(hostloader::SdkFileName()) != std::string::npos,
           "the reason names the SDK file: " + error);
    Expect(error.find(argv[2]) != std::string::npos,
           std::string("the reason says \"") + argv[2] + "\": " + error);
    return failures == 0 ? 0 : 1;
}
