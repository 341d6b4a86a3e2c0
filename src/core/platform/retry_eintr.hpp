// Making a system call again when a signal interrupted it. Hosts install
// handlers for their own children, timers and profilers, often without
// SA_RESTART; an interrupted call says nothing about what it was asked to do.
// Header only, so that the tools use it as well as the library.
#pragma once

#include <cerrno>

namespace orvane::platform {

// call(args...) until it returns something other than a negative value with
// errno EINTR; returns that. Call with the function itself where it takes its
// arguments as they are (RetryOnEintr(::waitpid, pid, &status, 0)), or with a
// lambda.
//
// Never instrumented by a sanitizer, so that code running in a raw clone of a
// threaded host (the job watcher) may use it with a plain function: the clone
// must not touch a sanitizer's bookkeeping, which another thread may have left
// in any state. The loop itself has nothing a sanitizer would check.
template <typename Call, typename... Args>
__attribute__((no_sanitize("address", "thread", "undefined"))) inline auto RetryOnEintr(
    Call call, Args... args) noexcept(noexcept(call(args...))) -> decltype(call(args...)) {
    for (;;) {
        const auto result = call(args...);
        if (result >= 0 || errno != EINTR) return result;
    }
}

}  // namespace orvane::platform
