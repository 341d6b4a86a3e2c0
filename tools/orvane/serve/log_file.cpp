#include "serve/log_file.hpp"

#include <system_error>

namespace orvane_cli::serve {
namespace {

std::filesystem::path PathFromUtf8(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::filesystem::path Numbered(const std::filesystem::path& file, int number) {
    std::filesystem::path numbered = file;
    numbered += "." + std::to_string(number);
    return numbered;
}

}  // namespace

LogFile::LogFile(std::string path, uint64_t limit, int kept)
    : path_(std::move(path)), file_(PathFromUtf8(path_)), limit_(limit), kept_(kept) {}

std::unique_ptr<LogFile> LogFile::Open(const std::string& path, std::string& error, uint64_t limit,
                                       int kept) {
    std::unique_ptr<LogFile> log(new LogFile(path, limit, kept));
    log->stream_.open(log->file_, std::ios::app | std::ios::binary);
    if (!log->stream_) {
        error = "cannot write the log file " + path;
        return nullptr;
    }
    std::error_code ignored;
    const auto size = std::filesystem::file_size(log->file_, ignored);
    log->size_ = ignored ? 0 : size;
    return log;
}

bool LogFile::Append(const std::string& lines) {
    const std::lock_guard lock(mutex_);
    // A file holding less than the new lines is not rotated: an empty one would follow.
    if (size_ > 0 && size_ + lines.size() > limit_) Rotate();
    if (!stream_.is_open()) stream_.open(file_, std::ios::app | std::ios::binary);
    stream_.write(lines.data(), static_cast<std::streamsize>(lines.size()));
    stream_.flush();
    if (!stream_) {
        // So that the next lines are judged on their own.
        stream_.clear();
        return false;
    }
    size_ += lines.size();
    return true;
}

void LogFile::Rotate() {
    stream_.close();
    std::error_code failed;
    std::filesystem::remove(Numbered(file_, kept_), failed);
    for (int number = kept_ - 1; number >= 1; --number) {
        if (std::filesystem::exists(Numbered(file_, number), failed))
            std::filesystem::rename(Numbered(file_, number), Numbered(file_, number + 1), failed);
    }
    std::filesystem::rename(file_, Numbered(file_, 1), failed);
    stream_.open(file_, std::ios::app | std::ios::binary);
    std::error_code ignored;
    const auto size = std::filesystem::file_size(file_, ignored);
    size_ = ignored ? 0 : size;
}

}  // namespace orvane_cli::serve
