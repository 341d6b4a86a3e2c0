// The web configuration file of orvane serve, and the password check behind it.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "serve/listen_address.hpp"
#include "serve/password_check.hpp"
#include "serve/web_config.hpp"

namespace orvane_cli::serve {
namespace {

// htpasswd -nbBC 4 prometheus secret, u a and u b (cost 4: the test stays quick).
constexpr const char* kHash = "$2y$04$oH32ryB7VtymZrtGtz0ROuhdmszEn/gFwfFgpZY6K3UWNbl49FHQu";
constexpr const char* kHashA = "$2y$04$/Nfq15HCyM1ryLNyb6g3yelX6y85T2Z0Rq7mym9nBt72rhvXtXKIy";
constexpr const char* kHashB = "$2y$04$NOUd2T.1olW0Vn6yYmdLxOnWLcGRxs.R3hU.148I7VYM2EJwIYwXS";

TEST(WebConfig, ReadsWhatItKnowsAndRefusesTheRest) {
    const std::string users = std::string("basic_auth_users:\n  prometheus: ") + kHash + "\n";
    const std::string tls = "tls_server_config:\n  cert_file: a.crt\n  key_file: /keys/a.key\n";
    const struct {
        std::string text;
        const char* problem;  // a part of the message; nullptr when it reads
    } cases[] = {
        {"", nullptr},
        {"# comments only\n", nullptr},
        {users, nullptr},
        {tls, nullptr},
        {tls + "  client_auth_type: RequireAndVerifyClientCert\n  client_ca_file: ca.crt\n  min_version: "
               "TLS13\n",
         nullptr},
        {tls + "  client_auth_type: RequireAnyClientCert\n", nullptr},
        {"tls_server_config: [\n", "not YAML"},
        {"- a list\n", "not a mapping"},
        {"http_server_config:\n  http2: true\n", "unknown key http_server_config"},
        {tls + "  max_version: TLS13\n", "unknown key max_version in tls_server_config (line 4)"},
        {"tls_server_config:\n  cert_file: a.crt\n", "needs both cert_file and key_file"},
        {tls + "  client_auth_type: VerifyAll\n",
         "client_auth_type VerifyAll (line 4) is none of NoClientCert"},
        {tls + "  min_version: TLS14\n", "is none of TLS10, TLS11, TLS12, TLS13"},
        {tls + "  client_auth_type: VerifyClientCertIfGiven\n", "needs client_ca_file"},
        {tls + "  client_ca_file: ca.crt\n", "client_ca_file is set but client_auth_type asks for no"},
        {"tls_server_config:\n  cert_file: [a, b]\n  key_file: k\n", "cert_file is not a single value"},
        {"basic_auth_users:\n  prometheus: secret\n",
         "basic_auth_users.prometheus (line 2) is not a bcrypt hash"},
        {"basic_auth_users:\n  'a:b': x\n", "has a colon"},
        {"basic_auth_users: [prometheus]\n", "not a mapping of user names"},
    };
    for (const auto& c : cases) {
        std::string error;
        const auto config = ParseWebConfig(c.text, "/etc/orvane", error);
        if (c.problem == nullptr) {
            EXPECT_TRUE(config.has_value()) << c.text << ": " << error;
        } else {
            EXPECT_FALSE(config.has_value()) << c.text;
            EXPECT_NE(error.find(c.problem), std::string::npos) << c.text << ": " << error;
            // A value that may be a password written by mistake is never repeated.
            EXPECT_EQ(error.find("secret"), std::string::npos) << error;
        }
    }
}

TEST(WebConfig, TakesRelativePathsFromTheFilesFolder) {
    std::string error;
    const auto config = ParseWebConfig(
        "tls_server_config:\n  cert_file: a.crt\n  key_file: /keys/a.key\n  client_auth_type: "
        "RequestClientCert\n  client_ca_file: ca/c.crt\n",
        "/etc/orvane", error);
    ASSERT_TRUE(config && config->tls) << error;
    EXPECT_EQ(config->tls->certFile, "/etc/orvane/a.crt");
    EXPECT_EQ(config->tls->keyFile, "/keys/a.key");
    EXPECT_EQ(config->tls->clientCaFile, "/etc/orvane/ca/c.crt");
    EXPECT_EQ(config->tls->clientAuth, ClientAuth::kRequestClientCert);
    EXPECT_EQ(config->tls->minVersion, TlsVersion::kTls12);
}

TEST(WebConfig, KnowsABcryptHash) {
    const std::string good = kHash;
    EXPECT_TRUE(IsBcryptHash(good));
    for (const std::string& bad :
         {std::string("$2x$") + good.substr(4), "$2y$03$" + good.substr(7), "$2y$32$" + good.substr(7),
          good.substr(0, 59), good + "a", good.substr(0, 59) + "!", std::string("$6$salt$hash")})
        EXPECT_FALSE(IsBcryptHash(bad)) << bad;
}

TEST(PasswordCheck, ReadsBasicCredentials) {
    const struct {
        const char* header;
        const char* user;  // nullptr: refused
        const char* password;
    } cases[] = {
        {"Basic cHJvbWV0aGV1czpzZWNyZXQ=", "prometheus", "secret"},
        {"basic   cHJvbWV0aGV1czpzZWNyZXQ=  ", "prometheus", "secret"},
        {"Basic YTpiOmM=", "a", "b:c"},  // the password may hold a colon
        {"Basic OmI=", "", "b"},
        {"Basic YWI=", nullptr, nullptr},                     // no colon
        {"Basic YTpiAGM=", nullptr, nullptr},                 // a NUL byte in the password
        {"Basic cHJvbWV0aGV1czpzZWNyZXQ", nullptr, nullptr},  // cut short
        {"Basic !!!!", nullptr, nullptr},
        {"Bearer cHJvbWV0aGV1czpzZWNyZXQ=", nullptr, nullptr},
        {"Basic", nullptr, nullptr},
        {"", nullptr, nullptr},
    };
    for (const auto& c : cases) {
        const auto credentials = BasicCredentials(c.header);
        if (c.user == nullptr) {
            EXPECT_FALSE(credentials.has_value()) << c.header;
        } else {
            ASSERT_TRUE(credentials.has_value()) << c.header;
            EXPECT_EQ(credentials->user, c.user);
            EXPECT_EQ(credentials->password, c.password);
        }
    }
}

TEST(PasswordCheck, RemembersOnlyWhatPassed) {
    PasswordCheck check(2);
    const Credentials good{"prometheus", "secret"};
    const Credentials wrong{"prometheus", "Secret"};
    EXPECT_FALSE(check.Remembered(good, kHash));
    EXPECT_FALSE(check.Verify(wrong, kHash));
    EXPECT_FALSE(check.Remembered(wrong, kHash));
    // The right password of a user not in the file fails all the same.
    EXPECT_FALSE(check.Verify({"someone", "secret"}, kHash, false));
    EXPECT_FALSE(check.Remembered({"someone", "secret"}, kHash));
    EXPECT_TRUE(check.Verify(good, kHash));
    EXPECT_TRUE(check.Remembered(good, kHash));
    // A new hash for the user (the file changed) is checked again.
    const std::string other = std::string(kHash).replace(29, 1, "x");
    EXPECT_FALSE(check.Remembered(good, other));
    // Bounded: the oldest is forgotten first.
    EXPECT_TRUE(check.Verify({"u", "a"}, kHashA));
    EXPECT_TRUE(check.Remembered(good, kHash));
    EXPECT_TRUE(check.Verify({"u", "b"}, kHashB));
    EXPECT_FALSE(check.Remembered(good, kHash));
    EXPECT_TRUE(check.Remembered({"u", "a"}, kHashA));
}

TEST(OpenEndpointsWarning, WarnsOnlyWhereOtherMachinesReachAnUnprotectedListener) {
    const struct {
        const char* host;
        bool tls, users;
        const char* warning;  // a part of it; "" for none
    } cases[] = {
        {"127.0.0.1", false, false, ""},
        {"127.1.2.3", false, false, ""},
        {"::1", false, false, ""},
        {"::ffff:127.0.0.1", false, false, ""},
        {"0.0.0.0", true, true, ""},
        {"0.0.0.0", false, false,
         "the endpoints on 0.0.0.0:9410 are open to the network without TLS or password"},
        {"::", false, false, "on [::]:9410 are open"},
        {"192.0.2.10", true, false, "without a password"},
        {"192.0.2.10", false, true, "without TLS"},
    };
    for (const auto& c : cases) {
        const std::string warning = OpenEndpointsWarning(c.host, 9410, c.tls, c.users);
        if (*c.warning == '\0') {
            EXPECT_EQ(warning, "") << c.host;
        } else {
            EXPECT_NE(warning.find(c.warning), std::string::npos) << c.host << ": " << warning;
        }
    }
}

}  // namespace
}  // namespace orvane_cli::serve
