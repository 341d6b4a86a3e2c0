#include <bit>
#include <chrono>
#include <cstdio>
#include <thread>

#include "hcnetsdk_standin.h"

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
    static const char* const kStates[] = {
        "?", "running", "stopped", "start failed", "failing on the camera", "starting"};
    int32_t state = 0, events = 0, msSinceData = 0, cameraCode = 0;
    if (exports.CamThermometryStatus(userId, kChannel, &state, &events, &msSinceData, &cameraCode, 0) != 1) {
        std::printf("  CamThermometryStatus: no subscription\n");
        return;
    }
    std::printf("  CamThermometryStatus: %s, %d data events, newest %d ms ago, camera code %d\n",
                state >= 1 && state <= 5 ? kStates[state] : kStates[0], events, msSinceData, cameraCode);
}

// The simulated site's camera that measures three things at once on channel 1.
constexpr const char* kThreeRuleCamera = "192.0.2.66";
constexpr auto kRulesTime = std::chrono::seconds(1);

void ShowRule(const Exports& exports, int32_t userId, int32_t ruleId) {
    static const char* const kTypes[] = {"point", "box", "line"};
    OrvaneRuleReading reading{};
    reading.size = sizeof reading;
    if (exports.CamThermometryReadRule(userId, kChannel, ruleId, &reading, 0) != 1) {
        std::printf("    rule %d: no reading\n", ruleId);
        return;
    }
    const char* type =
        reading.calibrationType >= 0 && reading.calibrationType <= 2 ? kTypes[reading.calibrationType] : "?";
    std::printf("    rule %d (%s, preset %d) at %02d:%02d:%02d, %d events: ", reading.ruleId, type,
                reading.presetNo, reading.time / 10000, reading.time / 100 % 100, reading.time % 100,
                reading.dataEvents);
    if (reading.calibrationType == 0) {
        std::printf("%.2f\n", Degrees(reading.point));
    } else {
        std::printf("max %.2f  min %.2f  avg %.2f\n", Degrees(reading.max), Degrees(reading.min),
                    Degrees(reading.avg));
    }
}

}  // namespace

void WatchRules(const Exports& exports) {
    std::printf("Reading a camera that measures several things at once (%s) rule by rule ...\n",
                kThreeRuleCamera);
    const int32_t userId = exports.CamLogin(kThreeRuleCamera, STANDIN_CAMERA_PORT, STANDIN_CAMERA_USER,
                                            STANDIN_CAMERA_PASSWORD, 0);
    if (userId < 0 || exports.CamThermometryStart(userId, kChannel, 0) != 1) {
        std::printf("  the camera refused the login or the subscription\n");
        if (userId >= 0) exports.CamLogout(userId, 0);
        return;
    }
    std::this_thread::sleep_for(kRulesTime);
    int32_t ids[16];
    const int32_t count = exports.CamThermometryRules(userId, kChannel, ids, 16, 0);
    std::printf("  CamThermometryRules: %d rules; CamThermometryReadRule for each:\n", count);
    for (int32_t i = 0; i < count && i < 16; ++i) ShowRule(exports, userId, ids[i]);
    exports.CamThermometryStop(userId, kChannel, 0);
    exports.CamLogout(userId, 0);
}

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
