// A host whose main thread calls exit() while eight other threads keep calling
// exports: reads, starts and stops of subscriptions, failure texts, logouts.
// Whatever the library does at process end, none of those calls may touch
// memory it already released; the test runs this many times under the
// sanitizers and expects a clean exit every time.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "dynamic_library.hpp"
#include "hcnetsdk_standin.h"
#include "orvane_exports.hpp"

int main() {
    // Never destroyed: the process ends with the library loaded, as a host that
    // links it does (closing it would unmap code the other threads still run).
    auto& library = *new hostloader::DynamicLibrary;
    static hostloader::OrvaneExports exports;
    std::string error;
    if (!library.Open(hostloader::LibraryFileName(), error) ||
        !hostloader::ResolveOrvaneExports(library, exports, [](const std::string&, bool) {})) {
        std::fprintf(stderr, "could not load the library: %s\n", error.c_str());
        return 2;
    }
    const int32_t user = exports.CamLogin(STANDIN_CAMERA_ADDRESS, STANDIN_CAMERA_PORT, STANDIN_CAMERA_USER,
                                          STANDIN_CAMERA_PASSWORD, 0);
    if (user < 0) return 3;
    for (int32_t channel = 1; channel <= 4; ++channel) exports.CamThermometryStart(user, channel, 0);

    static std::atomic<int> running{0};
    for (int t = 0; t < 8; ++t) {
        std::thread([t, user] {
            running.fetch_add(1);
            for (uint32_t i = 0;; ++i) {
                int32_t date = 0, time = 0;
                uint32_t max = 0, min = 0, avg = 0;
                const int32_t channel = 1 + static_cast<int32_t>((i + static_cast<uint32_t>(t)) % 6);
                switch ((i + static_cast<uint32_t>(t)) % 8) {
                    case 0:
                        exports.CamThermometryStart(user, channel, 0);
                        break;
                    case 1:
                        exports.CamThermometryStop(user, channel, 0);
                        break;
                    case 2: {
                        uint16_t text[64];
                        exports.CamLastFailureText(text, 64, 0);
                        break;
                    }
                    case 3:
                        exports.CamLogout(-1, 0);
                        break;
                    default:
                        exports.CamThermometryRead(user, channel, &date, &time, &max, &min, &avg, 0);
                }
            }
        }).detach();
    }
    while (running.load() < 8) std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::exit(0);
}
