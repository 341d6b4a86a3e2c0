// Text conversions the tool's output needs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orvane_cli {

// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Utf8FromUtf16(const std::vector<uint16_t>& text);

// A JSON string literal, quotes included.
std::string JsonString(const std::string& utf8);

}  // namespace orvane_cli
