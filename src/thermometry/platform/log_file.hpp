// The diagnostic log file as the operating system sees it.
#pragma once

#include <cstddef>

namespace orvane::thermometry::platform {

// The fixed path of the log file: the file "~log.txt" in the root of drive D, or
// the folder that stands for drive D where there are no drive letters.
const char* LogFilePath() noexcept;

// Opens the file for appending, creating it when missing and letting others read
// and write it meanwhile, hands all `size` bytes to the system in one write (so
// that appends of simultaneous callers never interleave inside one call's bytes)
// and closes it. False when the file could not be opened or the write failed.
bool AppendToFile(const char* path, const char* data, std::size_t size) noexcept;

}  // namespace orvane::thermometry::platform
