#include <windows.h>

#include "core/platform/loaded_standin.hpp"

namespace testsupport {

// GetModuleHandle takes no reference.
SetCallDelayFn LoadedStandinCallDelay() {
    const HMODULE module = ::GetModuleHandleA("HCNetSDK.dll");
    if (module == nullptr) return nullptr;
    return reinterpret_cast<SetCallDelayFn>(
        reinterpret_cast<void*>(::GetProcAddress(module, "StandinSetCallDelay")));
}

}  // namespace testsupport
