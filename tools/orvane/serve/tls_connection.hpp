// TLS for the service's HTTP server: OpenSSL through Boost.Asio's SSL stream
// (Linux builds; see web_security.hpp).
#pragma once

// Boost's asio needs <utility> before it in C++20 (std::exchange).
#include <utility>

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ssl/context.hpp>
#include <memory>
#include <string>

#include "serve/connection_table.hpp"
#include "serve/web_config.hpp"

namespace orvane_cli::serve {

struct HttpServerParts;

// A server context with the certificate chain, key, client certificate
// policy and least version of `config`; nothing, with the problem in
// `error` (naming the file at fault), when one of them does not load.
std::shared_ptr<boost::asio::ssl::context> MakeTlsContext(const TlsServerConfig& config, std::string& error);

// Serves a connection just accepted over TLS with `context`, which it keeps
// as long as it is open.
void ServeTlsConnection(boost::asio::ip::tcp::socket socket, HttpServerParts& server, ConnectionTable::Id id,
                        std::shared_ptr<boost::asio::ssl::context> context);

}  // namespace orvane_cli::serve
