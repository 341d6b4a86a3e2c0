// The service's log: one line per event on standard error, whole lines even
// when several threads log at once. Never a password.
#pragma once

#include <mutex>
#include <string>

namespace orvane_cli::serve {

class ServiceLog {
public:
    void Line(const std::string& text);

private:
    std::mutex mutex_;
};

}  // namespace orvane_cli::serve
