#include "serve/service_log.hpp"

#include <chrono>
#include <cstdio>

#include "platform/terminal.hpp"

namespace orvane_cli::serve {
namespace {

double UnixNow() {
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

}  // namespace

void ServiceLog::Write(const LogEvent& event) {
    if (event.level < least_) return;
    Put(FormatLogLine(event, format_, UnixNow()));
}

void ServiceLog::Listening(const std::string& url) {
    if (format_ == LogFormat::kHuman) return Put("listening on " + url);
    Put(FormatLogLine({LogLevel::kInfo, "listening on " + url}, format_, UnixNow()));
}

void ServiceLog::Put(const std::string& line) {
    if (file_ != nullptr) {
        const std::string stamped = format_ == LogFormat::kHuman ? Rfc3339Utc(UnixNow()) + " " + line : line;
        if (!file_->Append(stamped + "\n")) failures_.fetch_add(1, std::memory_order_relaxed);
        return;
    }
    const std::lock_guard lock(mutex_);
    platform::WriteText(stderr, line + "\n");
    if (std::ferror(stderr) != 0) {
        failures_.fetch_add(1, std::memory_order_relaxed);
        // So that the next line is judged on its own.
        std::clearerr(stderr);
    }
}

}  // namespace orvane_cli::serve
