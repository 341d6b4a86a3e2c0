// The service's HTTP server: asynchronous on one thread, so that slow or idle
// clients cost a socket each and never a thread, with limits that keep any
// client from holding the service up: the header size, a deadline for reading
// a whole request and one for writing an answer, no request bodies, and a cap
// on open connections.
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
    // an answer that would go past it gets 503 with Retry-After.
    std::size_t responseBytes = std::size_t{64} << 20;
};

class HttpServer {
public:
    using Handler = std::function<HttpReply(std::string_view method, std::string_view target)>;
    // Whether the answer to a target may take long to build (a large
    // document): it is built on a worker thread, so that the connections
    // waiting for quick answers (a scrape) never wait behind it.
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
    // Serves on the calling thread until `stopRequested` (asked every 100 ms)
    // says so; open connections are closed then.
    void Run(const std::function<bool()>& stopRequested);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace orvane_cli::serve
