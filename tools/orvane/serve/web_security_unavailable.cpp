// --web.config.file where the build has no TLS: Debian has no OpenSSL,
// libcrypt or yaml-cpp for the mingw-w64 cross build of Windows.
#include "serve/web_security.hpp"

namespace orvane_cli::serve {

std::unique_ptr<WebSecurity> LoadWebSecurity(const std::string& path,
                                             std::function<void(const LogEvent& event)>, std::string& error) {
    error = "--web.config.file " + path +
            ": TLS and passwords are not available in the Windows build of orvane. Listen on loopback "
            "(--listen 127.0.0.1:9410) and put a TLS reverse proxy with authentication in front of it, "
            "or run orvane serve on Linux";
    return nullptr;
}

}  // namespace orvane_cli::serve
