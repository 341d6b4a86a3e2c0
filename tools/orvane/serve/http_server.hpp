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
    // From the first byte of a request (or the end of the previous answer on a
    // kept-alive connection) to its last header line.
    std::chrono::milliseconds requestDeadline{10000};
    std::chrono::milliseconds writeDeadline{10000};
    std::size_t connections = 512;
};

class HttpServer {
public:
    using Handler = std::function<HttpReply(std::string_view method, std::string_view target)>;

    explicit HttpServer(Handler handler, HttpLimits limits = {});
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
