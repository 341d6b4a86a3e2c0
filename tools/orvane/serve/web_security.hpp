// What --web.config.file asks of the service's HTTP server (the file's
// layout is in web_config.hpp): TLS for new connections, and a user name and
// password for every request.
//
// The file, and the certificate, key and CA files it names, are looked at
// again (their size, time and inode) at most once a second, when a
// connection opens or a request comes: a renewed certificate or a changed
// user takes effect without a restart. A connection already open keeps the
// TLS settings it began with; every request is checked against the users
// in effect then, so that a user taken out is refused at once. A file that
// no longer reads (or names a certificate that does not load) is logged and
// the settings in use are kept.
//
// Available where the build has OpenSSL, libcrypt and yaml-cpp (Linux);
// elsewhere LoadWebSecurity refuses, saying what to do instead.
#pragma once

// Boost's asio needs <utility> before it in C++20 (std::exchange).
#include <utility>

#include <boost/asio/ip/tcp.hpp>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "serve/connection_table.hpp"
#include "watch/log_event.hpp"

namespace orvane_cli::serve {

struct HttpServerParts;

// A password check left to a worker thread (it takes tens of milliseconds).
struct PendingCheck {
    std::string user;
    std::string password;
    std::string hash;
    bool known = false;  // false: an unknown user, checked against another's hash to take as long
};

class WebSecurity {
public:
    virtual ~WebSecurity() = default;

    // Whether the settings in effect serve TLS, and whether they ask for a password.
    virtual bool tls() const = 0;
    virtual bool users() const = 0;

    // Serves a connection just accepted (and entered in the table as `id`),
    // over TLS when the settings in effect ask for it. On the io thread.
    virtual void Serve(boost::asio::ip::tcp::socket socket, HttpServerParts& server,
                       ConnectionTable::Id id) = 0;

    enum class Access {
        kAllowed,  // no users, or a password that passed lately
        kRefused,  // no credentials, or not basic ones: 401
        kCheck,    // Verify(check) says, off the io thread
    };
    // Whether a request with this Authorization header value (empty for
    // none) may be answered. Quick; on the io thread.
    virtual Access Admit(std::string_view authorization, PendingCheck& check) = 0;
    // The full password check; on any thread.
    virtual bool Verify(const PendingCheck& check) = 0;
};

// The settings of the file at `path`; nothing, with `error` naming the file
// and the problem, when it cannot be used (or this build has no TLS).
// `log` is told of each reading again, and of a file that no longer reads.
std::unique_ptr<WebSecurity> LoadWebSecurity(const std::string& path,
                                             std::function<void(const LogEvent& event)> log,
                                             std::string& error);

}  // namespace orvane_cli::serve
