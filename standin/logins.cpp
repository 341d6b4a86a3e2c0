#include "logins.hpp"

#include <cstring>
#include <string>
#include <string_view>

#include "hcnetsdk_standin.h"
#include "site_cameras.hpp"

namespace standin {
namespace {

// Layout of the login record as the SDK reads it.
constexpr std::size_t kAddressOffset = 0;
constexpr std::size_t kAddressCapacity = 129;
constexpr std::size_t kPortOffset = 130;
constexpr std::size_t kUserOffset = 132;
constexpr std::size_t kCredentialCapacity = 64;

// The text of a field up to its first zero byte; a view, so that no copy of a
// password is left behind in freed memory.
std::string_view boundedText(const uint8_t* field, std::size_t capacity) {
    std::size_t length = 0;
    while (length < capacity && field[length] != 0) ++length;
    return std::string_view(reinterpret_cast<const char*>(field), length);
}

}  // namespace

Outcome Logins::login(const void* loginRecord) {
    if (loginRecord == nullptr) return Outcome::failure(STANDIN_ERROR_PARAMETER, -1);
    const auto* bytes = static_cast<const uint8_t*>(loginRecord);
    const std::string address(boundedText(bytes + kAddressOffset, kAddressCapacity));
    const unsigned port = bytes[kPortOffset] | (bytes[kPortOffset + 1] << 8);
    const std::string_view user = boundedText(bytes + kUserOffset, kCredentialCapacity);
    const std::string_view password = boundedText(bytes + kLoginPasswordOffset, kLoginPasswordSize);

    const std::optional<SiteIndex> host = SiteCameras::hostOf(address);
    if (!host || port != STANDIN_CAMERA_PORT) {
        return Outcome::failure(STANDIN_ERROR_CONNECT, -1);
    }
    if (user != STANDIN_CAMERA_USER || password != STANDIN_CAMERA_PASSWORD) {
        return Outcome::failure(STANDIN_ERROR_PASSWORD, -1);
    }
    std::lock_guard lock(mutex_);
    if (offline_.test(*host)) return Outcome::failure(STANDIN_ERROR_CONNECT, -1);
    // The lowest ID no login holds, as an SDK that indexes a table gives out.
    int32_t userId = 0;
    for (const auto& held : open_) {
        if (held.first != userId) break;
        ++userId;
    }
    open_.emplace(userId, *host);
    return Outcome::success(userId);
}

Outcome Logins::logout(int32_t userId) {
    std::lock_guard lock(mutex_);
    if (open_.erase(userId) == 0) return Outcome::failure(STANDIN_ERROR_NO_SUCH_USER);
    return Outcome::success();
}

bool Logins::isLoggedIn(int32_t userId) const {
    std::lock_guard lock(mutex_);
    return open_.count(userId) != 0;
}

std::vector<int32_t> Logins::dropCamera(const char* address) {
    std::optional<SiteIndex> host;
    if (address != nullptr) {
        host = SiteCameras::hostOf(address);
        if (!host) return {};
    }
    std::lock_guard lock(mutex_);
    std::vector<int32_t> dropped;
    for (auto it = open_.begin(); it != open_.end();) {
        if (!host || it->second == *host) {
            dropped.push_back(it->first);
            it = open_.erase(it);
        } else {
            ++it;
        }
    }
    return dropped;
}

std::optional<SiteIndex> Logins::hostOf(int32_t userId) const {
    std::lock_guard lock(mutex_);
    const auto found = open_.find(userId);
    if (found == open_.end()) return std::nullopt;
    return found->second;
}

void Logins::setOffline(SiteIndex host, bool offline) {
    std::lock_guard lock(mutex_);
    offline_.set(host, offline);
}

void Logins::reset() {
    std::lock_guard lock(mutex_);
    open_.clear();
    offline_.reset();
}

}  // namespace standin
