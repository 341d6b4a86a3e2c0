// UTF-8 to the UTF-16 that Windows' wide-character functions take.
#pragma once

#include <windows.h>

#include <string>

namespace orvane_cli::platform {

inline std::wstring WideFromUtf8(const std::string& utf8) {
    if (utf8.empty()) return {};
    const int length =
        ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), length);
    return wide;
}

}  // namespace orvane_cli::platform
