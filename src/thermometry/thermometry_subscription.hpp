// One realtime thermometry subscription: who it was started for, the SDK's handle,
// and the newest measurement the SDK delivered for it.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace orvane::thermometry {

inline constexpr std::size_t kUploadSize = 440;

struct ThermometrySubscription {
    ThermometrySubscription(int32_t userId, int32_t channel);

    const int32_t userId;
    const int32_t channel;
    // Handle of the SDK's remote configuration; negative when the start failed.
    std::atomic<int32_t> configHandle{-1};
    // Data events received; only ever grows.
    std::atomic<int32_t> eventCount{0};
    int32_t year = 0;
    int32_t month = 0;
    int32_t day = 0;
    int32_t hour = 0;
    int32_t minute = 0;
    int32_t second = 0;
    // Copy of the newest measurement block, zeroed until the first one arrives.
    std::unique_ptr<uint8_t[]> upload;
    // Diagnostic text of the event being handled.
    std::string eventText;
};

}  // namespace orvane::thermometry
