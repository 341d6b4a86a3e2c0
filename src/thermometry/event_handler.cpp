#include "thermometry/event_handler.hpp"

#include <charconv>
#include <cstring>
#include <string_view>

#include "thermometry/data_event_text.hpp"
#include "thermometry/subscription_record.hpp"

namespace orvane::thermometry {
namespace {

static_assert(kHeadCapacity + kDescriptionCapacity <= kEventTextCapacity);

uint32_t ReadWord(const uint8_t* bytes) {
    uint32_t word;
    std::memcpy(&word, bytes, sizeof word);
    return word;
}

template <std::size_t N>
std::size_t Put(char* out, const char (&text)[N]) noexcept {
    std::memcpy(out, text, N - 1);
    return N - 1;
}

// The text is rendered straight into the record's event text, so it is built
// once and never converted. `out` is that buffer.
//
// Compatibility: the first line (length and dump) is written, then written
// again as the start of the second line, so the dump is in the log twice; and a
// status event adds an empty line after its own. Tools that read the log expect
// exactly this; keep it. The second line reuses the first line's bytes, with
// the description in place of its line end; the first line is copied aside so
// that both lines of an event go to the log in one append (one opening of the
// file).
// `block` is the event's whole block as the record stored it; null when the
// event brought none.
std::size_t HandleData(LogSink& log, char* out, const uint8_t* buffer, int32_t length,
                       const ThermometryUpload* block) {
    const int32_t dumped = buffer == nullptr || length <= 0 ? 0 : (length < kDumpLimit ? length : kDumpLimit);
    const std::size_t head = RenderDataHead(out, length, buffer, static_cast<std::size_t>(dumped));
    out[head] = '\r';
    out[head + 1] = '\n';
    if (block == nullptr) {
        // No whole block: the second line repeats the first.
        const std::string_view line(out, head + 2);
        const std::string_view lines[] = {line, line};
        log.AppendLines(lines);
        return head + 2;
    }
    char first[kHeadCapacity + 2];
    std::memcpy(first, out, head + 2);
    const std::size_t size = head + RenderDataDescription(out + head, *block, DecodePackedTime(block->time));
    const std::string_view lines[] = {{first, head + 2}, {out, size}};
    log.AppendLines(lines);
    return size;
}

// The status word; 0 (no status) when the SDK sent none.
uint32_t StatusWord(const uint8_t* buffer, int32_t length) noexcept {
    return buffer == nullptr || length < 4 ? 0 : ReadWord(buffer);
}

// The error code follows the failure status word; 0 when the SDK sent less.
int32_t FailureStatusCode(const uint8_t* buffer, int32_t length) noexcept {
    return length >= 8 ? static_cast<int32_t>(ReadWord(buffer + 4)) : 0;
}

// The status line, if any, and the event's own empty line (in `out`) in one append.
std::size_t HandleStatus(LogSink& log, char* out, const uint8_t* buffer, int32_t length) {
    out[0] = '\r';
    out[1] = '\n';
    const std::string_view empty(out, 2);
    const uint32_t status = StatusWord(buffer, length);
    if (status == kStatusSuccess) {
        constexpr std::string_view kSuccess = "NET_SDK_CALLBACK_STATUS_SUCCESS\r\n\r\n";
        const std::string_view lines[] = {kSuccess, empty};
        log.AppendLines(lines);
    } else if (status == kStatusFailure) {
        const int32_t code = FailureStatusCode(buffer, length);
        char line[64];
        std::size_t size = Put(line, "NET_DVR_GET_MANUALTHERM_INFO failed, Code=");
        size = static_cast<std::size_t>(std::to_chars(line + size, line + sizeof line, code).ptr - line);
        size += Put(line + size, "\r\n\r\n");
        const std::string_view lines[] = {{line, size}, empty};
        log.AppendLines(lines);
    } else {
        log.Append(out, 2);
    }
    return 2;
}

std::size_t HandleOtherKind(char* out, int32_t kind) {
    std::size_t size = Put(out, "type=");
    size = static_cast<std::size_t>(std::to_chars(out + size, out + 16, kind).ptr - out);
    return size + Put(out + size, "\r\n\r\n");
}

}  // namespace

void HCNETSDK_CALL OnThermometryEvent(int32_t kind, void* buffer, int32_t length, void* userData) {
    if (userData == nullptr) return;
    auto& record = *static_cast<ThermometrySubscription*>(userData);
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    // The measurement is stored before any line is logged, so that a slow or
    // failing log never keeps a new measurement from a read.
    ThermometryUpload block;
    const bool whole = kind == kEventData && bytes != nullptr && length >= static_cast<int32_t>(kUploadSize);
    if (whole) block = ReadUpload(bytes);
    if (kind == kEventData) {
        record.RecordDataEvent(whole ? &block : nullptr);
    } else if (kind == kEventStatus) {
        // Anything but success (a failure, the end of the stream, a status the
        // library does not know) means the camera is not delivering: kept
        // beside the log line, for status queries.
        const uint32_t status = StatusWord(bytes, length);
        if (status != kStatusSuccess) {
            record.RecordCameraFailure(status == kStatusFailure ? FailureStatusCode(bytes, length) : 0);
        }
    }
    const auto textLock = record.LockEventText();
    char spare[kEventTextCapacity];  // when the record's text could not be allocated
    char* text = record.EventTextBuffer();
    char* out = text != nullptr ? text : spare;
    std::size_t size;
    if (kind == kEventData) {
        size = HandleData(record.Log(), out, bytes, length, whole ? &block : nullptr);
    } else if (kind == kEventStatus) {
        size = HandleStatus(record.Log(), out, bytes, length);
    } else {
        size = HandleOtherKind(out, kind);
        record.Log().Append(out, size);
    }
    if (text != nullptr) record.SetEventTextSize(size);
}

}  // namespace orvane::thermometry
