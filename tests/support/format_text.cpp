#include "support/format_text.hpp"

#include <array>
#include <cstdio>
#include <cstring>

namespace orvane::thermometry {

std::string FormatTextV(const char* format, va_list arguments) {
    if (format == nullptr) return {};
    // The first pass renders into a local buffer while it measures, so a short
    // text (every log line but the dump) needs no second pass.
    char local[512];
    va_list measuring;
    va_copy(measuring, arguments);
    const int needed = std::vsnprintf(local, sizeof local, format, measuring);
    va_end(measuring);
    if (needed <= 0) return {};
    if (static_cast<std::size_t>(needed) < sizeof local) return std::string(local, std::strlen(local));

    // The string's own terminator slot takes the formatter's terminating zero.
    std::string text(static_cast<std::size_t>(needed), '\0');
    va_list rendering;
    va_copy(rendering, arguments);
    std::vsnprintf(text.data(), text.size() + 1, format, rendering);
    va_end(rendering);
    text.resize(std::strlen(text.c_str()));
    return text;
}

std::string FormatText(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    std::string text;
    try {
        text = FormatTextV(format, arguments);
    } catch (...) {
        va_end(arguments);
        throw;
    }
    va_end(arguments);
    return text;
}

namespace {

// The two digits of every byte value, looked up instead of formatted.
constexpr std::array<char, 512> kHexPairs = [] {
    constexpr char digits[] = "0123456789abcdef";
    std::array<char, 512> pairs{};
    for (std::size_t value = 0; value < 256; ++value) {
        pairs[2 * value] = digits[value >> 4];
        pairs[2 * value + 1] = digits[value & 0xF];
    }
    return pairs;
}();

}  // namespace

std::size_t FormatHexInto(char* buffer, std::size_t size, const uint8_t* bytes, std::size_t count) noexcept {
    if (buffer == nullptr || size == 0) return 0;
    const std::size_t fitting = (size - 1) / 2;
    if (bytes == nullptr) count = 0;
    if (count > fitting) count = fitting;
    char* out = buffer;
    for (std::size_t i = 0; i < count; ++i) {
        std::memcpy(out, &kHexPairs[2 * std::size_t{bytes[i]}], 2);
        out += 2;
    }
    *out = '\0';
    return static_cast<std::size_t>(out - buffer);
}

}  // namespace orvane::thermometry
