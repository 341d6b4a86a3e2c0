// The check of a basic authentication password against its bcrypt hash, with
// a memory of the checks that passed. bcrypt costs tens of milliseconds by
// design; a client that sends the same good password again (the live page
// asks every second, Prometheus at every scrape) is let in from the memory in
// microseconds. A wrong password is never remembered, so every guess pays
// the full cost.
#pragma once

#include <array>
#include <cstddef>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>

namespace orvane_cli::serve {

struct Credentials {
    std::string user;
    std::string password;
};

// The user name and password of an Authorization header's value ("Basic"
// and base64 of USER:PASSWORD); nothing for anything else, a password with a
// NUL byte included (bcrypt would stop reading at it).
std::optional<Credentials> BasicCredentials(std::string_view authorization);

// Safe to use from several threads at once.
class PasswordCheck {
public:
    // Remembers the last `remembered` checks that passed.
    explicit PasswordCheck(std::size_t remembered = 256);

    // Whether these credentials passed against `hash` lately: a keyed digest
    // and a look-up, no bcrypt.
    bool Remembered(const Credentials& credentials, std::string_view hash) const;

    // The full check, bcrypt through libcrypt with `hash` as its setting,
    // the result compared in constant time; remembered when it passes. For an
    // unknown user, give `known` false with any user's hash: the check takes
    // as long and fails, so that timing does not tell which users exist.
    bool Verify(const Credentials& credentials, std::string_view hash, bool known = true);

private:
    using Key = std::array<unsigned char, 32>;
    struct KeyHash {
        std::size_t operator()(const Key& key) const;
    };
    Key KeyOf(const Credentials& credentials, std::string_view hash) const;

    const std::size_t most_;
    // The digest's own key, random per process, so that the remembered
    // digests are no faster to guess a password from than the bcrypt hashes.
    std::array<unsigned char, 32> secret_{};
    mutable std::mutex mutex_;
    std::unordered_set<Key, KeyHash> passed_;
    std::deque<Key> order_;  // the oldest first, forgotten first
};

}  // namespace orvane_cli::serve
