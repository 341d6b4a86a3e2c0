#include "thermometry/thermometry_subscription.hpp"

namespace orvane::thermometry {

ThermometrySubscription::ThermometrySubscription(int32_t userIdValue, int32_t channelValue)
    : userId(userIdValue), channel(channelValue), upload(new uint8_t[kUploadSize]()) {}

}  // namespace orvane::thermometry
