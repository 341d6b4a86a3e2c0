// The simulated site: a camera at every address of the three documentation
// ranges 192.0.2.0/24, 198.51.100.0/24 and 203.0.113.0/24, each with its own
// PTZ head and presets, its own view of the landscape and its own thermometry
// readings, so that two cameras never look alike. The camera at
// STANDIN_CAMERA_ADDRESS is the default one the control interface steers.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ptz_head.hpp"
#include "sim_clock.hpp"

namespace standin {

// A camera of the site by its address: N of 192.0.2.N, 256 + N of
// 198.51.100.N, 512 + N of 203.0.113.N.
using SiteIndex = uint16_t;
inline constexpr std::size_t kSiteCameraCount = 768;

// What sets the camera at one address apart. The default camera's traits are
// all zero, so it sees and measures exactly what a single camera would.
struct CameraTraits {
    SiteIndex host = 64;  // 192.0.2.64

    // The landscape (towers and sun) turned clockwise by this many degrees.
    double sceneTurnDegrees() const;
    // Added to every reading, in degrees Celsius.
    double temperatureOffset() const;
    // Shifts the slow warming and cooling of the measured scene.
    double readingPhase() const;
};

// One measurement rule of a channel: what a camera measures there (a point, a
// box or a line, per preset), each sent as an event of its own.
struct MeasureRule {
    uint8_t id = 1;
    uint8_t calibrationType = 2;  // 0 a point, 1 a box, 2 a line
    uint16_t presetNo = 0;
};

class SiteCameras {
public:
    static constexpr SiteIndex kDefaultHost = 64;

    explicit SiteCameras(SimClock& clock) : clock_(clock) {}

    // The index of "192.0.2.N", "198.51.100.N" or "203.0.113.N" (N written in
    // decimal without leading zeros, 0 to 255), or nothing for any other text:
    // only those addresses answer.
    static std::optional<SiteIndex> hostOf(const std::string& address);

    // The head of the camera at index host, made on first use and kept (with
    // its address) until the process ends.
    PtzHead& head(SiteIndex host);
    // The rules the camera at index host measures on `channel`, in the order
    // its events go out: those set last, or the site's out of the box (three
    // rules on channel 1 of 192.0.2.66, one line rule anywhere else).
    std::vector<MeasureRule> rules(SiteIndex host, int32_t channel);
    // Sets them; an empty list gives back the ones out of the box.
    void setRules(SiteIndex host, int32_t channel, std::vector<MeasureRule> rules);
    // Every head back to its initial state, every channel to its rules out of
    // the box.
    void reset();

private:
    SimClock& clock_;
    std::mutex mutex_;
    std::array<std::unique_ptr<PtzHead>, kSiteCameraCount> heads_;
    std::map<std::pair<SiteIndex, int32_t>, std::vector<MeasureRule>> rules_;
};

}  // namespace standin
