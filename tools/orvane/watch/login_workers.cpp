#include "watch/login_workers.hpp"

namespace orvane_cli {

LoginWorkers::LoginWorkers(std::size_t count) { Grow(count); }

void LoginWorkers::Grow(std::size_t count) {
    {
        const std::lock_guard lock(mutex_);
        if (stopping_) return;
    }
    while (threads_.size() < count) threads_.emplace_back([this] { Work(); });
}

void LoginWorkers::Run(std::function<void()> job) {
    {
        const std::lock_guard lock(mutex_);
        if (stopping_) return;
        jobs_.push_back(std::move(job));
    }
    wake_.notify_one();
}

void LoginWorkers::Stop() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
        jobs_.clear();
    }
    wake_.notify_all();
    for (std::thread& thread : threads_) {
        if (thread.joinable()) thread.join();
    }
}

void LoginWorkers::Work() {
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
            if (stopping_) return;
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        job();
    }
}

}  // namespace orvane_cli
