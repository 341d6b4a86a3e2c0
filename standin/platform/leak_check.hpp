// The stand-in's objects that live as long as the process: once the library that
// loaded the stand-in lets it go and the system unmaps it, the only pointers to
// them (its globals) are gone, and a leak checker would report them and all they
// hold.
#pragma once

namespace standin::platform {

// Tells the leak checker, where one runs, that the heap object is meant to be
// kept, with everything reachable from it.
void keepForever(const void* object);

}  // namespace standin::platform
