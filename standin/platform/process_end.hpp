// The end of a process whose other threads the system has already ended
// wherever they stood (Windows, while the libraries detach at termination):
// any of them may have died holding one of the camera's locks, the C library's
// or the heap's, which nothing will ever release.
#pragma once

#include <cstddef>
#include <thread>

namespace standin::platform {

// Whether the process is at that end now.
bool processEnding();

// Appends the bytes to the file at `path` through the system alone: no lock of
// the C library, no allocation.
void appendAtProcessEnd(const char* path, const char* data, std::size_t size);

// Whether the calling thread may wait here for another of the stand-in's threads
// to end. Not on Windows while it holds the loader lock (the library that loaded
// the stand-in is unloading and stops the SDK from its DllMain), since an ending
// thread needs that lock and the join would never return; nor while the process
// ends. Everywhere else it may, and must: a thread still running the stand-in's
// code when the library that loaded it unmaps it would crash.
bool mayJoinThreadsHere();

// Called before a thread is left to end on its own: keeps the stand-in's code
// mapped for the rest of the process, so that the thread can finish whenever
// it runs again. Nothing to do where threads are always joined.
void keepCodeForDetachedThread();

// Lets go of a joinable thread that has done its last work: joins it where the
// calling thread may (and is not that thread itself), else detaches it with the
// stand-in's code kept mapped for it.
inline void releaseFinishedThread(std::thread& thread) {
    if (thread.get_id() != std::this_thread::get_id() && mayJoinThreadsHere()) {
        thread.join();
    } else {
        keepCodeForDetachedThread();
        thread.detach();
    }
}

}  // namespace standin::platform
