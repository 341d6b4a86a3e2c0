// The password the watches log in with. Given in a file (--password-file), it
// is read again at every poll, so that a password changed on the camera and in
// the file is tried at once, without a restart, by a camera that was refused
// for a wrong password. Logins read it on other threads than the poll.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

namespace orvane_cli {

class PasswordSource {
public:
    // `file` empty: the password never changes.
    PasswordSource(std::string password, std::string file)
        : password_(std::move(password)), file_(std::move(file)) {}

    std::string Get() const;
    // Reads the file again; a file that cannot be read now (being replaced)
    // keeps the password as it was. Counts a change in generation().
    void Refresh();
    // Reads `file` from now on (serve's --config file named another one); false,
    // and no change, when it cannot be read now.
    bool UseFile(std::string file);
    // Changes with every new password.
    uint64_t generation() const { return generation_.load(std::memory_order_acquire); }

private:
    void Take(std::string password);  // under mutex_

    mutable std::mutex mutex_;
    std::string password_;
    std::string file_;
    std::atomic<uint64_t> generation_{0};
};

// The first line of a password file, without its line end; false when it
// cannot be read.
bool ReadPasswordFile(const std::string& path, std::string& password);

}  // namespace orvane_cli
