#include "site_cameras.hpp"

#include <iterator>
#include <string_view>

namespace standin {
namespace {

// The site's ranges, in index order: 256 addresses each.
constexpr std::string_view kSitePrefixes[] = {"192.0.2.", "198.51.100.", "203.0.113."};
constexpr SiteIndex kRangeSize = 256;
static_assert(std::size(kSitePrefixes) * kRangeSize == kSiteCameraCount);

// Distance from the default camera, so that the default one is unchanged and
// neighbours differ clearly.
int offsetFromDefault(SiteIndex host) { return static_cast<int>(host) - SiteCameras::kDefaultHost; }

// The multi-rule camera of the site out of the box: a point on a bearing, a box
// over a motor and a line along a belt.
constexpr SiteIndex kMultiRuleHost = 66;
constexpr int32_t kMultiRuleChannel = 1;

}  // namespace

// 37 degrees per address; a third of a degree more per range, so that no two
// of the 768 cameras see the landscape turned alike.
double CameraTraits::sceneTurnDegrees() const {
    return offsetFromDefault(host) * 37.0 + host / kRangeSize / 3.0;
}

double CameraTraits::temperatureOffset() const { return offsetFromDefault(host) % 8 * 0.75; }

double CameraTraits::readingPhase() const { return offsetFromDefault(host) * 1.3; }

std::optional<SiteIndex> SiteCameras::hostOf(const std::string& address) {
    for (std::size_t range = 0; range < std::size(kSitePrefixes); ++range) {
        const std::string_view prefix = kSitePrefixes[range];
        if (address.size() <= prefix.size() || address.size() > prefix.size() + 3 ||
            address.compare(0, prefix.size(), prefix) != 0) {
            continue;
        }
        const std::string_view digits = std::string_view(address).substr(prefix.size());
        if (digits.size() > 1 && digits[0] == '0') return std::nullopt;
        unsigned value = 0;
        for (const char c : digits) {
            if (c < '0' || c > '9') return std::nullopt;
            value = value * 10 + static_cast<unsigned>(c - '0');
        }
        if (value >= kRangeSize) return std::nullopt;
        return static_cast<SiteIndex>(range * kRangeSize + value);
    }
    return std::nullopt;
}

PtzHead& SiteCameras::head(SiteIndex host) {
    std::lock_guard lock(mutex_);
    auto& slot = heads_[host];
    if (!slot) slot = std::make_unique<PtzHead>(clock_);
    return *slot;
}

std::vector<MeasureRule> SiteCameras::rules(SiteIndex host, int32_t channel) {
    std::lock_guard lock(mutex_);
    const auto found = rules_.find({host, channel});
    if (found != rules_.end()) return found->second;
    if (host == kMultiRuleHost && channel == kMultiRuleChannel) {
        return {MeasureRule{1, 0, 0}, MeasureRule{2, 1, 0}, MeasureRule{3, 2, 0}};
    }
    return {MeasureRule{}};
}

void SiteCameras::setRules(SiteIndex host, int32_t channel, std::vector<MeasureRule> rules) {
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
