#include "serve/web_config.hpp"

#include <yaml-cpp/yaml.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <utility>

namespace orvane_cli::serve {
namespace {

constexpr std::array<std::pair<std::string_view, ClientAuth>, 5> kClientAuthTypes{{
    {"NoClientCert", ClientAuth::kNoClientCert},
    {"RequestClientCert", ClientAuth::kRequestClientCert},
    {"RequireAnyClientCert", ClientAuth::kRequireAnyClientCert},
    {"VerifyClientCertIfGiven", ClientAuth::kVerifyClientCertIfGiven},
    {"RequireAndVerifyClientCert", ClientAuth::kRequireAndVerifyClientCert},
}};

constexpr std::array<std::pair<std::string_view, TlsVersion>, 4> kTlsVersions{{
    {"TLS10", TlsVersion::kTls10},
    {"TLS11", TlsVersion::kTls11},
    {"TLS12", TlsVersion::kTls12},
    {"TLS13", TlsVersion::kTls13},
}};

template <class Table>
std::string Names(const Table& table) {
    std::string names;
    for (const auto& [name, value] : table) names += (names.empty() ? "" : ", ") + std::string(name);
    return names;
}

std::string At(const YAML::Node& node) {
    return node.Mark().is_null() ? std::string() : " (line " + std::to_string(node.Mark().line + 1) + ")";
}

// Reads a YAML mapping, refusing keys it was not told of. Each Read* sets
// `error` once and returns false from then on.
class MapReader {
public:
    MapReader(const YAML::Node& node, std::string where, std::string& error)
        : node_(node), where_(std::move(where)), error_(error) {}

    bool Check(std::initializer_list<std::string_view> known) {
        if (!node_.IsMap()) return Fail(where_ + " is not a mapping of keys to values" + At(node_));
        for (const auto& entry : node_) {
            const std::string key = entry.first.Scalar();
            if (std::find(known.begin(), known.end(), key) == known.end()) {
                std::string names;
                for (const std::string_view name : known)
                    names += (names.empty() ? "" : ", ") + std::string(name);
                return Fail("unknown key " + key + " in " + where_ + At(entry.first) + " (known: " + names +
                            ")");
            }
        }
        return true;
    }

    // A string value; empty when the key is absent or null.
    bool Text(const char* key, std::string& value) {
        const YAML::Node item = node_[key];
        if (!item || item.IsNull()) return true;
        if (!item.IsScalar()) return Fail(where_ + "." + key + " is not a single value" + At(item));
        value = item.Scalar();
        return true;
    }

    template <class Table, class Value>
    bool OneOf(const char* key, const Table& table, Value& value) {
        std::string text;
        if (!Text(key, text)) return false;
        if (text.empty()) return true;
        for (const auto& [name, meaning] : table) {
            if (name == text) {
                value = meaning;
                return true;
            }
        }
        return Fail(where_ + "." + key + " " + text + At(node_[key]) + " is none of " + Names(table));
    }

