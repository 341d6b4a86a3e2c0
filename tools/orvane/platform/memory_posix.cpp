// <cstdlib> brings in the C library's own header, which names a glibc.
#include <cstdlib>

#include "memory.hpp"

#if defined(__GLIBC__)
#include <malloc.h>

namespace orvane_cli::platform {

// glibc keeps freed pages in its arenas (a thread's own among them) unless
// they lie at the top of the heap.
void ReleaseFreeMemory() { ::malloc_trim(0); }

}  // namespace orvane_cli::platform
#else

namespace orvane_cli::platform {

// Other C libraries give freed pages back on their own or have no way to ask.
void ReleaseFreeMemory() {}

}  // namespace orvane_cli::platform
#endif
