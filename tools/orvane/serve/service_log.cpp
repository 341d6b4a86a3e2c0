#include "serve/service_log.hpp"

#include <cstdio>

#include "platform/terminal.hpp"

namespace orvane_cli::serve {

void ServiceLog::Line(const std::string& text) {
    const std::lock_guard lock(mutex_);
    platform::WriteText(stderr, "orvane serve: " + text + "\n");
    if (std::ferror(stderr) != 0) {
        failures_.fetch_add(1, std::memory_order_relaxed);
        // So that the next line is judged on its own.
        std::clearerr(stderr);
    }
}

}  // namespace orvane_cli::serve
