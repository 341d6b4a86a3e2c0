// The diagnostic log file as the operating system sees it.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace orvane::thermometry::platform {

// The fixed path of the log file: the file "~log.txt" in the root of drive D, or
// the folder that stands for drive D where there are no drive letters.
const char* LogFilePath() noexcept;

// The log file at one path. Each Append opens the file for appending (creating it
// when missing, letting others read, write, rename and delete it meanwhile), hands
// the lines to the system in whole writes (all of them in one on Linux, each in
// one of its own on Windows), so that lines of simultaneous callers never
// interleave inside a line, and closes the file again: no handle of
// the file stays open between appends, so a file another program renamed, truncated
// or deleted is followed by a new one at the next append.
//
// Where the platform opens the file relative to its folder, the folder is opened
// and checked once and kept open between appends (see the platform's file for the
// rules). It is opened and checked again by its path when it was removed, and at
// most a second after the last check; while it is missing or fails the checks,
// every append looks for it again, so a folder that appears later is used from the
// next append on.
//
// Append may run on several threads at once on the same object.
class LogFile {
public:
    // Longer paths cannot be opened: every append fails.
    static constexpr std::size_t kPathCapacity = 4096;

    // Copies the path, so that a log file needs no allocation.
    explicit LogFile(std::string_view path) noexcept {
        if (path.empty() || path.size() >= sizeof path_ || path.find('\0') != std::string_view::npos) return;
        path.copy(path_, path.size());
        path_[path.size()] = '\0';
        name_ = FileNameWithin(path_);
    }
    ~LogFile();
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    // The lines, in order, through one opening of the file. False when the file
    // could not be opened or a write failed: the lines not written are lost.
    bool Append(std::span<const std::string_view> lines) noexcept;

private:
    // The part of `path` the platform opens relative to the kept folder (all of it
    // where nothing is kept); null when the path names no file.
    static const char* FileNameWithin(const char* path) noexcept;
    // Opens and checks the folder afresh and keeps it; -1 when there is none to use.
    int RefreshFolder() noexcept;
    // The same, once this thread has the refresh turn.
    int RefreshFolderInTurn() noexcept;

    char path_[kPathCapacity];
    // The file's name within path_; null when the path cannot be opened.
    const char* name_ = nullptr;
    // What the platform keeps between appends (the open folder), or -1. Once set,
    // the number stays this object's until it is destroyed, unless the host closes
    // it: see the platform file.
    std::atomic<int> kept_{-1};
    // Which folder the kept number was last given (device and inode), so that a
    // number the host closed and reused is told from it.
    std::atomic<uint64_t> keptDevice_{0};
    std::atomic<uint64_t> keptInode_{0};
    // Who refreshes the kept folder now (a process ID), or 0: see the platform file.
    std::atomic<int> refreshing_{0};
    // Until when (monotonic milliseconds) the kept folder is used without being
    // opened and checked again; 0 when it must be before the next append.
    std::atomic<int64_t> checkedUntil_{0};
};

}  // namespace orvane::thermometry::platform
