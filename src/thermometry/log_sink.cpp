#include "thermometry/log_sink.hpp"

#include "thermometry/platform/log_file.hpp"

namespace orvane::thermometry {
namespace {

// Appends to the fixed path without keeping a copy of it, so that the sink
// needs no allocation while the library loads.
class SystemFileSink final : public LogSink {
public:
    void Append(const char* data, std::size_t size) noexcept override {
        platform::AppendToFile(platform::LogFilePath(), data, size);
    }
};

}  // namespace

void FileLogSink::Append(const char* data, std::size_t size) noexcept {
    platform::AppendToFile(path_.c_str(), data, size);
}

LogSink& SystemLogSink() noexcept {
    static SystemFileSink sink;
    return sink;
}

}  // namespace orvane::thermometry
