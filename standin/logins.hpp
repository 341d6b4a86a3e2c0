// The simulated camera's logins: which user IDs are open.
#pragma once

#include <cstdint>
#include <mutex>
#include <set>

#include "outcome.hpp"

namespace standin {

class Logins {
public:
    // Reads the login record as the camera would and opens a login when the
    // address, port, user name and password are those of the camera.
    Outcome login(const void* loginRecord);
    Outcome logout(int32_t userId);
    bool isLoggedIn(int32_t userId) const;
    void reset();

private:
    mutable std::mutex mutex_;
    std::set<int32_t> open_;
    int32_t nextUserId_ = 0;
};

}  // namespace standin
