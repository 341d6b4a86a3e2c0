// The --listen option's HOST:PORT.
#pragma once

#include <cstdint>
#include <string>

namespace orvane_cli::serve {

// HOST:PORT ("[::1]:9410" for an IPv6 address) split; false for anything else.
bool ParseListen(const std::string& text, std::string& host, uint16_t& port);

// The host as a URL writes it (an IPv6 address in brackets).
std::string UrlHost(const std::string& host);

// What a listener on `host` leaves open to other machines: empty on a
// loopback address, or with both TLS and users; otherwise a warning that says
// the endpoints are open and what is missing.
std::string OpenEndpointsWarning(const std::string& host, uint16_t port, bool tls, bool users);

}  // namespace orvane_cli::serve
