#include "core/failure_description.hpp"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <string_view>

#include "core/failure_record.hpp"
#include "core/host_text.hpp"
#include "core/sdk_error_text.hpp"

namespace orvane {
namespace {

constexpr std::string_view kSdkNotReadyEnglish = "The SDK failed to initialize!";
constexpr std::string_view kNoDescriptionPrefix = "No description for error code ";
static_assert(kNoDescriptionPrefix.size() + 11 <= kLongestEnglishText);

// Room for the longest table text, and for the prefix with any 32-bit number.
struct EnglishText {
    char units[kLongestEnglishText];
    std::size_t size;
    std::string_view View() const noexcept { return {units, size}; }
};

EnglishText English(int32_t code) noexcept {
    EnglishText text{};
    std::string_view known =
        code == kSdkNotReadyCode ? kSdkNotReadyEnglish : SdkErrorEnglishText(static_cast<uint32_t>(code));
    if (!known.empty()) {
        text.size = std::min(known.size(), sizeof text.units);  // the table's texts fit
        std::memcpy(text.units, known.data(), text.size);
        return text;
    }
    // The number as the host passes it, so the text matches the code it holds.
    std::memcpy(text.units, kNoDescriptionPrefix.data(), kNoDescriptionPrefix.size());
    const auto end =
        std::to_chars(text.units + kNoDescriptionPrefix.size(), text.units + sizeof text.units, code);
    text.size = static_cast<std::size_t>(end.ptr - text.units);
    return text;
}

}  // namespace

int32_t DescribeFailure(int32_t code, int32_t language, uint16_t* buffer, int32_t capacity) noexcept {
    switch (language) {
        case kLanguageLibrary:
            return CopyToHostBuffer(
                code == kSdkNotReadyCode ? kSdkNotReadyText : SdkErrorText(static_cast<uint32_t>(code)),
                buffer, capacity);
        case kLanguageEnglish:
            return CopyToHostBuffer(English(code).View(), buffer, capacity);
        default:
            return -1;
    }
}

std::string EnglishFailureText(int32_t code) { return std::string(English(code).View()); }

}  // namespace orvane
