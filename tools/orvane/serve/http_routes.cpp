#include "serve/http_routes.hpp"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "serve/metrics_exposition.hpp"
#include "serve/page_assets.hpp"

namespace orvane_cli::serve {
namespace {

HttpReply Text(int status, std::string body) {
    return HttpReply{status, "text/plain; charset=utf-8", std::move(body), {}, {}};
}

HttpReply Json(std::string body) {
    return HttpReply{200, "application/json", std::move(body), {{"Cache-Control", "no-store"}}, {}};
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string PercentDecoded(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '+') {
            out += ' ';
        } else if (text[i] == '%' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 &&
                   HexDigit(text[i + 2]) >= 0) {
            out += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

// A finite number, the whole text; nothing otherwise.
std::optional<double> NumberOf(const std::string& text) {
    if (text.empty() || text.size() > 64) return std::nullopt;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::string_view PathOf(std::string_view target) { return target.substr(0, target.find('?')); }

HttpReply Answer(const HttpRequestHead& request, const RouteSources& sources);

}  // namespace

bool IsSlowTarget(std::string_view target) { return PathOf(target) == "/api/history"; }

std::optional<std::string> QueryValue(std::string_view query, std::string_view name) {
    while (!query.empty()) {
        const std::size_t end = query.find('&');
        const std::string_view pair = query.substr(0, end);
        const std::size_t equals = pair.find('=');
        if (pair.substr(0, equals) == name) {
            return equals == std::string_view::npos ? std::string() : PercentDecoded(pair.substr(equals + 1));
        }
        if (end == std::string_view::npos) break;
        query.remove_prefix(end + 1);
    }
    return std::nullopt;
}

bool AcceptsGzip(std::string_view acceptEncoding) {
    for (std::size_t start = 0; start <= acceptEncoding.size();) {
        const std::size_t end = std::min(acceptEncoding.find(',', start), acceptEncoding.size());
        std::string_view coding = acceptEncoding.substr(start, end - start);
        start = end + 1;
        const std::size_t semicolon = coding.find(';');
        std::string_view name = coding.substr(0, semicolon);
        while (!name.empty() && name.front() == ' ') name.remove_prefix(1);
        while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
        if (name != "gzip" && name != "x-gzip") continue;
        // "gzip;q=0" refuses it.
        if (semicolon == std::string_view::npos) return true;
        const std::string_view parameter = coding.substr(semicolon + 1);
        const std::size_t q = parameter.find("q=");
        return q == std::string_view::npos ||
               std::strtod(std::string(parameter.substr(q + 2)).c_str(), nullptr) > 0;
    }
    return false;
}

std::string Gzipped(std::string_view body) {
    z_stream stream{};
    // 15 bits of window, +16 for the gzip wrapper rather than zlib's. The
    // fastest level: a scrape is compressed anew every time, and at 750 cameras
    // the default level took three times as long as writing the text, for 14 %
    // fewer bytes.
    if (deflateInit2(&stream, Z_BEST_SPEED, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK) return {};
    std::string out(deflateBound(&stream, static_cast<uLong>(body.size())), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(body.data()));
    stream.avail_in = static_cast<uInt>(body.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    const int result = deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return result == Z_STREAM_END ? out : std::string();
}

HttpReply Route(const HttpRequestHead& request, const RouteSources& sources) {
    HttpReply reply = Answer(request, sources);
    // Worth it from a kilobyte on; the shared history is sent as it is, not
    // compressed again for every client.
    if (reply.status == 200 && !reply.sharedBody && reply.body.size() >= 1024) {
        reply.headers.emplace_back("Vary", "Accept-Encoding");
        if (AcceptsGzip(request.acceptEncoding)) {
            if (std::string packed = Gzipped(reply.body); !packed.empty()) {
                reply.body = std::move(packed);
                reply.headers.emplace_back("Content-Encoding", "gzip");
            }
        }
    }
    return reply;
}

namespace {

HttpReply Answer(const HttpRequestHead& request, const RouteSources& sources) {
    const std::string_view method = request.method, target = request.target;
    if (method != "GET" && method != "HEAD") {
        HttpReply reply = Text(405, "only GET and HEAD\n");
        reply.headers.emplace_back("Allow", "GET, HEAD");
        return reply;
    }
    const std::size_t question = target.find('?');
    const std::string_view path = PathOf(target);
    const std::string_view query =
        question == std::string_view::npos ? std::string_view() : target.substr(question + 1);
    if (path == "/metrics") {
        const MetricsFormat format = MetricsFormatFor(request.accept);
        return HttpReply{
            200,
            format == MetricsFormat::kOpenMetrics ? kOpenMetricsContentType : kMetricsContentType,
            sources.metrics(format),
            {},
            {}};
    }
    if (path == "/api/cameras") return Json(sources.cameras());
    if (path == "/api/history") {
        HistoryQuery asked{QueryValue(query, "camera"), std::nullopt};
        if (const auto since = QueryValue(query, "since")) {
            asked.since = NumberOf(*since);
            if (!asked.since) return Text(400, "since is not a number of seconds\n");
        }
        HttpReply reply = Json({});
        reply.sharedBody = sources.history(asked);
        return reply;
    }
    if (path == "/healthz") return Text(200, "ok\n");
    if (const PageAsset* asset = FindPageAsset(path)) {
        return HttpReply{200,
                         std::string(asset->contentType),
                         std::string(asset->body),
                         {{"Content-Security-Policy", kPageSecurityPolicy}},
                         {}};
    }
    return Text(404, "not found\n");
}

}  // namespace

}  // namespace orvane_cli::serve
