// One client connection of the HTTP server (http_server.hpp states its
// limits), and what the server's connections share. The connection's code
// is one class template over its stream (http_connection_template.hpp),
// plain TCP here and TLS in tls_connection.hpp, so that every limit holds
// alike over both.
#pragma once

// Boost's asio needs <utility> before it in C++20 (std::exchange).
#include <utility>

#include <boost/asio.hpp>
#include <set>
#include <string>
#include <unordered_map>

#include "serve/connection_table.hpp"
#include "serve/http_server.hpp"

namespace orvane_cli::serve {

class WebSecurity;

// An open connection as the server sees it.
class ServedConnection {
public:
    virtual ~ServedConnection() = default;
    virtual void Close() = 0;
};

// Used on the io thread only, but for the handler and the security's
// password check, which the worker calls too.
struct HttpServerParts {
    HttpServerParts(HttpServer::Handler h, HttpLimits l, HttpServer::IsSlow s)
        : handler(std::move(h)),
          limits(l),
          slow(std::move(s)),
          table(l.connections, l.connectionsPerPeer),
          budget(l.responseBytes) {}

    HttpServer::Handler handler;
    HttpLimits limits;
    HttpServer::IsSlow slow;
    // TLS and passwords, when --web.config.file asks for them.
    WebSecurity* security = nullptr;
    // The peers with a password check on the worker: one at a time each, so
    // that no client can queue a stream of guesses ahead of the others.
    std::set<std::string> checking;
    // Declared before the io_context and the worker: the connections they
    // still hold when they are destroyed use them.
    ConnectionTable table;
    ResponseBudget budget;
    std::unordered_map<ConnectionTable::Id, ServedConnection*> open;
    boost::asio::io_context io{1};
    // After the io_context: a job it drops holds a connection, whose socket needs the io_context.
    boost::asio::thread_pool worker{1};
};

// Serves a connection just accepted and entered in the table as `id`, over
// plain TCP, until it closes.
void ServeConnection(boost::asio::ip::tcp::socket socket, HttpServerParts& server, ConnectionTable::Id id);
// Closes the open connection `id`.
void CloseConnection(HttpServerParts& server, ConnectionTable::Id id);

}  // namespace orvane_cli::serve
