// The SDK the shipped library calls, bound once, when the library loads.
#pragma once

#include "core/sdk_ops.hpp"

namespace orvane::sdk {

// Windows: the imported functions (the system's loader refuses the DLL when
// HCNetSDK.dll is missing). Elsewhere: the operations of libHCNetSDK.so, opened
// beside the library first and then wherever the dynamic loader looks; null
// when it cannot be opened or lacks an operation, and then the library runs with
// the SDK not started.
const SdkOps* ShippedSdk() noexcept;

// Leaves the SDK mapped when the library unloads, for a call still inside it:
// unmapping the SDK would let that call return into code no longer there.
// Nothing to do on Windows, where the system unloads the imported SDK after
// the library and no such call is left running.
void KeepSdkMapped() noexcept;

}  // namespace orvane::sdk
