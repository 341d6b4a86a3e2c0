// Subscription records made on a list without the SDK: each start gives its
// record the handle the test names and succeeds when that is not negative, by
// the same rules (reuse, answering record) as the library's own starts.
#pragma once

#include <cstdint>

#include "thermometry/subscription_list.hpp"

namespace testsupport {

inline orvane::thermometry::ThermometrySubscription& StartRecord(orvane::thermometry::SubscriptionList& list,
                                                                 int32_t userId, int32_t channel,
                                                                 int32_t handle) {
    orvane::thermometry::ThermometrySubscription* started = nullptr;
    list.Start(userId, channel, [&](orvane::thermometry::ThermometrySubscription& record) {
        record.SetHandle(handle);
        started = &record;
        return handle >= 0;
    });
    return *started;
}

}  // namespace testsupport
