// One client connection of the HTTP server (http_server.hpp states its
// limits), and what the server's connections share.
#pragma once

// Boost's asio needs <utility> before it in C++20 (std::exchange).
#include <utility>

#include <boost/asio.hpp>
#include <unordered_map>

#include "serve/connection_table.hpp"
#include "serve/http_server.hpp"

namespace orvane_cli::serve {

class HttpConnection;

// Used on the io thread only, but for the handler, which the worker calls too.
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
    // Declared before the io_context and the worker: the connections they
    // still hold when they are destroyed use them.
    ConnectionTable table;
    ResponseBudget budget;
    std::unordered_map<ConnectionTable::Id, HttpConnection*> open;
    boost::asio::io_context io{1};
    // After the io_context: a job it drops holds a connection, whose socket needs the io_context.
    boost::asio::thread_pool worker{1};
};

// Serves a connection just accepted and entered in the table as `id`, until it closes.
void ServeConnection(boost::asio::ip::tcp::socket socket, HttpServerParts& server, ConnectionTable::Id id);
// Closes the open connection `id`.
void CloseConnection(HttpServerParts& server, ConnectionTable::Id id);

}  // namespace orvane_cli::serve
