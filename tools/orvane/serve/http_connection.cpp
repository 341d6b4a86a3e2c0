#include "serve/http_connection.hpp"

#include <boost/beast.hpp>
#include <optional>

#include "platform/memory.hpp"

namespace orvane_cli::serve {
namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;

HttpReply Text(int status, std::string body) {
    return HttpReply{status, "text/plain; charset=utf-8", std::move(body), {}, {}};
}

}  // namespace

// One client connection: waits for a request, answers it, and waits for the
// next while the client keeps the connection alive.
class HttpConnection : public std::enable_shared_from_this<HttpConnection> {
public:
    HttpConnection(tcp::socket socket, HttpServerParts& server, ConnectionTable::Id id)
        : stream_(std::move(socket)),
          writeTimer_(server.io),
          buffer_(server.limits.headerBytes + 1024),
          server_(server),
          id_(id) {}
    ~HttpConnection() {
        Release();
        Close();
    }

    // Idle until the request's first byte, under the shorter deadline: an
    // idle connection may be closed to make room for a newcomer.
    void WaitForRequest() {
        if (closed_) return;
        if (buffer_.size() > 0) {  // the next request came with the previous one
            ReadHeader();
            return;
        }
        server_.table.SetIdle(id_, true);
        stream_.expires_after(server_.limits.firstByteDeadline);
        stream_.async_read_some(buffer_.prepare(512),
                                [self = shared_from_this()](beast::error_code error, std::size_t bytes) {
                                    if (error) {
                                        self->Close();
                                        return;
                                    }
                                    self->buffer_.commit(bytes);
                                    self->ReadHeader();
                                });
    }

    void Close() {
        if (closed_) return;
        closed_ = true;
        server_.table.Close(id_);
        server_.open.erase(id_);
        beast::error_code ignored;
        stream_.socket().cancel(ignored);
        stream_.socket().shutdown(tcp::socket::shutdown_send, ignored);
        stream_.socket().close(ignored);
    }

private:
    void ReadHeader() {
        if (closed_) return;
        server_.table.SetIdle(id_, false);
        parser_.emplace();
        parser_->header_limit(static_cast<std::uint32_t>(server_.limits.headerBytes));
        stream_.expires_after(server_.limits.requestDeadline);
        http::async_read_header(
            stream_, buffer_, *parser_,
            [self = shared_from_this()](beast::error_code error, std::size_t) { self->GotHeader(error); });
    }

    void GotHeader(beast::error_code error) {
        if (error == http::error::end_of_stream || error == beast::error::timeout ||
            error == asio::error::operation_aborted || error == asio::error::connection_reset ||
            error == asio::error::eof) {
            Close();
            return;
        }
        if (error == http::error::header_limit || error == http::error::buffer_overflow) {
            Answer(Text(431, "request header too large\n"), false, false, 11);
            return;
        }
        if (error) {
            Answer(Text(400, "bad request\n"), false, false, 11);
            return;
        }
        const auto& request = parser_->get();
        const unsigned version = request.version();
        // The body, if any, stays unread: the connection closes after the answer.
        if (request.method() != http::verb::get && request.method() != http::verb::head) {
            HttpReply reply = Text(405, "only GET and HEAD\n");
            reply.headers.emplace_back("Allow", "GET, HEAD");
            Answer(std::move(reply), false, false, version);
            return;
        }
        if (!parser_->is_done()) {
            Answer(Text(400, "a request may carry no body\n"), false, false, version);
            return;
        }
        const bool head = request.method() == http::verb::head;
        const bool keepAlive = request.keep_alive();
        std::string method(request.method_string());
        std::string target(request.target());
        if (!server_.slow || !server_.slow(target)) {
            Answer(server_.handler(method, target), head, keepAlive, version);
            return;
        }
        // The worker never lets go of the last reference: the connection ends on the io thread.
        asio::post(server_.worker, [self = shared_from_this(), method = std::move(method),
                                    target = std::move(target), head, keepAlive, version]() mutable {
            HttpReply reply = self->server_.handler(method, target);
            asio::io_context& io = self->server_.io;
            asio::post(io, [self = std::move(self), reply = std::move(reply), head, keepAlive,
                            version]() mutable { self->Answer(std::move(reply), head, keepAlive, version); });
        });
    }

    void Answer(HttpReply reply, bool head, bool keepAlive, unsigned version) {
        if (closed_) return;
        body_ = reply.sharedBody ? std::move(reply.sharedBody)
                                 : std::make_shared<const std::string>(std::move(reply.body));
        const std::size_t size = body_->size();
        if (!head && size > 0) {
            if (server_.budget.Take(body_.get(), size)) {
                counted_ = body_.get();
            } else {
                reply = Text(503, "too many large answers at once; try again\n");
                reply.headers.emplace_back("Retry-After", "1");
                body_ = std::make_shared<const std::string>(std::move(reply.body));
                keepAlive = false;
            }
        }
        response_.emplace(static_cast<http::status>(reply.status), version);
        response_->set(http::field::server, "orvane");
        response_->set(http::field::content_type, reply.contentType);
        for (const auto& [name, value] : reply.headers) response_->set(name, value);
        response_->content_length(body_->size());
        if (!head) response_->body() = beast::span<const char>(body_->data(), body_->size());
        response_->keep_alive(keepAlive);
        // The write's deadline is a timer of its own: the stream's would only
        // close the socket, and wine leaves a send blocked on a full window
        // pending then, where Close() cancels it first. A wait that ran out
        // just as its write ended leaves the next write alone.
        stream_.expires_never();
        writeTimer_.expires_after(server_.limits.writeDeadline);
        writeTimer_.async_wait([weak = weak_from_this(), write = ++writes_](beast::error_code error) {
            if (const auto self = weak.lock(); self && !error && self->writes_ == write && self->response_)
                self->Close();
        });
        http::async_write(stream_, *response_,
                          [self = shared_from_this(), keepAlive](beast::error_code error, std::size_t) {
                              self->writeTimer_.cancel();
                              self->Release();
                              if (!error && keepAlive) {
                                  self->WaitForRequest();
                              } else {
                                  self->Close();
                              }
                          });
    }

    // The answer's body leaves the budget once its write has ended.
    void Release() {
        response_.reset();
        body_.reset();
        const void* counted = std::exchange(counted_, nullptr);
        if (counted != nullptr && server_.budget.Give(counted)) platform::ReleaseFreeMemory();
    }

    beast::tcp_stream stream_;
    asio::steady_timer writeTimer_;
    beast::flat_buffer buffer_;
    std::optional<http::request_parser<http::empty_body>> parser_;
    std::optional<http::response<http::span_body<const char>>> response_;
    std::shared_ptr<const std::string> body_;
    const void* counted_ = nullptr;
    std::uint64_t writes_ = 0;
    HttpServerParts& server_;
    const ConnectionTable::Id id_;
    bool closed_ = false;
};

void ServeConnection(tcp::socket socket, HttpServerParts& server, ConnectionTable::Id id) {
    auto connection = std::make_shared<HttpConnection>(std::move(socket), server, id);
    server.open.emplace(id, connection.get());
    connection->WaitForRequest();
}

void CloseConnection(HttpServerParts& server, ConnectionTable::Id id) { server.open.at(id)->Close(); }

}  // namespace orvane_cli::serve
