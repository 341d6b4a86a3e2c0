// The simulated site: a camera at every address of 192.0.2.0/24, each with its
// own PTZ head and presets, its own view of the landscape and its own
// thermometry readings, so that two cameras never look alike. The camera at
// STANDIN_CAMERA_ADDRESS is the default one the control interface steers.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "ptz_head.hpp"
#include "sim_clock.hpp"

namespace standin {

// What sets the camera at one address apart. The default camera's traits are
// all zero, so it sees and measures exactly what a single camera would.
struct CameraTraits {
    uint8_t host = 64;  // N of 192.0.2.N

    // The landscape (towers and sun) turned clockwise by this many degrees.
    double sceneTurnDegrees() const;
    // Added to every reading, in degrees Celsius.
    double temperatureOffset() const;
    // Shifts the slow warming and cooling of the measured scene.
    double readingPhase() const;
};

class SiteCameras {
public:
    static constexpr uint8_t kDefaultHost = 64;

    explicit SiteCameras(SimClock& clock) : clock_(clock) {}

    // N of "192.0.2.N" (N written in decimal without leading zeros), or nothing
    // for any other text: only those addresses answer.
    static std::optional<uint8_t> hostOf(const std::string& address);

    // The head of the camera at 192.0.2.host, made on first use and kept (with
    // its address) until the process ends.
    PtzHead& head(uint8_t host);
    // Every head back to its initial state.
    void reset();

private:
    SimClock& clock_;
    std::mutex mutex_;
    std::array<std::unique_ptr<PtzHead>, 256> heads_;
};

}  // namespace standin
