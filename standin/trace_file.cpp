#include "trace_file.hpp"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

#include "hcnetsdk_standin.h"

namespace standin {
namespace {

const char* const kOperationNames[STANDIN_OP_COUNT] = {"init",
                                                       "cleanup",
                                                       "login",
                                                       "logout",
                                                       "ptz-control",
                                                       "ptz-preset",
                                                       "get-config",
                                                       "capture-jpeg",
                                                       "start-remote-config",
                                                       "stop-remote-config"};

class TraceFile {
public:
    TraceFile() {
        const char* path = std::getenv("HCNETSDK_STANDIN_TRACE");
        if (path != nullptr && *path != '\0') file_ = std::fopen(path, "ab");
    }
    // Left open on purpose: the trace must outlive every static destructor that
    // might still make SDK calls; the system closes it at exit.
    TraceFile(const TraceFile&) = delete;
    TraceFile& operator=(const TraceFile&) = delete;

    bool enabled() const { return file_ != nullptr; }

    void write(const std::string& line) {
        std::lock_guard lock(mutex_);
        std::fwrite(line.data(), 1, line.size(), file_);
        std::fflush(file_);
    }

private:
    std::FILE* file_ = nullptr;
    std::mutex mutex_;
};

TraceFile& trace() {
    static TraceFile* file = new TraceFile();  // never destroyed, see above
    return *file;
}

uint32_t word(const std::vector<uint8_t>& block, std::size_t offset) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = value << 8 | block[offset + static_cast<std::size_t>(i)];
    return value;
}

}  // namespace

void traceCall(const JournalEntry& entry, int32_t result) {
    if (!trace().enabled()) return;
    const bool known = entry.operation >= 0 && entry.operation < STANDIN_OP_COUNT;
    std::string line = "call ";
    line += known ? kOperationNames[entry.operation] : std::to_string(entry.operation);
    line += " result " + std::to_string(result) + " args";
    for (const int64_t argument : entry.arguments) line += " " + std::to_string(argument);
    trace().write(line + "\n");
}

void traceMeasurement(const std::vector<uint8_t>& block) {
    if (!trace().enabled() || block.size() < 192) return;
    const uint32_t stamp = word(block, 8);
    const unsigned year = 2000 + (stamp >> 26), month = stamp >> 22 & 0xF, day = stamp >> 17 & 0x1F;
    const unsigned hour = stamp >> 12 & 0x1F, minute = stamp >> 6 & 0x3F, second = stamp & 0x3F;
    char line[160];
    std::snprintf(line, sizeof line, "event %u %04u%02u%02u %02u%02u%02u max %08x min %08x avg %08x\n",
                  static_cast<unsigned>(word(block, 0)), year, month, day, hour, minute, second,
                  static_cast<unsigned>(word(block, 180)), static_cast<unsigned>(word(block, 184)),
                  static_cast<unsigned>(word(block, 188)));
    trace().write(line);
}

}  // namespace standin
