// Rotates the diagnostic log from outside while the soak's events flow, as an
// operator's logrotate or scheduled rename would: runs a command up to a given
// number of times, a tenth of a second apart, on a thread of its own, until stopped.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace soak {

class LogRotation {
public:
    LogRotation(std::string command, int times) : command_(std::move(command)) {
        if (command_.empty() || times <= 0) return;
        thread_ = std::thread([this, times] {
            for (int i = 0; i < times && !stop_.load(); ++i) {
                // Whole milliseconds: shorter sleeps return at once under wine.
                for (int waited = 0; waited < 100 && !stop_.load(); waited += 10) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(10));
                }
                if (stop_.load()) break;
                const int status = std::system(command_.c_str());
                if (status == 0) {
                    ++done_;
                } else {
                    std::fprintf(stderr, "rotation command failed (%d): %s\n", status, command_.c_str());
                }
            }
        });
    }
    LogRotation(const LogRotation&) = delete;
    LogRotation& operator=(const LogRotation&) = delete;
    ~LogRotation() { Finish(); }

    // Stops further rotations; how many succeeded.
    int Finish() {
        stop_.store(true);
        if (thread_.joinable()) thread_.join();
        return done_.load();
    }

private:
    std::string command_;
    std::atomic<bool> stop_{false};
    std::atomic<int> done_{0};
    std::thread thread_;
};

}  // namespace soak
