// The addresses every command checks before it asks for a password or loads the
// library, so that a mistyped one is a usage error at once and no camera label
// or log line ever carries bytes that are not printable ASCII; and how a
// message shows any argument.
#pragma once

#include <string>

namespace orvane_cli {

// `text` as a message shows it: other bytes than printable ASCII (invalid
// UTF-8 among them) as \xNN, so that the message stays valid UTF-8 and JSON.
std::string ShownArgument(const std::string& text);

// Why `address`, given with `option` ("--address", the "address" word or
// ORVANE_ADDRESS), names no camera: it is empty, or neither an IPv4 address (a
// dotted quad), an IPv6 address nor a host name. Empty when it can name one.
std::string CameraAddressProblem(const std::string& option, const std::string& address);

// Why `listen` (--listen) is not an IP address and a port, 0 to 65535 (an IPv6
// address in brackets, as in [::1]:9410). Empty when it is.
std::string ListenAddressProblem(const std::string& listen);

}  // namespace orvane_cli
