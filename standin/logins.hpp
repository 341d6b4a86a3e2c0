// The simulated camera's logins: which user IDs are open.
#pragma once

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

#include "outcome.hpp"
#include "site_cameras.hpp"

namespace standin {

// Where the login record holds the password, which the journal never keeps.
inline constexpr std::size_t kLoginPasswordOffset = 196;
inline constexpr std::size_t kLoginPasswordSize = 64;

class Logins {
public:
    // Reads the login record as the camera would and opens a login when the
    // address is one of the site's, and port, user name and password are those
    // of its cameras. The login gets the lowest user ID no open login holds.
    Outcome login(const void* loginRecord);
    Outcome logout(int32_t userId);
    bool isLoggedIn(int32_t userId) const;
    // Ends the logins to the camera at `address` (every camera when null) as its
    // reboot does, and gives their user IDs; later calls with them fail as for
    // any ID not logged in. New logins are accepted at once.
    std::vector<int32_t> dropCamera(const char* address);
    // Whether logins to the camera at site index host fail with
    // STANDIN_ERROR_CONNECT, as to a camera off the network (none after a reset).
    void setOffline(SiteIndex host, bool offline);
    // The site index of the camera the login went to; nothing when not logged in.
    std::optional<SiteIndex> hostOf(int32_t userId) const;
    void reset();

private:
    mutable std::mutex mutex_;
    std::map<int32_t, SiteIndex> open_;      // user ID to camera host, in ID order
    std::bitset<kSiteCameraCount> offline_;  // by host
};

}  // namespace standin
