// The files a recording writes (the CSV and the chart): what may happen to one
// that exists, checks made before the recording starts, and writes whose
// failure (a full disk) is noticed at once.
#pragma once

#include <cstdio>
#include <string>

namespace orvane_cli {

// What to do with a file that exists. Devices and pipes are written to in any
// case; only an existing regular file is refused.
enum class ExistingFile { kRefuse, kOverwrite, kAppend };

class RecordingFile {
public:
    RecordingFile() = default;
    RecordingFile(const RecordingFile&) = delete;
    RecordingFile& operator=(const RecordingFile&) = delete;
    ~RecordingFile();

    // False, with a reason, when the policy refuses the path as it is now.
    static bool Permitted(const std::string& path, ExistingFile policy, std::string& error);
    // False, with a reason, when the file could not be written now (its folder
    // is missing or read-only, the path is a folder). Leaves no trace: a file it
    // had to create to find out is removed again.
    static bool Writable(const std::string& path, std::string& error);
    // Whether two paths name one file: the same path once made absolute and
    // normalised, or the same existing file under two names (a link).
    static bool SameFile(const std::string& a, const std::string& b);

    // Opens the file for writing now (creating, emptying or appending as the
    // policy says); false with a reason.
    bool Open(const std::string& path, ExistingFile policy, std::string& error);
    // Whether Open found it with content to append to.
    bool hadContent() const { return hadContent_; }
    // The first line of what was there before (for appending).
    const std::string& firstLine() const { return firstLine_; }

    // Writes and flushes; false (for good) once a write has failed.
    bool Write(const std::string& text);
    // Closes; false when anything written was lost.
    bool Close();
    // Closes and, when Open created the file, removes it again.
    void Discard();

private:
    std::FILE* file_ = nullptr;
    std::string path_;
    bool created_ = false;
    bool hadContent_ = false;
    bool failed_ = false;
    std::string firstLine_;
};

}  // namespace orvane_cli
