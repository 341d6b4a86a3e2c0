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

// Whether the stand-in may join its threads while a library unloads: not on
// Windows, where the unload holds the loader lock that an ending thread needs,
// so the join would never return. Where it may, it must: a thread still running
// the stand-in's code when the library that loaded it unmaps it would crash.
bool mayJoinThreadsInUnload();

}  // namespace standin::platform
