#include <bit>
#include <chrono>
#include <cstdio>
#include <thread>

#include "demo_steps.hpp"

namespace demo {

namespace {

constexpr int kChannel = 1;
constexpr auto kWatchTime = std::chrono::seconds(3);
constexpr auto kPollInterval = std::chrono::milliseconds(50);

struct Reading {
    int32_t date = 0, time = 0;
    uint32_t max = 0, min = 0, avg = 0;
    bool operator==(const Reading&) const = default;
};

// The readings come as the bits of single-precision floats.
double Degrees(uint32_t bits) { return static_cast<double>(std::bit_cast<float>(bits)); }

void ShowStatus(const Exports& exports, int32_t userId) {
    static const char* const kStates[] = {"?", "running", "stopped", "start failed", "failing on the camera"};
    int32_t state = 0, events = 0, msSinceData = 0, cameraCode = 0;
    if (exports.CamThermometryStatus(userId, kChannel, &state, &events, &msSinceData, &cameraCode, 0) != 1) {
        std::printf("  CamThermometryStatus: no subscription\n");
        return;
    }
    std::printf("  CamThermometryStatus: %s, %d data events, newest %d ms ago, camera code %d\n",
                state >= 1 && state <= 4 ? kStates[state] : kStates[0], events, msSinceData, cameraCode);
}

}  // namespace

void WatchThermometry(const Exports& exports, int32_t userId) {
    std::printf("Starting realtime thermometry on channel %d ...\n", kChannel);
    if (exports.CamThermometryStart(userId, kChannel, 0) != 1) {
        std::printf("  the camera refused the subscription\n");
        return;
    }
    std::printf("  started; readings as they arrive:\n");
    std::printf("    %-10s  %-8s  %8s  %8s  %8s\n", "date", "time", "max", "min", "avg");
    Reading last;
    int shown = 0;
    const auto end = std::chrono::steady_clock::now() + kWatchTime;
    while (std::chrono::steady_clock::now() < end) {
        Reading now;
        const bool measured = exports.CamThermometryRead(userId, kChannel, &now.date, &now.time, &now.max,
                                                         &now.min, &now.avg, 0) == 1;
        if (measured && !(now == last)) {
            std::printf("    %04d-%02d-%02d  %02d:%02d:%02d  %8.2f  %8.2f  %8.2f\n", now.date / 10000,
                        now.date / 100 % 100, now.date % 100, now.time / 10000, now.time / 100 % 100,
                        now.time % 100, Degrees(now.max), Degrees(now.min), Degrees(now.avg));
            last = now;
            ++shown;
        }
        std::this_thread::sleep_for(kPollInterval);
    }
    if (shown == 0) std::printf("    (no reading arrived)\n");
    ShowStatus(exports, userId);
    std::printf("Stopping the subscription ...\n");
    std::printf("  %s\n", exports.CamThermometryStop(userId, kChannel, 0) == 1 ? "stopped" : "stop failed");
    ShowStatus(exports, userId);
}

}  // namespace demo
