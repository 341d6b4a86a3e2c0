// Descriptions of failure codes for hosts: the library's own text, exactly as
// the failure record holds it after a failure with the code, or its English
// counterpart.
#pragma once

#include <cstdint>
#include <string>

namespace orvane {

enum FailureLanguage : int32_t { kLanguageLibrary = 0, kLanguageEnglish = 1 };

// Copies the description of `code` in `language` into a host's buffer (see
// CopyToHostBuffer) and returns its full length; -1, writing nothing, for an
// unknown language. Code kSdkNotReadyCode is the SDK-not-started failure; any
// other code is an SDK error code, read as unsigned. Allocates nothing.
int32_t DescribeFailure(int32_t code, int32_t language, uint16_t* buffer, int32_t capacity) noexcept;

// The English description of `code`: the table's text, or for a code without
// one a text naming the number.
std::string EnglishFailureText(int32_t code);

}  // namespace orvane
