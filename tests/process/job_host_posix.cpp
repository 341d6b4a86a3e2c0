// A host for the Linux binding scenarios: loads the library, then reads process
// IDs from its input, one a line, answering each with JobAssign's result on a
// line of its own. It exits normally at the end of its input, unless the test
// ends it first.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "OrvaneLib.h"
#include "dynamic_library.hpp"

int main() {
    hostloader::DynamicLibrary library;
    std::string error;
    if (!library.Open(hostloader::LibraryFileName(), error)) {
        std::fprintf(stderr, "could not load the library: %s\n", error.c_str());
        return 1;
    }
    const auto jobAssign = library.Export<JobAssignFn>("JobAssign", 1);
    if (jobAssign == nullptr) return 1;
    char line[32];
    while (std::fgets(line, sizeof line, stdin) != nullptr) {
        const auto processId = static_cast<uint32_t>(std::strtoul(line, nullptr, 10));
        std::printf("%u\n", jobAssign(processId));
        std::fflush(stdout);
    }
    return 0;
}
