#include <signal.h>

#include <atomic>

#include "reload_request.hpp"

namespace orvane_cli::platform {
namespace {

std::atomic<unsigned long> hangups{0};
static_assert(std::atomic<unsigned long>::is_always_lock_free);

extern "C" void OnHangup(int) { hangups.fetch_add(1, std::memory_order_relaxed); }

}  // namespace

ReloadRequests::ReloadRequests(std::string path) : path_(std::move(path)) {
    seen_ = hangups.load(std::memory_order_relaxed);
    struct sigaction action {};
    action.sa_handler = OnHangup;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGHUP, &action, nullptr);
}

bool ReloadRequests::Take() {
    const unsigned long now = hangups.load(std::memory_order_relaxed);
    if (now == seen_) return false;
    seen_ = now;
    return true;
}

}  // namespace orvane_cli::platform
