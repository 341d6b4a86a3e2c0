// The service's HTTP server: asynchronous on one thread, so that slow or idle
// clients cost a socket each and never a thread, with limits that keep any
// client from taking the service away from the others (a scrape above all):
// the header size; deadlines for a request's first byte, for the rest of its
// header and for writing an answer; GET and HEAD only (another method gets
// 405 and the connection closes with its body unread), with no body; caps on
// connections per peer address and in all, where a newcomer over a cap takes
// the place of the connection idle the longest (see ConnectionTable); and a
// memory budget for the answers being written (see ResponseBudget). With
// --web.config.file, TLS and a password for every request (web_security.hpp):
// the TLS handshake counts against the first byte's deadline, and a password
// check (bcrypt) runs on the worker, one at a time per peer address.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "serve/http_routes.hpp"

namespace orvane_cli::serve {

class WebSecurity;

struct HttpLimits {
    std::size_t headerBytes = 8192;
    // From a connection's opening (or the end of the previous answer on a
    // kept-alive connection) to the first byte of a request.
    std::chrono::milliseconds firstByteDeadline{2000};
    // From the first byte of a request to its last header line.
    std::chrono::milliseconds requestDeadline{10000};
    std::chrono::milliseconds writeDeadline{10000};
    std::size_t connections = 512;
    // Connections from one peer address.
    std::size_t connectionsPerPeer = 64;
    // The bodies of all answers being written, a shared body counted once;
    // an answer that would go past it gets 503 with Retry-After (one larger than
    // a 64th of it leaves the last eighth to smaller ones).
    std::size_t responseBytes = std::size_t{64} << 20;
};

class HttpServer {
public:
    // Called on the io thread, and for slow targets on the worker at the same time.
    using Handler = std::function<HttpReply(const HttpRequestHead& request)>;
    // Whether the answer to a target may take long to build (a large
    // document): it is built on a worker thread, one at a time, so that the
    // connections waiting for quick answers (a scrape) never wait behind it.
    using IsSlow = std::function<bool(std::string_view target)>;

    explicit HttpServer(Handler handler, HttpLimits limits = {}, IsSlow slow = {});
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    // Binds `host` (an IP address) and `port` (0 for a free one) and listens;
    // false with the reason when it cannot.
    bool Listen(const std::string& host, uint16_t port, std::string& error);
    // The port it listens on.
    uint16_t port() const;
    // Serves the connections accepted from now on as `security` says; it
    // outlives the server.
    void Secure(WebSecurity& security);
    // Serves on the calling thread until `stopRequested` (asked every 100 ms)
    // says so; open connections are closed then, and an answer the worker is
    // building is waited for (and dropped), the ones not begun never built.
    void Run(const std::function<bool()>& stopRequested);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace orvane_cli::serve
