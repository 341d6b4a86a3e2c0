#include "thermometry/log_file.hpp"

#include <algorithm>
#include <cstring>

#include "thermometry/platform/log_file.hpp"

namespace orvane::thermometry {

std::string LogLineBytes(std::string_view text) {
    text = text.substr(0, text.find('\0'));
    const auto lineFeeds = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
    std::string bytes;
    bytes.reserve(text.size() + lineFeeds + 2);
    for (;;) {
        const std::size_t lineFeed = text.find('\n');
        if (lineFeed == std::string_view::npos) break;
        bytes.append(text.data(), lineFeed);
        bytes.append("\r\n", 2);
        text.remove_prefix(lineFeed + 1);
    }
    bytes.append(text);
    bytes.append("\r\n", 2);
    return bytes;
}

void WriteLogLine(std::string_view text) noexcept {
    try {
        const std::string bytes = LogLineBytes(text);
        platform::AppendToFile(platform::LogFilePath(), bytes.data(), bytes.size());
    } catch (...) {
        // Out of memory: the line is lost, as when the file cannot be opened.
    }
}

}  // namespace orvane::thermometry
