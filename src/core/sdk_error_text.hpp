// Descriptions of SDK error codes, as UTF-16 texts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace orvane {

inline constexpr std::size_t kSdkErrorTableSize = 189;

// Recorded whenever the SDK failed to start.
inline constexpr std::u16string_view kSdkNotReadyText = u"SDK未成功初始化!";
// The description of a code without a text of its own. Compatibility: the
// braces and the word between them are the text itself; no number is put in
// their place. Hosts compare against this exact text; do not fill it in.
inline constexpr std::u16string_view kDefaultErrorText = u"错误码{code}";

// The description of an SDK error code: the code's text, or the default text for
// codes above 188 and for codes without a text. Views of constant data.
std::u16string_view SdkErrorText(uint32_t code) noexcept;
// The longest English description, in ASCII characters.
inline constexpr std::size_t kLongestEnglishText = 90;
// The English description of a code that has a text; empty for the others.
std::string_view SdkErrorEnglishText(uint32_t code) noexcept;
// A fresh copy of SdkErrorText(code), for the failure record.
std::u16string DescribeSdkError(uint32_t code);

}  // namespace orvane
