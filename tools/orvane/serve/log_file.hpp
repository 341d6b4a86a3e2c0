// The service's log in a file of its own (serve --log.file; a Windows service's
// default): lines appended, and the file rotated by size, as a log shipper
// expects: past its limit FILE becomes FILE.1, FILE.1 becomes FILE.2 and so
// on, the oldest beyond the kept number deleted.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>

namespace orvane_cli::serve {

class LogFile {
public:
    static constexpr uint64_t kDefaultLimit = 10 * 1024 * 1024;
    static constexpr int kDefaultKept = 5;

    // The file at `path` (UTF-8), created if missing and appended to; nothing,
    // with `error`, when it cannot be opened for writing.
    static std::unique_ptr<LogFile> Open(const std::string& path, std::string& error,
                                         uint64_t limit = kDefaultLimit, int kept = kDefaultKept);

    // Appends whole lines (ending in a line end), rotating the file first when
    // they would take it past the limit. False when they could not be written;
    // a rotation that fails (another program holds an old file open on Windows)
    // keeps writing to the current file and is tried again with the next lines.
    bool Append(const std::string& lines);
    const std::string& path() const { return path_; }

private:
    LogFile(std::string path, uint64_t limit, int kept);
    void Rotate();  // under mutex_

    const std::string path_;
    const std::filesystem::path file_;
    const uint64_t limit_;
    const int kept_;
    std::mutex mutex_;
    std::ofstream stream_;
    uint64_t size_ = 0;
};

}  // namespace orvane_cli::serve
