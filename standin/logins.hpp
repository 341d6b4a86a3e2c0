// The simulated camera's logins: which user IDs are open.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "outcome.hpp"

namespace standin {

class Logins {
public:
    // Reads the login record as the camera would and opens a login when the
    // address, port, user name and password are those of the camera.
    Outcome login(const void* loginRecord);
    Outcome logout(int32_t userId);
    bool isLoggedIn(int32_t userId) const;
    // Ends the logins to the camera at `address` (every camera when null) as its
    // reboot does, and gives their user IDs; later calls with them fail as for
    // any ID not logged in. New logins are accepted at once.
    std::vector<int32_t> dropCamera(const char* address);
    void reset();

private:
    mutable std::mutex mutex_;
    std::map<int32_t, std::string> open_;  // user ID -> the camera's address
    int32_t nextUserId_ = 0;
};

}  // namespace standin
