#include "serve/service_log.hpp"

#include "platform/terminal.hpp"

namespace orvane_cli::serve {

void ServiceLog::Line(const std::string& text) {
    const std::lock_guard lock(mutex_);
    platform::WriteText(stderr, "orvane serve: " + text + "\n");
}

}  // namespace orvane_cli::serve
