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

}  // namespace orvane::sdk
