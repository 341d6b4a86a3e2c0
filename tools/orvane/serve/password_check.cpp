#include "serve/password_check.hpp"

#include <crypt.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/rand.h>

#include <cstring>
#include <memory>
#include <stdexcept>

namespace orvane_cli::serve {

std::optional<Credentials> BasicCredentials(std::string_view authorization) {
    constexpr std::string_view kScheme = "basic ";
    if (authorization.size() <= kScheme.size()) return std::nullopt;
    for (std::size_t i = 0; i < kScheme.size(); ++i) {
        const char c = authorization[i];
        if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != kScheme[i]) return std::nullopt;
    }
    std::string_view encoded = authorization.substr(kScheme.size());
    while (!encoded.empty() && encoded.front() == ' ') encoded.remove_prefix(1);
    while (!encoded.empty() && encoded.back() == ' ') encoded.remove_suffix(1);
    // A header is at most 8 KiB; base64 with its padding comes in fours.
    if (encoded.empty() || encoded.size() % 4 != 0 || encoded.size() > 8192) return std::nullopt;
    std::string decoded(encoded.size() / 4 * 3, '\0');
    const int size = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(decoded.data()),
                                     reinterpret_cast<const unsigned char*>(encoded.data()),
                                     static_cast<int>(encoded.size()));
    if (size < 0) return std::nullopt;
    // EVP_DecodeBlock counts the padding's bytes as decoded zeros.
    const std::size_t padding = encoded.ends_with("==") ? 2 : encoded.ends_with('=') ? 1 : 0;
    decoded.resize(static_cast<std::size_t>(size) - padding);
    const std::size_t colon = decoded.find(':');
    if (colon == std::string::npos || decoded.find('\0') != std::string::npos) return std::nullopt;
    return Credentials{decoded.substr(0, colon), decoded.substr(colon + 1)};
}

PasswordCheck::PasswordCheck(std::size_t remembered) : most_(remembered) {
    if (RAND_bytes(secret_.data(), static_cast<int>(secret_.size())) != 1)
        throw std::runtime_error("no random bytes for the password check's key");
}

std::size_t PasswordCheck::KeyHash::operator()(const Key& key) const {
    std::size_t value = 0;
    std::memcpy(&value, key.data(), sizeof value);
    return value;
}

PasswordCheck::Key PasswordCheck::KeyOf(const Credentials& credentials, std::string_view hash) const {
    // Each part with its length before it, so that no two triples read alike.
    std::string message;
    for (const std::string_view part :
         {std::string_view(credentials.user), std::string_view(credentials.password), hash})
        message.append(std::to_string(part.size())).append(1, ':').append(part);
    Key key{};
    unsigned int size = 0;
    HMAC(EVP_sha256(), secret_.data(), static_cast<int>(secret_.size()),
         reinterpret_cast<const unsigned char*>(message.data()), message.size(), key.data(), &size);
    OPENSSL_cleanse(message.data(), message.size());
    return key;
}

bool PasswordCheck::Remembered(const Credentials& credentials, std::string_view hash) const {
    const Key key = KeyOf(credentials, hash);
    const std::lock_guard lock(mutex_);
    return passed_.count(key) != 0;
}

bool PasswordCheck::Verify(const Credentials& credentials, std::string_view hash, bool known) {
    const std::string setting(hash);
    auto data = std::make_unique<crypt_data>();
    const char* result = crypt_rn(credentials.password.c_str(), setting.c_str(), data.get(),
                                  static_cast<int>(sizeof(crypt_data)));
    const bool same = result != nullptr && std::strlen(result) == hash.size() &&
                      CRYPTO_memcmp(result, hash.data(), hash.size()) == 0;
    OPENSSL_cleanse(data.get(), sizeof(crypt_data));
    if (!same || !known) return false;
    const Key key = KeyOf(credentials, hash);
    const std::lock_guard lock(mutex_);
    if (passed_.insert(key).second) {
        order_.push_back(key);
        if (order_.size() > most_) {
            passed_.erase(order_.front());
            order_.pop_front();
        }
    }
    return true;
}

}  // namespace orvane_cli::serve
