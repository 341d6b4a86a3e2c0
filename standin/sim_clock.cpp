#include "sim_clock.hpp"

#include <chrono>

namespace standin {

int64_t SimClock::realMs() const {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count() + offsetMs_;
}

int64_t SimClock::nowMs() {
    std::lock_guard lock(mutex_);
    return frozen_ ? frozenMs_ : realMs();
}

void SimClock::freeze() {
    std::lock_guard lock(mutex_);
    if (frozen_) return;
    frozenMs_ = realMs();
    frozen_ = true;
}

void SimClock::advance(uint32_t milliseconds) {
    std::lock_guard lock(mutex_);
    if (frozen_)
        frozenMs_ += milliseconds;
    else
        offsetMs_ += milliseconds;
}

void SimClock::reset() {
    std::lock_guard lock(mutex_);
    if (!frozen_) return;
    const int64_t reading = frozenMs_;
    frozen_ = false;
    offsetMs_ = 0;
    const int64_t real = realMs();
    if (reading > real) offsetMs_ = reading - real;
}

}  // namespace standin
