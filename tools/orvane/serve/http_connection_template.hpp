// The code of one client connection over any stream Beast reads HTTP from:
// a plain TCP stream (http_connection.cpp) or a TLS stream over one
// (tls_connection.cpp). Included by those two files only.
#pragma once

#include <boost/beast.hpp>
#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "platform/memory.hpp"
#include "serve/http_connection.hpp"
#include "serve/web_security.hpp"

namespace orvane_cli::serve {

inline HttpReply PlainText(int status, std::string body) {
    return HttpReply{status, "text/plain; charset=utf-8", std::move(body), {}, {}};
}

// One client connection: waits for a request, answers it, and waits for the
// next while the client keeps the connection alive. With TLS, the handshake
// comes first, within the deadline for the first request's first byte.
template <class Stream>
class HttpConnection : public ServedConnection, public std::enable_shared_from_this<HttpConnection<Stream>> {
    using tcp = boost::asio::ip::tcp;
    using error_code = boost::beast::error_code;

public:
    // `holds` is kept alive as long as the stream (a TLS stream's context);
    // `stream` is what the stream is made of.
    template <class... StreamParts>
    HttpConnection(HttpServerParts& server, ConnectionTable::Id id, std::shared_ptr<const void> holds,
                   StreamParts&&... stream)
        : holds_(std::move(holds)),
          stream_(std::forward<StreamParts>(stream)...),
          writeTimer_(server.io),
          buffer_(server.limits.headerBytes + 1024),
          server_(server),
          id_(id),
          peer_(server.table.PeerOf(id)) {}
    ~HttpConnection() override {
        Release();
        Close();
    }

    static constexpr bool kTls = !std::is_same_v<Stream, boost::beast::tcp_stream>;

    void Start() {
        firstByteBy_ = std::chrono::steady_clock::now() + server_.limits.firstByteDeadline;
        if constexpr (kTls) {
            Tcp().expires_at(firstByteBy_);
            stream_.async_handshake(Stream::server, [self = this->shared_from_this()](error_code error) {
                if (error) {
                    self->Close();
                    return;
                }
                self->WaitForRequest();
            });
        } else {
            WaitForRequest();
        }
    }

    void Close() override {
        if (closed_) return;
        closed_ = true;
        server_.table.Close(id_);
        server_.open.erase(id_);
        error_code ignored;
        tcp::socket& socket = Tcp().socket();
        socket.cancel(ignored);
        socket.shutdown(tcp::socket::shutdown_send, ignored);
        socket.close(ignored);
    }

private:
    boost::beast::tcp_stream& Tcp() { return boost::beast::get_lowest_layer(stream_); }

    // Idle until the request's first byte, under the shorter deadline: an
    // idle connection may be closed to make room for a newcomer.
    void WaitForRequest() {
        if (closed_) return;
        if (buffer_.size() > 0) {  // the next request came with the previous one
            ReadHeader();
            return;
        }
        server_.table.SetIdle(id_, true);
        Tcp().expires_at(firstByteBy_);
        stream_.async_read_some(buffer_.prepare(512),
                                [self = this->shared_from_this()](error_code error, std::size_t bytes) {
                                    if (error) {
                                        self->Close();
                                        return;
                                    }
                                    self->buffer_.commit(bytes);
                                    self->ReadHeader();
                                });
    }

    void ReadHeader() {
        if (closed_) return;
        server_.table.SetIdle(id_, false);
        parser_.emplace();
        parser_->header_limit(static_cast<std::uint32_t>(server_.limits.headerBytes));
        Tcp().expires_after(server_.limits.requestDeadline);
        boost::beast::http::async_read_header(
            stream_, buffer_, *parser_,
            [self = this->shared_from_this()](error_code error, std::size_t) { self->GotHeader(error); });
    }

    void GotHeader(error_code error) {
        namespace http = boost::beast::http;
        namespace asio = boost::asio;
        if (error == http::error::end_of_stream || error == boost::beast::error::timeout ||
            error == asio::error::operation_aborted || error == asio::error::connection_reset ||
            error == asio::error::eof) {
            Close();
            return;
        }
        if (error == http::error::header_limit || error == http::error::buffer_overflow) {
            Answer(PlainText(431, "request header too large\n"), false, false, 11);
            return;
        }
        if (error) {
            Answer(PlainText(400, "bad request\n"), false, false, 11);
            return;
        }
        const auto& request = parser_->get();
        const unsigned version = request.version();
        // The body, if any, stays unread: the connection closes after the answer.
        if (request.method() != http::verb::get && request.method() != http::verb::head) {
            HttpReply reply = PlainText(405, "only GET and HEAD\n");
            reply.headers.emplace_back("Allow", "GET, HEAD");
            Answer(std::move(reply), false, false, version);
            return;
        }
        if (!parser_->is_done()) {
            Answer(PlainText(400, "a request may carry no body\n"), false, false, version);
            return;
        }
        const auto header = [&](http::field field) {
            const auto value = request[field];
            return std::string(value.data(), value.size());
        };
        Request asked{std::string(request.method_string()),
                      std::string(request.target()),
                      header(http::field::accept),
                      header(http::field::accept_encoding),
                      request.method() == http::verb::head,
                      request.keep_alive(),
                      version};
        if (server_.security == nullptr) {
            Respond(std::move(asked));
            return;
        }
        PendingCheck check;
        const auto authorization = request[http::field::authorization];
        switch (
            server_.security->Admit(std::string_view(authorization.data(), authorization.size()), check)) {
            case WebSecurity::Access::kAllowed:
                Respond(std::move(asked));
                return;
            case WebSecurity::Access::kRefused:
                Answer(Unauthorized(), asked.head, asked.keepAlive, version);
                return;
            case WebSecurity::Access::kCheck:
                break;
        }
        if (!server_.checking.insert(peer_).second) {
            HttpReply reply = PlainText(429, "a password check from this address is under way; try again\n");
            reply.headers.emplace_back("Retry-After", "1");
            Answer(std::move(reply), asked.head, false, version);
            return;
        }
        // bcrypt takes tens of milliseconds: on the worker, so that scrapes
        // with a password that passed lately are answered meanwhile.
        asio::post(server_.worker, [self = this->shared_from_this(), check = std::move(check),
                                    asked = std::move(asked)]() mutable {
            const bool passed = self->server_.security->Verify(check);
            asio::io_context& io = self->server_.io;
            asio::post(io, [self = std::move(self), asked = std::move(asked), passed]() mutable {
                self->server_.checking.erase(self->peer_);
                if (passed) {
                    self->Respond(std::move(asked));
                } else {
                    self->Answer(Unauthorized(), asked.head, asked.keepAlive, asked.version);
                }
            });
        });
    }

