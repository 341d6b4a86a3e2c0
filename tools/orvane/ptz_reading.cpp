#include "ptz_reading.hpp"

#include "output.hpp"

namespace orvane_cli {
namespace {

std::string Tenths(int32_t value) { return Decimal(value / 10.0, 1); }

}  // namespace

std::optional<std::array<int32_t, 3>> ReadPosition(const CameraLibrary& library, int32_t userId) {
    std::array<int32_t, 3> v{};
    if (library.api().CamPTZGetCurrent(userId, &v[0], &v[1], &v[2], 0) != 1) return std::nullopt;
    return v;
}

std::optional<std::array<int32_t, 6>> ReadRanges(const CameraLibrary& library, int32_t userId) {
    std::array<int32_t, 6> v{};
    if (library.api().CamPTZGetScope(userId, &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], 0) != 1) {
        return std::nullopt;
    }
    return v;
}

std::string DescribePosition(const std::array<int32_t, 3>& p) {
    return "pan " + Tenths(p[0]) + " deg, tilt " + Tenths(p[1]) + " deg, zoom " + Tenths(p[2]) + "x";
}

std::string DescribeRanges(const std::array<int32_t, 6>& r) {
    return "pan " + Tenths(r[0]) + " to " + Tenths(r[1]) + " deg, tilt " + Tenths(r[2]) + " to " +
           Tenths(r[3]) + " deg, zoom " + Tenths(r[4]) + "x to " + Tenths(r[5]) + "x";
}

std::string PositionJson(const std::array<int32_t, 3>& p) {
    return Output::Object(
        {{"pan", std::to_string(p[0])}, {"tilt", std::to_string(p[1])}, {"zoom", std::to_string(p[2])}});
}

std::string RangesJson(const std::array<int32_t, 6>& r) {
    return Output::Object({{"pan_min", std::to_string(r[0])},
                           {"pan_max", std::to_string(r[1])},
                           {"tilt_min", std::to_string(r[2])},
                           {"tilt_max", std::to_string(r[3])},
                           {"zoom_min", std::to_string(r[4])},
                           {"zoom_max", std::to_string(r[5])}});
}

}  // namespace orvane_cli
