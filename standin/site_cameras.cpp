#include "site_cameras.hpp"

namespace standin {
namespace {

constexpr const char* kSitePrefix = "192.0.2.";

// Distance from the default camera, so that the default one is unchanged and
// neighbours differ clearly.
int offsetFromDefault(uint8_t host) { return static_cast<int>(host) - SiteCameras::kDefaultHost; }

// The multi-rule camera of the site out of the box: a point on a bearing, a box
// over a motor and a line along a belt.
constexpr uint8_t kMultiRuleHost = 66;
constexpr int32_t kMultiRuleChannel = 1;

}  // namespace

double CameraTraits::sceneTurnDegrees() const { return offsetFromDefault(host) * 37.0; }

double CameraTraits::temperatureOffset() const { return offsetFromDefault(host) % 8 * 0.75; }

double CameraTraits::readingPhase() const { return offsetFromDefault(host) * 1.3; }

std::optional<uint8_t> SiteCameras::hostOf(const std::string& address) {
    const std::string prefix = kSitePrefix;
    if (address.size() <= prefix.size() || address.size() > prefix.size() + 3 ||
        address.compare(0, prefix.size(), prefix) != 0) {
        return std::nullopt;
    }
    const std::string digits = address.substr(prefix.size());
    if (digits.size() > 1 && digits[0] == '0') return std::nullopt;
    unsigned value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value > 255) return std::nullopt;
    return static_cast<uint8_t>(value);
}

PtzHead& SiteCameras::head(uint8_t host) {
    std::lock_guard lock(mutex_);
    auto& slot = heads_[host];
    if (!slot) slot = std::make_unique<PtzHead>(clock_);
    return *slot;
}

std::vector<MeasureRule> SiteCameras::rules(uint8_t host, int32_t channel) {
    std::lock_guard lock(mutex_);
    const auto found = rules_.find({host, channel});
    if (found != rules_.end()) return found->second;
    if (host == kMultiRuleHost && channel == kMultiRuleChannel) {
        return {MeasureRule{1, 0, 0}, MeasureRule{2, 1, 0}, MeasureRule{3, 2, 0}};
    }
    return {MeasureRule{}};
}

void SiteCameras::setRules(uint8_t host, int32_t channel, std::vector<MeasureRule> rules) {
    std::lock_guard lock(mutex_);
    if (rules.empty()) {
        rules_.erase({host, channel});
    } else {
        rules_[{host, channel}] = std::move(rules);
    }
}

void SiteCameras::reset() {
    std::lock_guard lock(mutex_);
    rules_.clear();
    for (auto& head : heads_) {
        if (head) head->reset();
    }
}

}  // namespace standin
