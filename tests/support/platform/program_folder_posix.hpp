// The folder of the running test program, where its helper programs are built.
#pragma once

#include <unistd.h>

#include <string>

namespace testsupport {

// With its trailing slash; empty when /proc cannot say.
inline std::string ProgramFolder() {
    char path[4096];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    const std::string program(path, length > 0 ? static_cast<size_t>(length) : 0);
    return program.substr(0, program.rfind('/') + 1);
}

}  // namespace testsupport
