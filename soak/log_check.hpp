// Reads back the diagnostic log the soak produced and checks that every line is
// whole: each is one of the lines a data event writes, with CR LF line ends, and
// every sequence number in it agrees with the others in the same line.
#pragma once

#include <cstdint>
#include <string>

namespace soak {

struct LogTally {
    bool readable = false;
    uint64_t bytes = 0;
    uint64_t dumpLines = 0;       // "len=440,hex=..." alone
    uint64_t parameterLines = 0;  // the dump followed by the parameter line
    uint64_t readingLines = 0;    // the region reading line
    uint64_t emptyLines = 0;
    uint64_t badLines = 0;  // anything else: a torn, mixed or unknown line
    std::string firstBad;
};

LogTally CheckLog(const std::string& path);

// The same over the log and every generation a rotation left beside it: the
// files of its folder whose names begin with the log's name up to its first dot
// (~log.txt.1, ~log.txt.2.gz, ~log.1.txt). Compressed generations (.gz) are
// unpacked in place first. `files` is set to the number of files read.
LogTally CheckLogGenerations(const std::string& path, int& files);

}  // namespace soak
