// A page that links the service's endpoints, until the live page is built in.
#include "page_assets.hpp"

namespace orvane_cli::serve {
namespace {

constexpr PageAsset kIndex{
    "/", "text/html; charset=utf-8",
    "<!DOCTYPE html>\n"
    "<html lang=\"en\"><head><meta charset=\"utf-8\"><title>orvane serve</title></head>\n"
    "<body><h1>orvane serve</h1><ul>\n"
    "<li><a href=\"/metrics\">/metrics</a>: Prometheus metrics</li>\n"
    "<li><a href=\"/api/cameras\">/api/cameras</a>: the cameras as JSON</li>\n"
    "<li><a href=\"/api/history\">/api/history</a>: the last ten minutes of readings</li>\n"
    "<li><a href=\"/healthz\">/healthz</a>: whether the service runs</li>\n"
    "</ul></body></html>\n"};

}  // namespace

const PageAsset* FindPageAsset(std::string_view path) { return path == kIndex.path ? &kIndex : nullptr; }

}  // namespace orvane_cli::serve
