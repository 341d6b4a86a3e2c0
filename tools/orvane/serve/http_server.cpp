// Boost's asio needs <utility> before it in C++20 (std::exchange).
#include <utility>

#include <boost/asio.hpp>
#include <boost/beast.hpp>
#include <vector>

#include "serve/http_connection.hpp"
#include "serve/http_server.hpp"
#include "serve/web_security.hpp"

namespace orvane_cli::serve {
namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
using tcp = asio::ip::tcp;

// A restarted service binds its port again while the previous one's closed
// connections linger; Windows would instead let another program share the port.
#ifdef _WIN32
constexpr bool kReuseAddress = false;
#else
constexpr bool kReuseAddress = true;
#endif

// A v4 client of a dual-stack listener is the same peer as over v4.
std::string PeerOf(const tcp::endpoint& endpoint) {
    const asio::ip::address address = endpoint.address();
    if (address.is_v6() && address.to_v6().is_v4_mapped())
        return asio::ip::make_address_v4(asio::ip::v4_mapped, address.to_v6()).to_string();
    return address.to_string();
}

}  // namespace

struct HttpServer::Impl : HttpServerParts {
    using HttpServerParts::HttpServerParts;

    void Accept();
    void Watch(const std::function<bool()>& stopRequested);

    tcp::acceptor acceptor{io};
    asio::steady_timer retry{io};
    asio::steady_timer watch{io};
};

void HttpServer::Impl::Accept() {
    acceptor.async_accept([this](beast::error_code error, tcp::socket socket) {
        if (error == asio::error::operation_aborted) return;
        if (error) {
            // Out of descriptors, say: try again shortly rather than spin.
            retry.expires_after(std::chrono::milliseconds(100));
            retry.async_wait([this](beast::error_code waited) {
                if (!waited) Accept();
            });
            return;
        }
        beast::error_code failed;
        const tcp::endpoint peer = socket.remote_endpoint(failed);
        const std::string address = failed ? std::string() : PeerOf(peer);
        const ConnectionTable::Room room = table.RoomFor(address);
        if (failed || !room.admitted) {
            socket.close(failed);
        } else {
            if (room.drop) CloseConnection(*this, *room.drop);
            const ConnectionTable::Id id = table.Open(address);
            if (security != nullptr) {
                security->Serve(std::move(socket), *this, id);
            } else {
                ServeConnection(std::move(socket), *this, id);
            }
        }
        Accept();
    });
}

void HttpServer::Impl::Watch(const std::function<bool()>& stopRequested) {
    watch.expires_after(std::chrono::milliseconds(100));
    watch.async_wait([this, &stopRequested](beast::error_code error) {
        if (error) return;
        if (stopRequested()) {
            io.stop();
            return;
        }
        Watch(stopRequested);
    });
}

HttpServer::HttpServer(Handler handler, HttpLimits limits, IsSlow slow)
    : impl_(std::make_unique<Impl>(std::move(handler), limits, std::move(slow))) {}

HttpServer::~HttpServer() = default;

bool HttpServer::Listen(const std::string& host, uint16_t port, std::string& error) {
    beast::error_code failed;
    const auto address = asio::ip::make_address(host, failed);
    if (failed) {
        error = host + " is not an IP address";
        return false;
    }
    const tcp::endpoint endpoint(address, port);
    tcp::acceptor& acceptor = impl_->acceptor;
    if (!acceptor.open(endpoint.protocol(), failed) &&
        !acceptor.set_option(asio::socket_base::reuse_address(kReuseAddress), failed) &&
        !acceptor.bind(endpoint, failed) &&
        !acceptor.listen(asio::socket_base::max_listen_connections, failed)) {
        impl_->Accept();
        return true;
    }
    error = "cannot listen on " + host + ":" + std::to_string(port) + ": " + failed.message();
    return false;
}

uint16_t HttpServer::port() const {
    beast::error_code ignored;
    return impl_->acceptor.local_endpoint(ignored).port();
}

void HttpServer::Secure(WebSecurity& security) { impl_->security = &security; }

void HttpServer::Run(const std::function<bool()>& stopRequested) {
    impl_->Watch(stopRequested);
    impl_->io.run();
    beast::error_code ignored;
    impl_->acceptor.close(ignored);
    // Closed here rather than by the io_context's end, which only closes their
    // sockets: wine then leaves a send blocked on a full window pending, and
    // the io_context waits for it for ever.
    std::vector<ConnectionTable::Id> open;
    for (const auto& [id, connection] : impl_->open) open.push_back(id);
    for (const ConnectionTable::Id id : open) CloseConnection(*impl_, id);
    // A job under way ends and posts its answer to the stopped io_context; the
    // jobs not begun are dropped with the worker, on this thread.
    impl_->worker.stop();
    impl_->worker.join();
}

}  // namespace orvane_cli::serve
