#include <filesystem>
#include <system_error>

#include "reload_request.hpp"
#include "wide_text_win.hpp"

namespace orvane_cli::platform {
namespace {

// The file's modification time and size; empty while it cannot be seen (being replaced).
std::string Stamp(const std::string& path) {
    std::error_code error;
    const std::filesystem::path file = WideFromUtf8(path);
    const auto time = std::filesystem::last_write_time(file, error);
    if (error) return "";
    const auto size = std::filesystem::file_size(file, error);
    if (error) return "";
    return std::to_string(time.time_since_epoch().count()) + " " + std::to_string(size);
}

}  // namespace

ReloadRequests::ReloadRequests(std::string path) : path_(std::move(path)), loaded_(Stamp(path_)) {
    looked_ = loaded_;
}

bool ReloadRequests::Take() {
    const std::string stamp = Stamp(path_);
    const bool still = stamp == looked_;
    looked_ = stamp;
    if (stamp.empty() || stamp == loaded_ || !still) return false;
    loaded_ = stamp;
    return true;
}

}  // namespace orvane_cli::platform
