// The chart file of a recording, replaced whole at each redraw.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

#include "clock/duration.hpp"
#include "render/recording_file.hpp"

namespace orvane_cli {

// The chart as the recording goes, and at its end. A regular file (or a new
// one) is replaced whole each time: written beside it, then renamed over it,
// so that a recorder killed at any moment leaves a whole chart. Anything else
// (a device, a pipe) is written once, at the end. A recording that draws no
// final chart (it failed, or nothing arrived) and discards it leaves the path
// as it found it: a chart it created is removed, one that was there is put
// back as it was.
class ChartFile {
public:
    static constexpr Milliseconds kRedrawInterval{10000};

    bool Open(const std::string& path, ExistingFile policy, std::string& error) {
        path_ = path;
        std::error_code ignored;
        const bool exists = std::filesystem::exists(path, ignored);
        replaced_ = !exists || std::filesystem::is_regular_file(path, ignored);
        if (!replaced_ || !exists) {
            if (!file_.Open(path, policy, error)) return false;
            if (replaced_) file_.Close();
            return true;
        }
        // An existing chart is not emptied here: it stays whole until a chart of
        // this recording replaces it, and a copy is kept to put it back.
        if (!RecordingFile::Permitted(path, policy, error)) return false;
        std::ifstream in(path, std::ios::binary);
        before_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        kept_ = in.is_open() && !in.bad();
        return true;
    }
    // Writes the chart: a file that cannot be replaced only its final one.
    bool Draw(const std::string& svg, bool final) {
        if (!replaced_) return !final || (file_.Write(svg) && file_.Close());
        const bool written = Replace(svg);
        drawn_ = drawn_ || written;
        return written;
    }
    void Discard() {
        if (kept_ && drawn_) Replace(before_);
        file_.Discard();
    }

private:
    bool Replace(const std::string& content) {
        const std::string part = path_ + ".part";
        {
            std::ofstream out(part, std::ios::binary | std::ios::trunc);
            out << content;
            out.close();
            if (!out) {
                std::error_code ignored;
                std::filesystem::remove(part, ignored);
                return false;
            }
        }
        std::error_code error, ignored;
        std::filesystem::rename(part, path_, error);
        if (error) std::filesystem::remove(part, ignored);  // (not `error`: that would clear it)
        return !error;
    }

    std::string path_;
    bool replaced_ = true;
    bool kept_ = false;   // before_ holds the chart that was there
    bool drawn_ = false;  // this recording replaced the file at least once
    std::string before_;
    RecordingFile file_;
};

}  // namespace orvane_cli
