#include "library/text_encoding.hpp"

#include <cstdio>

namespace orvane_cli {
namespace {

void AppendCodePoint(std::string& out, uint32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool IsHigh(uint16_t u) { return u >= 0xD800 && u < 0xDC00; }
bool IsLow(uint16_t u) { return u >= 0xDC00 && u < 0xE000; }

}  // namespace

std::string Utf8FromUtf16(const std::vector<uint16_t>& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const uint16_t u = text[i];
        if (IsHigh(u) && i + 1 < text.size() && IsLow(text[i + 1])) {
            AppendCodePoint(out, 0x10000 + ((uint32_t{u} - 0xD800) << 10) + (text[i + 1] - 0xDC00u));
            ++i;
        } else if (IsHigh(u) || IsLow(u)) {
            AppendCodePoint(out, 0xFFFD);
        } else {
            AppendCodePoint(out, u);
        }
    }
    return out;
}

std::string JsonString(const std::string& utf8) {
    std::string out = "\"";
    for (const char ch : utf8) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                    out += escaped;
                } else {
                    out += ch;
                }
        }
    }
    return out + "\"";
}

}  // namespace orvane_cli
