#include "render/recording_file.hpp"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace orvane_cli {
namespace {

bool IsRegularFile(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

std::string Reason() { return errno != 0 ? std::strerror(errno) : "unknown error"; }

}  // namespace

RecordingFile::~RecordingFile() {
    if (file_ != nullptr) std::fclose(file_);
}

bool RecordingFile::Permitted(const std::string& path, ExistingFile policy, std::string& error) {
    if (policy == ExistingFile::kRefuse && IsRegularFile(path)) {
        error = path + " exists; give --force to write over it or --append to add to it";
        return false;
    }
    return true;
}

bool RecordingFile::Writable(const std::string& path, std::string& error) {
    std::error_code ignored;
    const auto status = std::filesystem::status(path, ignored);
    if (std::filesystem::is_directory(status)) {
        error = "cannot write " + path + ": it is a folder";
        return false;
    }
    // Devices and pipes are not opened ahead (a pipe would wait for a reader).
    const bool existed = std::filesystem::exists(status);
    if (existed && !std::filesystem::is_regular_file(status)) return true;
    errno = 0;
    std::FILE* probe = std::fopen(path.c_str(), existed ? "ab" : "wb");
    if (probe == nullptr) {
        const std::filesystem::path folder = std::filesystem::path(path).parent_path();
        const bool folderMissing = !folder.empty() && !std::filesystem::exists(folder, ignored);
        error = "cannot write " + path + ": " +
                (folderMissing ? "the folder " + folder.string() + " does not exist" : Reason());
        return false;
    }
    std::fclose(probe);
    if (!existed) std::filesystem::remove(path, ignored);
    return true;
}

bool RecordingFile::SameFile(const std::string& a, const std::string& b) {
    const auto normal = [](const std::string& path) {
        std::error_code error;
        const std::filesystem::path absolute = std::filesystem::absolute(path, error);
        return (error ? std::filesystem::path(path) : absolute).lexically_normal();
    };
    if (normal(a) == normal(b)) return true;
    std::error_code error;  // (false when either does not exist)
    return std::filesystem::equivalent(a, b, error);
}

bool RecordingFile::Open(const std::string& path, ExistingFile policy, std::string& error) {
    if (!Permitted(path, policy, error)) return false;
    path_ = path;
    const bool existed = IsRegularFile(path);
    if (existed && policy == ExistingFile::kAppend) {
        std::ifstream before(path, std::ios::binary);
        hadContent_ = static_cast<bool>(std::getline(before, firstLine_));
        if (!firstLine_.empty() && firstLine_.back() == '\r') firstLine_.pop_back();
    }
    errno = 0;
    file_ = std::fopen(path.c_str(), policy == ExistingFile::kAppend ? "ab" : "wb");
    if (file_ == nullptr) {
        error = "cannot create " + path + ": " + Reason();
        return false;
    }
    created_ = !existed;
    return true;
}

bool RecordingFile::Write(const std::string& text) {
    if (file_ == nullptr || failed_) return false;
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), file_) != text.size() || std::fflush(file_) != 0) {
        failed_ = true;
    }
    return !failed_;
}

bool RecordingFile::Close() {
    if (file_ == nullptr) return !failed_;
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    return closed && !failed_;
}

void RecordingFile::Discard() {
    Close();
    if (created_) {
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
    }
}

}  // namespace orvane_cli
