// Boost's asio needs <utility> before it in C++20 (std::exchange).
#include <utility>

#include <boost/asio.hpp>
#include <boost/beast.hpp>
#include <optional>

#include "serve/http_server.hpp"

namespace orvane_cli::serve {
namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;

// A restarted service binds its port again while the previous one's closed
// connections linger; Windows would instead let another program share the port.
#ifdef _WIN32
constexpr bool kReuseAddress = false;
#else
constexpr bool kReuseAddress = true;
#endif

// One client connection: reads a request, answers it, and reads the next
// while the client keeps the connection alive.
class Connection : public std::enable_shared_from_this<Connection> {
public:
    Connection(tcp::socket socket, const HttpServer::Handler& handler, const HttpLimits& limits,
               std::size_t& open)
        : stream_(std::move(socket)),
          buffer_(limits.headerBytes + 1024),
          handler_(handler),
          limits_(limits),
          open_(open) {
        ++open_;
    }
    ~Connection() { --open_; }

    void Read() {
        parser_.emplace();
        parser_->header_limit(static_cast<std::uint32_t>(limits_.headerBytes));
        parser_->body_limit(0);
        stream_.expires_after(limits_.requestDeadline);
        http::async_read(
            stream_, buffer_, *parser_,
            [self = shared_from_this()](beast::error_code error, std::size_t) { self->Got(error); });
    }

private:
    void Got(beast::error_code error) {
        if (error == http::error::end_of_stream || error == beast::error::timeout ||
            error == asio::error::operation_aborted || error == asio::error::connection_reset ||
            error == asio::error::eof) {
            Close();
            return;
        }
        if (error == http::error::header_limit || error == http::error::buffer_overflow) {
            Answer(HttpReply{431, "text/plain; charset=utf-8", "request header too large\n", {}, {}}, false,
                   false, 11);
            return;
        }
        if (error) {
            Answer(HttpReply{400, "text/plain; charset=utf-8", "bad request\n", {}, {}}, false, false, 11);
            return;
        }
        const auto& request = parser_->get();
        const auto method = request.method_string();
        const auto target = request.target();
        Answer(handler_(std::string_view(method.data(), method.size()),
                        std::string_view(target.data(), target.size())),
               request.method() == http::verb::head, request.keep_alive(), request.version());
    }

    void Answer(HttpReply reply, bool head, bool keepAlive, unsigned version) {
        auto response = std::make_shared<http::response<http::string_body>>(
            static_cast<http::status>(reply.status), version);
        response->set(http::field::server, "orvane");
        response->set(http::field::content_type, reply.contentType);
        for (const auto& [name, value] : reply.headers) response->set(name, value);
        response->content_length(reply.content().size());
        if (!head) response->body() = reply.content();
        response->keep_alive(keepAlive);
        stream_.expires_after(limits_.writeDeadline);
        http::async_write(
            stream_, *response,
            [self = shared_from_this(), response, keepAlive](beast::error_code error, std::size_t) {
                if (!error && keepAlive) {
                    self->Read();
                } else {
                    self->Close();
                }
            });
    }

    void Close() {
        beast::error_code ignored;
        stream_.socket().shutdown(tcp::socket::shutdown_send, ignored);
        stream_.socket().close(ignored);
    }

    beast::tcp_stream stream_;
    beast::flat_buffer buffer_;
    std::optional<http::request_parser<http::empty_body>> parser_;
    const HttpServer::Handler& handler_;
    const HttpLimits& limits_;
    std::size_t& open_;
};

}  // namespace

struct HttpServer::Impl {
    Impl(Handler h, HttpLimits l, IsSlow s) : handler(std::move(h)), limits(l), slow(std::move(s)) {}

    void Accept() {
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
            if (open < limits.connections) {
                std::make_shared<Connection>(std::move(socket), handler, limits, open)->Read();
            } else {
                beast::error_code ignored;
                socket.close(ignored);
            }
            Accept();
        });
    }

    void Watch(const std::function<bool()>& stopRequested) {
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

    // Declared before the io_context: the connections it still holds when it
    // is destroyed use them.
    Handler handler;
    HttpLimits limits;
    IsSlow slow;
    std::size_t open = 0;
    asio::io_context io{1};
    tcp::acceptor acceptor{io};
    asio::steady_timer retry{io};
    asio::steady_timer watch{io};
};

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

void HttpServer::Run(const std::function<bool()>& stopRequested) {
    impl_->Watch(stopRequested);
    impl_->io.run();
    beast::error_code ignored;
    impl_->acceptor.close(ignored);
}

}  // namespace orvane_cli::serve
