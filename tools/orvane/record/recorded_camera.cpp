#include "record/recorded_camera.hpp"

#include "render/output.hpp"

namespace orvane_cli {

std::string RuleLabel(const std::string& camera, int32_t channel, const Measurement& m) {
    return camera + " ch " + std::to_string(channel) + " rule " + std::to_string(m.rule) + " " +
           RuleTypeName(m.type);
}

std::string Readings(const Measurement& m) {
    if (m.IsPoint()) return "point " + Decimal(m.point, 2) + " °C";
    return "max " + Decimal(m.max, 2) + " °C  min " + Decimal(m.min, 2) + " °C  avg " + Decimal(m.avg, 2) +
           " °C";
}

}  // namespace orvane_cli
