#include "serve/http_routes.hpp"

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

HttpReply Route(std::string_view method, std::string_view target, const RouteSources& sources) {
    if (method != "GET" && method != "HEAD") {
        HttpReply reply = Text(405, "only GET and HEAD\n");
        reply.headers.emplace_back("Allow", "GET, HEAD");
        return reply;
    }
    const std::size_t question = target.find('?');
    const std::string_view path = PathOf(target);
    const std::string_view query =
        question == std::string_view::npos ? std::string_view() : target.substr(question + 1);
    if (path == "/metrics") return HttpReply{200, kMetricsContentType, sources.metrics(), {}, {}};
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

}  // namespace orvane_cli::serve
