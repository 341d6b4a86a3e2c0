// Fuzzes the thermometry event handler: whatever kind, bytes and length the SDK
// hands over, the handler reads nothing past the reported length, keeps a
// complete block's readings and a valid date, counts only data events, and the log bytes of
// any text end in CR LF with no bare line feed.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "support/log_lines.hpp"
#include "thermometry/event_handler.hpp"
#include "thermometry/subscription_record.hpp"

namespace {

using namespace orvane::thermometry;

void Check(bool condition) {
    if (!condition) std::abort();
}

// Every log line must end in CR LF; nothing is kept.
class CheckingLogSink final : public LogSink {
public:
    void Append(const char* data, std::size_t size) noexcept override {
        Check(size >= 2 && data[size - 2] == '\r' && data[size - 1] == '\n');
    }
};

CheckingLogSink log;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    // First byte: the event kind; second: how the buffer is made of the rest.
    const int32_t kinds[] = {kEventStatus, kEventData, 1, static_cast<int8_t>(data[0])};
    const int32_t kind = kinds[data[0] & 3];
    const uint8_t shape = data[1];
    const uint8_t* rest = data + 2;
    const size_t restSize = size - 2;

    // An exactly sized heap buffer, so that any read past it is caught; repeated
    // to a complete block or beyond when the shape asks for it.
    std::vector<uint8_t> buffer(rest, rest + restSize);
    if ((shape & 1) != 0 && !buffer.empty()) {
        const size_t target = kUploadSize + (shape >> 1) * 8;
        while (buffer.size() < target) buffer.push_back(buffer[buffer.size() % restSize]);
        buffer.resize(target);
    }
    buffer.shrink_to_fit();
    // The reported length: the whole buffer, or less of it.
    const auto length = static_cast<int32_t>((shape & 2) != 0 ? buffer.size() / 2 : buffer.size());

    ThermometrySubscription record(1, 1, log);
    OnThermometryEvent(kind, buffer.empty() ? nullptr : buffer.data(), length, &record);
    const MeasurementSnapshot snapshot = record.Snapshot();
    Check(snapshot.eventCount == (kind == kEventData ? 1 : 0));
    if (kind == kEventData && length >= static_cast<int32_t>(kUploadSize)) {
        const uint32_t stored[] = {snapshot.maxBits, snapshot.minBits, snapshot.avgBits};
        const std::size_t offsets[] = {offsetof(ThermometryUpload, max), offsetof(ThermometryUpload, min),
                                       offsetof(ThermometryUpload, avg)};
        for (int i = 0; i < 3; ++i) Check(std::memcmp(&stored[i], buffer.data() + offsets[i], 4) == 0);
        Check(snapshot.year >= 2000 && snapshot.year <= 2063);
    } else {
        Check(snapshot.year == 0);
    }

    const std::string bytes =
        testsupport::LogLineBytes(std::string_view(reinterpret_cast<const char*>(rest), restSize));
    Check(bytes.size() >= 2 && bytes.compare(bytes.size() - 2, 2, "\r\n") == 0);
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n') Check(i > 0 && bytes[i - 1] == '\r');
        Check(bytes[i] != '\0');
    }
    return 0;
}
