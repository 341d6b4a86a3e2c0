#include "thermometry/event_handler.hpp"

#include <bit>
#include <charconv>
#include <cstring>
#include <string>

#include "thermometry/format_text.hpp"
#include "thermometry/log_file.hpp"
#include "thermometry/subscription_record.hpp"

namespace orvane::thermometry {
namespace {

// The log's labels are GBK bytes: "参数信息", "点读数", "框线读数".
constexpr char kParameterLine[] =
    "\xB2\xCE\xCA\xFD\xD0\xC5\xCF\xA2"
    ": (RuleID, PresetNo, RuleCalibType, Unit, DataType)=(%d,%d,%d,%d,%d), "
    "time[%4.4d%2.2d%2.2d-%2.2d%2.2d%2.2d]\n";
constexpr char kPointLabel[] =
    "\xB5\xE3\xB6\xC1\xCA\xFD"
    ": ";
constexpr char kRegionLabel[] =
    "\xBF\xF2\xCF\xDF\xB6\xC1\xCA\xFD"
    ": (max, min, avg, diff)=(";

// Room for the parameter and reading lines after the first line.
constexpr std::size_t kDescriptionCapacity = 256;

// Appends a reading as "%f" renders it, widened to double: six decimals, exactly
// rounded. The reading lines are the bulk of an event's formatting, and this is
// several times cheaper than the formatter's floating-point path.
void AppendReading(std::string& text, uint32_t bits) {
    char digits[64];
    const auto value = static_cast<double>(std::bit_cast<float>(bits));
    const auto result = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, 6);
    text.append(digits, result.ptr);
}

uint32_t ReadWord(const uint8_t* bytes) {
    uint32_t word;
    std::memcpy(&word, bytes, sizeof word);
    return word;
}

// Counts the event, keeps its block when a whole one arrived, and returns the
// event's text: the first line (already written to the log) followed by the
// description of the block.
std::string HandleData(ThermometrySubscription& record, const uint8_t* buffer, int32_t length) {
    // "len=%d,hex=%s" with the dump: the dump is appended as it is rather than
    // passed through the formatter twice, which gives the same text.
    const int32_t dumped = buffer == nullptr || length <= 0 ? 0 : (length < kDumpLimit ? length : kDumpLimit);
    char dump[2 * kDumpLimit + 1];
    const std::size_t digits = FormatHexInto(dump, sizeof dump, buffer, static_cast<std::size_t>(dumped));
    std::string text = FormatText("len=%d,hex=", length);
    text.reserve(text.size() + digits + kDescriptionCapacity);
    text.append(dump, digits);
    WriteLogLine(record.log, text);

    if (buffer == nullptr || length < static_cast<int32_t>(kUploadSize)) {
        record.RecordDataEvent(nullptr);
        return text;
    }
    const ThermometryUpload block = ReadUpload(buffer);
    record.RecordDataEvent(&block);
    const DecodedTime time = DecodePackedTime(block.time);
    text += FormatText(kParameterLine, int{block.RuleID}, int{block.PresetNo}, int{block.RuleCalibType},
                       int{block.Unit}, int{block.DataType}, time.year, time.month, time.day, time.hour,
                       time.minute, time.second);
    // The reading line: "点读数: %f\n" or "框线读数: (max, min, avg, diff)=(%f, %f, %f, %f)\n".
    if (block.RuleCalibType == 0) {
        text += kPointLabel;
        AppendReading(text, block.point);
        text += '\n';
    } else if (block.RuleCalibType == 1 || block.RuleCalibType == 2) {
        text += kRegionLabel;
        AppendReading(text, block.max);
        text += ", ";
        AppendReading(text, block.min);
        text += ", ";
        AppendReading(text, block.avg);
        text += ", ";
        AppendReading(text, block.diff);
        text += ")\n";
    }
    return text;
}

void HandleStatus(LogSink& log, const uint8_t* buffer, int32_t length) {
    if (buffer == nullptr || length < 4) return;
    const uint32_t status = ReadWord(buffer);
    if (status == kStatusSuccess) {
        WriteLogLine(log, "NET_SDK_CALLBACK_STATUS_SUCCESS\n");
    } else if (status == kStatusFailure) {
        // The error code follows the status word; absent when the SDK sent less.
        const int32_t code = length >= 8 ? static_cast<int32_t>(ReadWord(buffer + 4)) : 0;
        WriteLogLine(log, FormatText("NET_DVR_GET_MANUALTHERM_INFO failed, Code=%d\n", code));
    }
}

}  // namespace

void HCNETSDK_CALL OnThermometryEvent(int32_t kind, void* buffer, int32_t length, void* userData) {
    if (userData == nullptr) return;
    auto& record = *static_cast<ThermometrySubscription*>(userData);
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    try {
        std::string text;
        if (kind == kEventData) {
            text = HandleData(record, bytes, length);
        } else if (kind == kEventStatus) {
            HandleStatus(record.log, bytes, length);
        } else {
            text = FormatText("type=%d\n", kind);
        }
        // Compatibility: a data event's first line (length and dump) was written
        // above and is written again here as the start of the whole text, so the
        // dump is in the log twice; and a status event adds an empty line after
        // its own. Tools that read the log expect exactly this; keep it.
        WriteLogLine(record.log, text);
        record.ReplaceEventText(std::move(text));
    } catch (...) {
        // Out of memory: the rest of this event's log output is lost; the SDK's
        // thread must never see an exception.
    }
}

}  // namespace orvane::thermometry
