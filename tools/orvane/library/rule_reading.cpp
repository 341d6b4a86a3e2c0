#include "library/rule_reading.hpp"

#include <algorithm>
#include <bit>

#include "OrvaneLib.h"

namespace orvane_cli {

SubscriptionHealth ReadHealth(const CameraLibrary& library, int32_t userId, int32_t channel) {
    SubscriptionHealth h;
    h.known = library.api().CamThermometryStatus(userId, channel, &h.state, &h.dataEvents, &h.msSinceData,
                                                 &h.cameraCode, 0) == 1;
    return h;
}

std::optional<std::pair<Measurement, int32_t>> ReadRule(const CameraLibrary& library, int32_t userId,
                                                        int32_t channel, int32_t rule) {
    OrvaneRuleReading r{};
    r.size = sizeof r;
    if (library.api().CamThermometryReadRule(userId, channel, rule, &r, 0) != 1) return std::nullopt;
    Measurement m;
    m.date = r.date, m.time = r.time, m.rule = r.ruleId, m.type = r.calibrationType, m.preset = r.presetNo;
    m.point = std::bit_cast<float>(r.point);
    m.max = std::bit_cast<float>(r.max);
    m.min = std::bit_cast<float>(r.min);
    m.avg = std::bit_cast<float>(r.avg);
    return std::make_pair(m, r.dataEvents);
}

std::vector<int32_t> RulesOf(const CameraLibrary& library, int32_t userId, int32_t channel) {
    std::vector<int32_t> ids(256);
    const int32_t count = library.api().CamThermometryRules(userId, channel, ids.data(), 256, 0);
    ids.resize(static_cast<std::size_t>(std::clamp(count, 0, 256)));
    return ids;
}

}  // namespace orvane_cli
