#include "thermometry/log_sink.hpp"

#include <new>

namespace orvane::thermometry {

void FileLogSink::Append(const char* data, std::size_t size) noexcept {
    if (data == nullptr && size != 0) return;
    const std::string_view line(data, size);
    file_.Append({&line, 1});
}

void FileLogSink::AppendLines(std::span<const std::string_view> lines) noexcept { file_.Append(lines); }

LogSink& SystemLogSink() noexcept {
    // Built in place on first use, without allocating, and never destroyed.
    alignas(FileLogSink) static unsigned char storage[sizeof(FileLogSink)];
    static FileLogSink* const sink = new (storage) FileLogSink(platform::LogFilePath());
    return *sink;
}

}  // namespace orvane::thermometry
