#include "serve/http_connection.hpp"

#include "serve/http_connection_template.hpp"

namespace orvane_cli::serve {

void ServeConnection(boost::asio::ip::tcp::socket socket, HttpServerParts& server, ConnectionTable::Id id) {
    StartConnection<boost::beast::tcp_stream>(server, id, nullptr, std::move(socket));
}

void CloseConnection(HttpServerParts& server, ConnectionTable::Id id) { server.open.at(id)->Close(); }

}  // namespace orvane_cli::serve
