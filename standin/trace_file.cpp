#include "trace_file.hpp"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

#include "hcnetsdk_standin.h"
#include "platform/leak_check.hpp"
#include "platform/process_end.hpp"

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
        if (path != nullptr && *path != '\0') {
            file_ = std::fopen(path, "ab");
            path_ = path;
        }
    }
    // Left open on purpose: the trace must outlive every static destructor that
    // might still make SDK calls; the system closes it at exit.
    TraceFile(const TraceFile&) = delete;
    TraceFile& operator=(const TraceFile&) = delete;

    bool enabled() const { return file_ != nullptr; }
    const char* path() const { return path_.c_str(); }

    void write(const std::string& line) {
        std::lock_guard lock(mutex_);
        std::fwrite(line.data(), 1, line.size(), file_);
        std::fflush(file_);
    }

private:
    std::FILE* file_ = nullptr;
    std::string path_;
    std::mutex mutex_;
};

TraceFile& trace() {
    static TraceFile* file = [] {  // never destroyed, see above
        TraceFile* made = new TraceFile();
        platform::keepForever(made);
        return made;
    }();
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

void traceCallAtProcessEnd(int32_t operation, int32_t result, int64_t argument, bool hasArgument) {
    if (!trace().enabled() || operation < 0 || operation >= STANDIN_OP_COUNT) return;
    // On the stack and through the system alone (see platform/process_end.hpp).
    char line[128];
    const int length = hasArgument ? std::snprintf(line, sizeof line, "call %s result %d args %lld\n",
                                                   kOperationNames[operation], static_cast<int>(result),
                                                   static_cast<long long>(argument))
                                   : std::snprintf(line, sizeof line, "call %s result %d args\n",
                                                   kOperationNames[operation], static_cast<int>(result));
    if (length > 0 && static_cast<std::size_t>(length) < sizeof line) {
        platform::appendAtProcessEnd(trace().path(), line, static_cast<std::size_t>(length));
    }
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
