#include "support/log_lines.hpp"

#include "thermometry/platform/log_file.hpp"

namespace testsupport {

std::string LogLineBytes(std::string_view text) {
    text = text.substr(0, text.find('\0'));
    std::string bytes;
    // Room for a few inner line feeds; more only make the string grow.
    bytes.reserve(text.size() + 16);
    for (std::size_t lineFeed; (lineFeed = text.find('\n')) != std::string_view::npos;) {
        bytes.append(text.data(), lineFeed);
        bytes.append("\r\n", 2);
        text.remove_prefix(lineFeed + 1);
    }
    bytes.append(text);
    bytes.append("\r\n", 2);
    return bytes;
}

void WriteLogLine(orvane::thermometry::LogSink& log, std::string_view text) noexcept {
    try {
        const std::string bytes = LogLineBytes(text);
        log.Append(bytes.data(), bytes.size());
    } catch (...) {
        // Out of memory: the line is lost, as when the file cannot be opened.
    }
}

bool AppendToFile(const char* path, const char* data, std::size_t size) noexcept {
    if (path == nullptr || (data == nullptr && size != 0)) return false;
    orvane::thermometry::platform::LogFile file(path);
    const std::string_view line(data, size);
    return file.Append({&line, 1});
}

}  // namespace testsupport
