// The end of a process whose other threads the system has already ended
// wherever they stood (Windows, while the libraries detach at termination):
// any of them may have died holding one of the camera's locks, the C library's
// or the heap's, which nothing will ever release.
#pragma once

#include <cstddef>

namespace standin::platform {

// Whether the process is at that end now.
bool processEnding();

// Appends the bytes to the file at `path` through the system alone: no lock of
// the C library, no allocation.
void appendAtProcessEnd(const char* path, const char* data, std::size_t size);

}  // namespace standin::platform
