// Test helpers: printf-style formatting into a string of exactly the rendered
// length, and the rendering of bytes as hex digits as "%02x" renders them.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <string>

namespace orvane::thermometry {

#if defined(__GNUC__)
#define ORVANE_PRINTF_FORMAT(formatIndex, firstArgument) \
    __attribute__((format(printf, formatIndex, firstArgument)))
#else
#define ORVANE_PRINTF_FORMAT(formatIndex, firstArgument)
#endif

// The printf rendering of the format with its arguments, measured first and then
// rendered into a buffer of exactly that size, so there is no length limit (short
// texts are measured and rendered in one pass through a local buffer). The
// text ends at the first zero byte of the rendering. Empty when the formatter
// reports a rendering error. Throws std::bad_alloc when out of memory.
std::string FormatText(const char* format, ...) ORVANE_PRINTF_FORMAT(1, 2);
std::string FormatTextV(const char* format, va_list arguments);

// Writes each of `count` bytes as two lower-case hex digits into `buffer`, followed
// by a terminating zero, as "%02x" per byte would, never writing more than `size`
// bytes in all: when the buffer is too small, only the bytes that fit whole are
// written. Returns the number of digits written (without the terminator).
std::size_t FormatHexInto(char* buffer, std::size_t size, const uint8_t* bytes, std::size_t count) noexcept;

}  // namespace orvane::thermometry
