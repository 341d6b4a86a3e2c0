#include "serve/tls_connection.hpp"

#include <openssl/crypto.h>
#include <openssl/ssl.h>

#include <boost/beast/ssl.hpp>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include "serve/http_connection_template.hpp"

namespace orvane_cli::serve {
namespace {

namespace asio = boost::asio;
namespace ssl = boost::asio::ssl;

bool ReadFile(const char* what, const std::string& path, std::string& text, std::string& error) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream content;
    if (file) content << file.rdbuf();
    if (!file || file.bad()) {
        error = std::string("cannot read ") + what + " " + path + ": " + std::strerror(errno);
        return false;
    }
    text = std::move(content).str();
    return true;
}

int TlsVersionNumber(TlsVersion version) {
    switch (version) {
        case TlsVersion::kTls10:
            return TLS1_VERSION;
        case TlsVersion::kTls11:
            return TLS1_1_VERSION;
        case TlsVersion::kTls12:
            return TLS1_2_VERSION;
        case TlsVersion::kTls13:
            break;
    }
    return TLS1_3_VERSION;
}

// Takes any certificate a client gives: the policies that ask for one without verifying it.
int AcceptAnyCertificate(int, X509_STORE_CTX*) { return 1; }

}  // namespace

std::shared_ptr<ssl::context> MakeTlsContext(const TlsServerConfig& config, std::string& error) {
    auto context = std::make_shared<ssl::context>(ssl::context::tls_server);
    SSL_CTX* native = context->native_handle();
    context->set_options(ssl::context::default_workarounds | ssl::context::no_compression);
    SSL_CTX_set_min_proto_version(native, TlsVersionNumber(config.minVersion));
    // An idle connection holds no record buffers: hundreds of them stay cheap.
    SSL_CTX_set_mode(native, SSL_MODE_RELEASE_BUFFERS);
    // Resumed sessions with a client certificate need a context name.
    static constexpr unsigned char kSessionContext[] = "orvane";
    SSL_CTX_set_session_id_context(native, kSessionContext, sizeof kSessionContext - 1);

    std::string text;
    boost::system::error_code failed;
    if (!ReadFile("cert_file", config.certFile, text, error)) return nullptr;
    context->use_certificate_chain(asio::buffer(text), failed);
    if (failed) {
        error = "cert_file " + config.certFile + " holds no PEM certificate: " + failed.message();
        return nullptr;
    }
    if (!ReadFile("key_file", config.keyFile, text, error)) return nullptr;
    context->use_private_key(asio::buffer(text), ssl::context::pem, failed);
    OPENSSL_cleanse(text.data(), text.size());
    if (failed) {
        error = "key_file " + config.keyFile + " is not an unencrypted PEM key of cert_file " +
                config.certFile + ": " + failed.message();
        return nullptr;
    }
    if (SSL_CTX_check_private_key(native) != 1) {
        error = "key_file " + config.keyFile + " is not the key of cert_file " + config.certFile;
        return nullptr;
    }
    if (!config.clientCaFile.empty()) {
        if (!ReadFile("client_ca_file", config.clientCaFile, text, error)) return nullptr;
        context->add_certificate_authority(asio::buffer(text), failed);
        STACK_OF(X509_NAME)* names = failed ? nullptr : SSL_load_client_CA_file(config.clientCaFile.c_str());
        if (names == nullptr) {
            error = "client_ca_file " + config.clientCaFile + " holds no PEM certificate" +
                    (failed ? ": " + failed.message() : std::string());
            return nullptr;
        }
        // Named in the handshake, so that a client picks a certificate they signed.
        SSL_CTX_set_client_CA_list(native, names);
    }
    switch (config.clientAuth) {
        case ClientAuth::kNoClientCert:
            SSL_CTX_set_verify(native, SSL_VERIFY_NONE, nullptr);
            break;
        case ClientAuth::kRequestClientCert:
            SSL_CTX_set_verify(native, SSL_VERIFY_PEER, AcceptAnyCertificate);
            break;
        case ClientAuth::kRequireAnyClientCert:
            SSL_CTX_set_verify(native, SSL_VERIFY_PEER | SSL_VERIFY_FAIL_IF_NO_PEER_CERT,
                               AcceptAnyCertificate);
            break;
        case ClientAuth::kVerifyClientCertIfGiven:
            SSL_CTX_set_verify(native, SSL_VERIFY_PEER, nullptr);
            break;
        case ClientAuth::kRequireAndVerifyClientCert:
            SSL_CTX_set_verify(native, SSL_VERIFY_PEER | SSL_VERIFY_FAIL_IF_NO_PEER_CERT, nullptr);
            break;
    }
    return context;
}

void ServeTlsConnection(asio::ip::tcp::socket socket, HttpServerParts& server, ConnectionTable::Id id,
                        std::shared_ptr<ssl::context> context) {
    // An answer goes out as several TLS records: without this, the last one
    // would wait for the client's acknowledgement of the first.
    boost::system::error_code ignored;
    socket.set_option(asio::ip::tcp::no_delay(true), ignored);
    ssl::context& used = *context;
    StartConnection<boost::beast::ssl_stream<boost::beast::tcp_stream>>(server, id, std::move(context),
                                                                        std::move(socket), used);
}

}  // namespace orvane_cli::serve
