#include "serve/listen_address.hpp"

// Boost's asio needs <utility> before it in C++20 (std::exchange).
#include <utility>

#include <algorithm>
#include <boost/asio/ip/address.hpp>

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

std::string OpenEndpointsWarning(const std::string& host, uint16_t port, bool tls, bool users) {
    boost::system::error_code failed;
    const auto address = boost::asio::ip::make_address(host, failed);
    const bool loopback =
        !failed &&
        (address.is_loopback() ||
         (address.is_v6() && address.to_v6().is_v4_mapped() &&
          boost::asio::ip::make_address_v4(boost::asio::ip::v4_mapped, address.to_v6()).is_loopback()));
    if (loopback || (tls && users)) return "";
    const std::string missing = !tls && !users ? "without TLS or password"
                                : !tls         ? "without TLS (passwords and readings cross it in clear text)"
                                               : "without a password";
    return "the endpoints on " + UrlHost(host) + ":" + std::to_string(port) + " are open to the network " +
           missing + "; --web.config.file sets both";
}

}  // namespace orvane_cli::serve
