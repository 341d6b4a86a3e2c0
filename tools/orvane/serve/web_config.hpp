// The file of --web.config.file: the TLS and basic authentication settings of
// the service's HTTP server, in the YAML layout Prometheus exporters share:
//
//   tls_server_config:
//     cert_file: orvane.crt        # PEM: the certificate, then any intermediates
//     key_file: orvane.key         # PEM, unencrypted
//     client_auth_type: NoClientCert
//     client_ca_file: clients.crt  # PEM: the CAs a client's certificate must chain to
//     min_version: TLS12           # TLS10, TLS11, TLS12 or TLS13
//   basic_auth_users:
//     prometheus: $2y$10$...       # a bcrypt hash (htpasswd -nBC 10 USER)
//
// Both parts are optional: without tls_server_config the server speaks plain
// HTTP, without users it asks for no password. A key this file does not know
// is refused rather than ignored, so that a setting that does nothing never
// looks like one that protects. Relative paths are taken from the file's folder.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace orvane_cli::serve {

enum class ClientAuth {
    kNoClientCert,                // no certificate asked for
    kRequestClientCert,           // asked for, not required, not verified
    kRequireAnyClientCert,        // required, not verified
    kVerifyClientCertIfGiven,     // verified when given
    kRequireAndVerifyClientCert,  // required and verified
};

enum class TlsVersion { kTls10, kTls11, kTls12, kTls13 };

struct TlsServerConfig {
    std::string certFile;
    std::string keyFile;
    ClientAuth clientAuth = ClientAuth::kNoClientCert;
    std::string clientCaFile;  // empty: none
    TlsVersion minVersion = TlsVersion::kTls12;
};

struct WebConfig {
    std::optional<TlsServerConfig> tls;
    std::map<std::string, std::string> users;  // user name -> bcrypt hash
};

// The settings in `text`, relative paths taken from `folder`; nothing, with the
// problem in `error` (a line number where the YAML is at fault), otherwise.
std::optional<WebConfig> ParseWebConfig(std::string_view text, const std::string& folder, std::string& error);

// Whether `hash` is a bcrypt hash libcrypt checks ($2a$, $2b$ or $2y$, a cost
// of 04 to 31, 53 characters of salt and digest).
bool IsBcryptHash(std::string_view hash);

}  // namespace orvane_cli::serve
