#include "thermometry/reading_text.hpp"

#include <bit>
#include <charconv>

namespace orvane::thermometry {
namespace {

constexpr uint64_t kMillion = 1000000;

char* AppendThroughConverter(char* out, uint32_t bits) noexcept {
    const auto value = static_cast<double>(std::bit_cast<float>(bits));
    return std::to_chars(out, out + kReadingTextMax, value, std::chars_format::fixed, 6).ptr;
}

// The value times a million, rounded half to even, when it fits the fast path.
bool ScaledMagnitude(uint32_t bits, uint64_t& scaled) noexcept {
    const uint32_t exponentField = (bits >> 23) & 0xFFu;
    const uint32_t fraction = bits & 0x7FFFFFu;
    if (exponentField == 0xFFu) return false;
    // magnitude = mantissa * 2^exponent, exactly.
    const uint64_t mantissa = exponentField == 0 ? fraction : (fraction | 0x800000u);
    const int exponent = (exponentField == 0 ? 1 : static_cast<int>(exponentField)) - 150;
    if (exponent >= 0) {
        if (exponent > 16) return false;  // 2^40 and beyond
        scaled = (mantissa << exponent) * kMillion;
        return true;
    }
    const int shift = -exponent;
    const uint64_t product = mantissa * kMillion;  // below 2^44
    if (shift >= 45) {
        scaled = 0;  // less than half of the last decimal
        return true;
    }
    scaled = product >> shift;
    const uint64_t rest = product & ((uint64_t{1} << shift) - 1);
    const uint64_t half = uint64_t{1} << (shift - 1);
    if (rest > half || (rest == half && (scaled & 1u) != 0)) ++scaled;
    return true;
}

}  // namespace

char* AppendReadingText(char* out, uint32_t bits) noexcept {
    uint64_t scaled;
    if (!ScaledMagnitude(bits, scaled)) return AppendThroughConverter(out, bits);
    // printf keeps the sign of a negative zero and of negatives that round to zero.
    if ((bits >> 31) != 0) *out++ = '-';
    out = std::to_chars(out, out + 14, scaled / kMillion).ptr;
    *out++ = '.';
    uint64_t decimals = scaled % kMillion;
    for (int i = 5; i >= 0; --i) {
        out[i] = static_cast<char>('0' + decimals % 10);
        decimals /= 10;
    }
    return out + 6;
}

}  // namespace orvane::thermometry
