#include "serve/listen_address.hpp"

#include <algorithm>

namespace orvane_cli::serve {

bool ParseListen(const std::string& text, std::string& host, uint16_t& port) {
    const std::size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 == text.size()) return false;
    host = text.substr(0, colon);
    const bool bracketed = host.size() > 2 && host.front() == '[' && host.back() == ']';
    if (bracketed) host = host.substr(1, host.size() - 2);
    // An IPv6 address goes in brackets: without, its last group would pass for the port.
    if (host.find_first_of("[]") != std::string::npos || (!bracketed && host.find(':') != std::string::npos))
        return false;
    const std::string digits = text.substr(colon + 1);
    if (digits.size() > 5 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    const unsigned long value = std::stoul(digits);
    if (value > 65535) return false;
    port = static_cast<uint16_t>(value);
    return true;
}

std::string UrlHost(const std::string& host) {
    return host.find(':') != std::string::npos ? "[" + host + "]" : host;
}

}  // namespace orvane_cli::serve