    bool Fail(std::string message) {
        error_ = std::move(message);
        return false;
    }

private:
    const YAML::Node& node_;
    std::string where_;
    std::string& error_;
};

std::string InFolder(const std::string& folder, const std::string& path) {
    if (path.empty() || std::filesystem::path(path).is_absolute()) return path;
    return (std::filesystem::path(folder) / path).string();
}

bool ReadTls(const YAML::Node& node, const std::string& folder, TlsServerConfig& tls, std::string& error) {
    MapReader reader(node, "tls_server_config", error);
    if (!reader.Check({"cert_file", "key_file", "client_auth_type", "client_ca_file", "min_version"}) ||
        !reader.Text("cert_file", tls.certFile) || !reader.Text("key_file", tls.keyFile) ||
        !reader.OneOf("client_auth_type", kClientAuthTypes, tls.clientAuth) ||
        !reader.Text("client_ca_file", tls.clientCaFile) ||
        !reader.OneOf("min_version", kTlsVersions, tls.minVersion))
        return false;
    if (tls.certFile.empty() || tls.keyFile.empty())
        return reader.Fail("tls_server_config needs both cert_file and key_file");
    const bool verifies = tls.clientAuth == ClientAuth::kVerifyClientCertIfGiven ||
                          tls.clientAuth == ClientAuth::kRequireAndVerifyClientCert;
    // Either mismatch would leave the administrator believing clients are checked.
    if (verifies && tls.clientCaFile.empty())
        return reader.Fail("tls_server_config.client_auth_type " +
                           std::string(kClientAuthTypes[static_cast<std::size_t>(tls.clientAuth)].first) +
                           " needs client_ca_file, the CAs to verify a client's certificate with");
    if (!tls.clientCaFile.empty() && tls.clientAuth == ClientAuth::kNoClientCert)
        return reader.Fail(
            "tls_server_config.client_ca_file is set but client_auth_type asks for no client certificate");
    tls.certFile = InFolder(folder, tls.certFile);
    tls.keyFile = InFolder(folder, tls.keyFile);
    tls.clientCaFile = InFolder(folder, tls.clientCaFile);
    return true;
}

bool ReadUsers(const YAML::Node& node, std::map<std::string, std::string>& users, std::string& error) {
    if (node.IsNull()) return true;
    if (!node.IsMap()) {
        error = "basic_auth_users is not a mapping of user names to bcrypt hashes" + At(node);
        return false;
    }
    for (const auto& entry : node) {
        const std::string user = entry.first.Scalar();
        // A colon ends the user name in an Authorization header.
        if (user.empty() || user.find(':') != std::string::npos) {
            error = "basic_auth_users: the user name '" + user + "'" + At(entry.first) +
                    " is empty or has a colon";
            return false;
        }
        if (!entry.second.IsScalar() || !IsBcryptHash(entry.second.Scalar())) {
            // The value itself stays out of the message: it may be a password written by mistake.
            error = "basic_auth_users." + user + At(entry.second) +
                    " is not a bcrypt hash (make one with: htpasswd -nBC 10 " + user + ")";
            return false;
        }
        users[user] = entry.second.Scalar();
    }
    return true;
}

}  // namespace

bool IsBcryptHash(std::string_view hash) {
    if (hash.size() != 60 || hash.substr(0, 2) != "$2" || hash.find_first_of("aby", 2) != 2 ||
        hash[3] != '$' || hash[6] != '$')
        return false;
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    if (!digit(hash[4]) || !digit(hash[5])) return false;
    const int cost = (hash[4] - '0') * 10 + (hash[5] - '0');
    if (cost < 4 || cost > 31) return false;
    return std::all_of(hash.begin() + 7, hash.end(), [](char c) {
        return c == '.' || c == '/' || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
               (c >= '0' && c <= '9');
    });
}

std::optional<WebConfig> ParseWebConfig(std::string_view text, const std::string& folder,
                                        std::string& error) {
    YAML::Node root;
    try {
        root = YAML::Load(std::string(text));
    } catch (const YAML::Exception& failure) {
        error =
            "not YAML: " + failure.msg +
            (failure.mark.is_null() ? std::string() : " at line " + std::to_string(failure.mark.line + 1));
        return std::nullopt;
    }
    WebConfig config;
    // An empty file (or one of comments only) asks for nothing.
    if (root.IsNull()) return config;
    try {
        MapReader reader(root, "the file", error);
        if (!reader.Check({"tls_server_config", "basic_auth_users"})) return std::nullopt;
        if (const YAML::Node tls = root["tls_server_config"]; tls && !tls.IsNull()) {
            config.tls.emplace();
            if (!ReadTls(tls, folder, *config.tls, error)) return std::nullopt;
        }
        if (const YAML::Node users = root["basic_auth_users"];
            users && !ReadUsers(users, config.users, error))
            return std::nullopt;
    } catch (const YAML::Exception& failure) {
        error = failure.msg;
        return std::nullopt;
    }
    return config;
}

}  // namespace orvane_cli::serve