    struct Request {
        std::string method;
        std::string target;
        std::string accept;          // which exposition format
        std::string acceptEncoding;  // gzip or not
        bool head = false;
        bool keepAlive = false;
        unsigned version = 11;
    };

    static HttpReply Unauthorized() {
        HttpReply reply = PlainText(401, "a user name and password are needed\n");
        reply.headers.emplace_back("WWW-Authenticate", "Basic realm=\"orvane\"");
        return reply;
    }

    static HttpRequestHead Head(const Request& asked) {
        return {asked.method, asked.target, asked.accept, asked.acceptEncoding};
    }

    void Respond(Request asked) {
        if (closed_) return;
        if (!server_.slow || !server_.slow(asked.target)) {
            Answer(server_.handler(Head(asked)), asked.head, asked.keepAlive, asked.version);
            return;
        }
        // The worker never lets go of the last reference: the connection ends on the io thread.
        boost::asio::post(
            server_.worker, [self = this->shared_from_this(), asked = std::move(asked)]() mutable {
                HttpReply reply = self->server_.handler(Head(asked));
                boost::asio::io_context& io = self->server_.io;
                boost::asio::post(io, [self = std::move(self), reply = std::move(reply), asked]() mutable {
                    self->Answer(std::move(reply), asked.head, asked.keepAlive, asked.version);
                });
            });
    }

    void Answer(HttpReply reply, bool head, bool keepAlive, unsigned version) {
        namespace http = boost::beast::http;
        if (closed_) return;
        body_ = reply.sharedBody ? std::move(reply.sharedBody)
                                 : std::make_shared<const std::string>(std::move(reply.body));
        const std::size_t size = body_->size();
        if (!head && size > 0) {
            if (server_.budget.Take(body_.get(), size)) {
                counted_ = body_.get();
            } else {
                reply = PlainText(503, "too many large answers at once; try again\n");
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
        if (!head) response_->body() = boost::beast::span<const char>(body_->data(), body_->size());
        response_->keep_alive(keepAlive);
        // The write's deadline is a timer of its own: the stream's would only
        // close the socket, and wine leaves a send blocked on a full window
        // pending then, where Close() cancels it first. A wait that ran out
        // just as its write ended leaves the next write alone.
        Tcp().expires_never();
        writeTimer_.expires_after(server_.limits.writeDeadline);
        writeTimer_.async_wait([weak = this->weak_from_this(), write = ++writes_](error_code error) {
            if (const auto self = weak.lock(); self && !error && self->writes_ == write && self->response_)
                self->Close();
        });
        http::async_write(
            stream_, *response_, [self = this->shared_from_this(), keepAlive](error_code error, std::size_t) {
                self->writeTimer_.cancel();
                self->Release();
                if (!error && keepAlive) {
                    self->firstByteBy_ =
                        std::chrono::steady_clock::now() + self->server_.limits.firstByteDeadline;
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

    std::shared_ptr<const void> holds_;  // before the stream, which it outlives
    Stream stream_;
    boost::asio::steady_timer writeTimer_;
    boost::beast::flat_buffer buffer_;
    std::optional<boost::beast::http::request_parser<boost::beast::http::empty_body>> parser_;
    std::optional<boost::beast::http::response<boost::beast::http::span_body<const char>>> response_;
    std::shared_ptr<const std::string> body_;
    const void* counted_ = nullptr;
    std::uint64_t writes_ = 0;
    // When the next request's first byte is due: the handshake counts against it.
    std::chrono::steady_clock::time_point firstByteBy_;
    HttpServerParts& server_;
    const ConnectionTable::Id id_;
    const std::string peer_;
    bool closed_ = false;
};

// Makes the connection `id` over a Stream made of `stream`, and starts it.
template <class Stream, class... StreamParts>
void StartConnection(HttpServerParts& server, ConnectionTable::Id id, std::shared_ptr<const void> holds,
                     StreamParts&&... stream) {
    auto connection = std::make_shared<HttpConnection<Stream>>(server, id, std::move(holds),
                                                               std::forward<StreamParts>(stream)...);
    server.open.emplace(id, connection.get());
    connection->Start();
}

}  // namespace orvane_cli::serve
