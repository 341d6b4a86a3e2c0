#include <dlfcn.h>

#include "core/platform/loaded_standin.hpp"

namespace testsupport {

// RTLD_NOLOAD finds the library's copy and takes a reference, given back at once.
SetCallDelayFn LoadedStandinCallDelay() {
    void* handle = ::dlopen("libHCNetSDK.so", RTLD_NOW | RTLD_NOLOAD);
    if (handle == nullptr) return nullptr;
    const auto function = reinterpret_cast<SetCallDelayFn>(::dlsym(handle, "StandinSetCallDelay"));
    ::dlclose(handle);
    return function;
}

}  // namespace testsupport
