// A few threads for the calls that wait on a camera (logins, restarts): a
// camera that is slow or unreachable holds up one worker for the length of its
// call, never the poll of the others, and a handful of workers keep logins of
// many cameras going at once without a thread for each camera.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace orvane_cli {

class LoginWorkers {
public:
    explicit LoginWorkers(std::size_t count);
    ~LoginWorkers() { Stop(); }
    LoginWorkers(const LoginWorkers&) = delete;
    LoginWorkers& operator=(const LoginWorkers&) = delete;

    void Run(std::function<void()> job);
    // Starts threads up to `count` in all (never fewer); from the owner's thread.
    void Grow(std::size_t count);
    // Drops the jobs not yet begun and waits for those running.
    void Stop();

private:
    void Work();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> jobs_;
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};

}  // namespace orvane_cli
