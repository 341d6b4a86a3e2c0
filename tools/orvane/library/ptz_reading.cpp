#include "library/ptz_reading.hpp"

#include <utility>
#include <vector>

#include "render/output.hpp"

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

namespace {

// Each value in degrees or magnification under its name, and the camera's
// tenths under the same names in "raw".
template <std::size_t N>
std::string InUnits(const std::array<const char*, N>& names, const std::array<int32_t, N>& tenths) {
    std::vector<std::pair<std::string, std::string>> fields, raw;
    for (std::size_t i = 0; i < N; ++i) {
        fields.emplace_back(names[i], Tenths(tenths[i]));
        raw.emplace_back(names[i], std::to_string(tenths[i]));
    }
    fields.emplace_back("raw", Output::Object(raw));
    return Output::Object(fields);
}

}  // namespace

std::string PositionJson(const std::array<int32_t, 3>& p) { return InUnits<3>({"pan", "tilt", "zoom"}, p); }

std::string RangesJson(const std::array<int32_t, 6>& r) {
    return InUnits<6>({"pan_min", "pan_max", "tilt_min", "tilt_max", "zoom_min", "zoom_max"}, r);
}

}  // namespace orvane_cli
