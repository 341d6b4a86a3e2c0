// --web.config.file where the build has OpenSSL, libcrypt and yaml-cpp.
#include "serve/web_security.hpp"

#include <sys/stat.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "serve/http_connection.hpp"
#include "serve/password_check.hpp"
#include "serve/tls_connection.hpp"
#include "serve/web_config.hpp"

namespace orvane_cli::serve {
namespace {

// What tells that a file changed: a replacement (a new inode), a write (its
// time and size), or its appearing or going.
struct FileStamp {
    bool present = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    std::int64_t modified = 0;  // nanoseconds
    bool operator==(const FileStamp&) const = default;
};

FileStamp StampOf(const std::string& path) {
    struct stat status {};
    if (path.empty() || ::stat(path.c_str(), &status) != 0) return {};
    return {true, status.st_dev, status.st_ino, status.st_size,
            std::int64_t{status.st_mtim.tv_sec} * 1'000'000'000 + status.st_mtim.tv_nsec};
}

// The file and those it names.
using Stamps = std::array<FileStamp, 4>;

// Settings read from the file, shared by the connections that began with them.
struct Settings {
    WebConfig config;
    std::shared_ptr<boost::asio::ssl::context> tls;
    Stamps stamps;
};

class FileWebSecurity final : public WebSecurity {
public:
    FileWebSecurity(std::string path, std::function<void(const LogEvent&)> log)
        : path_(std::move(path)), log_(std::move(log)) {}

    // The settings of the file now; false with the problem otherwise.
    bool Read(std::string& error) {
        auto settings = Load(error);
        if (!settings) return false;
        current_ = std::move(settings);
        return true;
    }

    bool tls() const override { return current_->tls != nullptr; }
    bool users() const override { return !current_->config.users.empty(); }

    void Serve(boost::asio::ip::tcp::socket socket, HttpServerParts& server,
               ConnectionTable::Id id) override {
        Refresh();
        if (current_->tls) {
            ServeTlsConnection(std::move(socket), server, id, current_->tls);
        } else {
            ServeConnection(std::move(socket), server, id);
        }
    }

    Access Admit(std::string_view authorization, PendingCheck& check) override {
        Refresh();
        const auto& users = current_->config.users;
        if (users.empty()) return Access::kAllowed;
        auto credentials = BasicCredentials(authorization);
        if (!credentials) return Access::kRefused;
        const auto user = users.find(credentials->user);
        const bool known = user != users.end();
        const std::string& hash = known ? user->second : users.begin()->second;
        if (known && passwords_.Remembered(*credentials, hash)) return Access::kAllowed;
        check = {std::move(credentials->user), std::move(credentials->password), hash, known};
        return Access::kCheck;
    }

    bool Verify(const PendingCheck& check) override {
        return passwords_.Verify({check.user, check.password}, check.hash, check.known);
    }

private:
    Stamps StampsOf(const WebConfig& config) const {
        const TlsServerConfig none;
        const TlsServerConfig& tls = config.tls ? *config.tls : none;
        return {StampOf(path_), StampOf(tls.certFile), StampOf(tls.keyFile), StampOf(tls.clientCaFile)};
    }

    std::shared_ptr<const Settings> Load(std::string& error) const {
        // Taken before reading: a change while reading shows at the next look.
        const FileStamp stamp = StampOf(path_);
        std::ifstream file(path_, std::ios::binary);
        std::ostringstream text;
        if (file) text << file.rdbuf();
        if (!file || file.bad()) {
            error = "--web.config.file " + path_ + ": cannot read it: " + std::strerror(errno);
            return nullptr;
        }
        const std::string folder = std::filesystem::path(path_).parent_path().string();
        auto settings = std::make_shared<Settings>();
        std::string problem;
        auto config = ParseWebConfig(text.str(), folder.empty() ? "." : folder, problem);
        if (config) {
            settings->config = std::move(*config);
            settings->stamps = StampsOf(settings->config);
            settings->stamps[0] = stamp;
            if (settings->config.tls) settings->tls = MakeTlsContext(*settings->config.tls, problem);
        }
        if (!config || (settings->config.tls && !settings->tls)) {
            error = "--web.config.file " + path_ + ": " + problem;
            return nullptr;
        }
        return settings;
    }

    // On the io thread: reads the files again when they changed, at most once a second.
    void Refresh() {
        const auto now = std::chrono::steady_clock::now();
        if (now < nextLook_) return;
        nextLook_ = now + std::chrono::seconds(1);
        const Stamps stamps = StampsOf(current_->config);
        if (stamps == current_->stamps || stamps == failedStamps_) return;
        std::string error;
        auto settings = Load(error);
        if (!settings) {
            // Said once per change of the files, not at every look.
            failedStamps_ = stamps;
            log_({LogLevel::kWarn, error + "; the settings in use stay"});
            return;
        }
        failedStamps_.reset();
        current_ = std::move(settings);
        log_({LogLevel::kInfo, "--web.config.file " + path_ + " read again: " + Summary()});
    }

    std::string Summary() const {
        const Settings& settings = *current_;
        return std::string(settings.tls ? "TLS" : "no TLS") + ", " +
               (settings.config.users.empty() ? std::string("no password")
                                              : std::to_string(settings.config.users.size()) + " user(s)");
    }

private:
    const std::string path_;
    const std::function<void(const LogEvent&)> log_;
    std::shared_ptr<const Settings> current_;
    std::optional<Stamps> failedStamps_;  // of the last reading that failed
    std::chrono::steady_clock::time_point nextLook_{};
    PasswordCheck passwords_;
};

}  // namespace

std::unique_ptr<WebSecurity> LoadWebSecurity(const std::string& path,
                                             std::function<void(const LogEvent& event)> log,
                                             std::string& error) {
    auto security = std::make_unique<FileWebSecurity>(path, std::move(log));
    if (!security->Read(error)) return nullptr;
    return security;
}

}  // namespace orvane_cli::serve
