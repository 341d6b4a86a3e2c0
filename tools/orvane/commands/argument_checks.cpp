#include "commands/argument_checks.hpp"

#include <boost/asio/ip/address_v4.hpp>
#include <boost/asio/ip/address_v6.hpp>

#include <algorithm>
#include <cstdint>

#include "serve/listen_address.hpp"

namespace orvane_cli {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsHostNameCharacter(char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-';
}

bool IsIpv6Character(char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') || c == ':' || c == '.';
}

// Windows reads "10.1", "010.0.0.1" (octal) and "10.0.0.1:80" as IPv4 addresses
// too: only four decimal numbers go to the parser, so that every build takes
// the same addresses.
bool IsIpv4(const std::string& text) {
    std::size_t start = 0;
    for (int part = 0; part < 4; ++part) {
        const std::size_t end = part < 3 ? text.find('.', start) : text.size();
        if (end == std::string::npos) return false;
        const std::string number = text.substr(start, end - start);
        if (number.empty() || number.size() > 3 || (number.size() > 1 && number.front() == '0') ||
            !std::all_of(number.begin(), number.end(), IsDigit))
            return false;
        start = end + 1;
    }
    boost::system::error_code failed;
    boost::asio::ip::make_address_v4(text, failed);
    return !failed;
}

// Windows reads brackets, a port and a scope name as part of an IPv6 address
// too: only hexadecimal groups (and a trailing IPv4 address) go to the parser.
bool IsIpv6(const std::string& text) {
    if (std::count(text.begin(), text.end(), ':') < 2 ||
        !std::all_of(text.begin(), text.end(), IsIpv6Character))
        return false;
    boost::system::error_code failed;
    boost::asio::ip::make_address_v6(text, failed);
    return !failed;
}

// Labels of letters, digits and hyphens, 1 to 63 each and 253 in all; a last
// label of digits only would make a mistyped IPv4 address a name.
bool IsHostName(const std::string& text) {
    if (text.empty() || text.size() > 253) return false;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = std::min(text.find('.', start), text.size());
        const std::string label = text.substr(start, end - start);
        if (label.empty() || label.size() > 63 || label.front() == '-' || label.back() == '-' ||
            !std::all_of(label.begin(), label.end(), IsHostNameCharacter))
            return false;
        if (end == text.size()) return !std::all_of(label.begin(), label.end(), IsDigit);
        start = end + 1;
    }
}

}  // namespace

std::string ShownArgument(const std::string& text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string shown;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F) {
            shown += c;
        } else {
            shown += {'\\', 'x', kHex[byte >> 4], kHex[byte & 0xF]};
        }
    }
    return shown;
}

std::string CameraAddressProblem(const std::string& option, const std::string& address) {
    if (address.empty()) return option + " is empty: give the camera's IPv4 or IPv6 address or host name";
    if (IsIpv4(address) || IsIpv6(address) || IsHostName(address)) return "";
    return option + " " + ShownArgument(address) + ": not an IPv4 or IPv6 address or host name";
}

std::string ListenAddressProblem(const std::string& listen) {
    std::string host;
    uint16_t port = 0;
    if (serve::ParseListen(listen, host, port) && (listen.front() == '[' ? IsIpv6(host) : IsIpv4(host)))
        return "";
    return "--listen " + (listen.empty() ? std::string("''") : ShownArgument(listen)) +
           ": not an IP address and port such as 127.0.0.1:9410 or [::1]:9410 (port 0: a free one)";
}

}  // namespace orvane_cli
