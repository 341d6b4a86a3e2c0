// Which answer a request gets: the service's endpoints by path, GET and HEAD
// only. Free of sockets and of the HTTP library, so that it is tested as a
// plain function.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "serve/history.hpp"
#include "serve/metrics_exposition.hpp"

namespace orvane_cli::serve {

struct HttpReply {
    int status = 200;
    std::string contentType = "text/plain; charset=utf-8";
    std::string body;
    std::vector<std::pair<std::string, std::string>> headers;  // beside Content-Type and Content-Length
    // When set, sent instead of `body`: a document every request of a moment
    // shares (built once, held once however many clients are sent it).
    std::shared_ptr<const std::string> sharedBody;

    const std::string& content() const { return sharedBody ? *sharedBody : body; }
};

// What of a request decides its answer.
struct HttpRequestHead {
    std::string_view method;
    std::string_view target;          // a path with an optional query
    std::string_view accept;          // the Accept header: which exposition format
    std::string_view acceptEncoding;  // the Accept-Encoding header: gzip or not
};

// Where the endpoints' documents come from.
struct RouteSources {
    std::function<std::string(MetricsFormat)> metrics;
    std::function<std::string()> cameras;
    std::function<std::shared_ptr<const std::string>(const HistoryQuery& query)> history;
};

inline constexpr const char* kPageSecurityPolicy =
    "default-src 'self'; connect-src 'self'; img-src 'self' data:; style-src 'self'; script-src 'self'; "
    "frame-ancestors 'none'";

// The answer to a request: /metrics (OpenMetrics when Accept asks for it,
// the text format otherwise), /api/cameras, /api/history (`camera=ADDRESS`
// for one camera's series, `since=SECONDS` for the samples after that Unix
// time; 400 for a `since` that is not a number), /healthz and the page's
// files. A body of a kilobyte or more is sent gzipped when Accept-Encoding
// allows it, but for the history, shared by every client as it is. A HEAD
// gets the headers of the GET with the body still in place: the server sends
// none of it.
HttpReply Route(const HttpRequestHead& request, const RouteSources& sources);

// Whether an Accept-Encoding header takes gzip (with a quality above 0).
bool AcceptsGzip(std::string_view acceptEncoding);
// `body` in the gzip format.
std::string Gzipped(std::string_view body);

// Whether building the answer to `target` may take long (the history).
bool IsSlowTarget(std::string_view target);

// A query parameter's value, percent-decoded; nothing when absent.
std::optional<std::string> QueryValue(std::string_view query, std::string_view name);

}  // namespace orvane_cli::serve
