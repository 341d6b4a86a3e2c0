// The alarm limits of orvane serve, one place for what the page marks, what
// /api/cameras calls an alarm and what /metrics hands the alert rules. Each
// --alarm-above and --alarm-below argument sets a limit at one level:
//   C                       every rule of every camera
//   CAMERA=C                every rule of that camera (CAMERA as given with -a
//                           or in the --config file)
//   CAMERA/RULE=C           that rule on every channel of the camera
//   CAMERA/CHANNEL/RULE=C   that rule of that channel
// and the most specific level given for a rule wins. C is degrees Celsius, or
// `none` for no limit at that level (a camera that runs hot left out).
// Without an argument for every rule, the limit above is 45 °C.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace orvane_cli::serve {

inline constexpr double kDefaultAlarmAboveCelsius = 45;

// A rule's limits; none where no limit applies.
struct RuleLimits {
    std::optional<double> above, below;
};

// The arguments as given on the command line, and what the service watches.
struct AlarmArguments {
    std::vector<std::string> above, below;
};
struct Watched {
    Watched() = default;
    // Every camera with the same channels.
    Watched(const std::vector<std::string>& addresses, const std::vector<int32_t>& channels);

    // Each camera (as given with -a or in the --config file) and its channels.
    std::map<std::string, std::vector<int32_t>, std::less<>> cameras;
};

class AlarmLimits {
public:
    // The default alone: 45 °C above, nothing below.
    AlarmLimits();

    // The limits of `arguments`; or the problem of the first one that is not
    // a limit of a camera, channel and rule in `watched` or sets a level
    // already set, naming the option and the argument as given.
    static std::pair<AlarmLimits, std::string> Read(const AlarmArguments& arguments, const Watched& watched);

    RuleLimits For(std::string_view camera, int32_t channel, int32_t rule) const;
    // The limits of every rule that no narrower level names.
    RuleLimits Everywhere() const { return {above_.everywhere, below_.everywhere}; }

private:
    // One direction's levels. A level not given is absent from them; one
    // given as `none` holds an empty limit.
    struct CameraLevels {
        std::optional<std::optional<double>> camera;
        // By (channel, rule); channel 0 for the rule on every channel.
        std::map<std::pair<int32_t, int32_t>, std::optional<double>> rules;
    };
    struct Levels {
        std::optional<double> everywhere;
        bool everywhereGiven = false;
        std::map<std::string, CameraLevels, std::less<>> cameras;

        std::string Add(const std::string& option, const std::string& argument, const Watched& watched);
        std::optional<double> Find(std::string_view camera, int32_t channel, int32_t rule) const;
    };

    Levels above_, below_;
};

}  // namespace orvane_cli::serve
