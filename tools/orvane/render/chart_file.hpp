// The chart file of a recording, replaced whole at each redraw.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>

#include "clock/duration.hpp"
#include "render/recording_file.hpp"

namespace orvane_cli {

// The chart as the recording goes, and at its end. A regular file (or a new
// one) is replaced whole each time: written beside it, then renamed over it,
// so that a recorder killed at any moment leaves a whole chart. Anything else
// (a device, a pipe) is written once, at the end.
class ChartFile {
public:
    static constexpr Milliseconds kRedrawInterval{10000};

    bool Open(const std::string& path, ExistingFile policy, std::string& error) {
        path_ = path;
        std::error_code ignored;
        replaced_ =
            !std::filesystem::exists(path, ignored) || std::filesystem::is_regular_file(path, ignored);
        if (!file_.Open(path, policy, error)) return false;
        if (replaced_) file_.Close();
        return true;
    }
    // Writes the chart: a file that cannot be replaced only its final one.
    bool Draw(const std::string& svg, bool final) {
        if (!replaced_) return !final || (file_.Write(svg) && file_.Close());
        const std::string part = path_ + ".part";
        {
            std::ofstream out(part, std::ios::binary | std::ios::trunc);
            out << svg;
            out.close();
            if (!out) {
                std::error_code ignored;
                std::filesystem::remove(part, ignored);
                return false;
            }
        }
        std::error_code error;
        std::filesystem::rename(part, path_, error);
        if (error) std::filesystem::remove(part, error);
        return !error;
    }
    void Discard() { file_.Discard(); }

private:
    std::string path_;
    bool replaced_ = true;
    RecordingFile file_;
};

}  // namespace orvane_cli
