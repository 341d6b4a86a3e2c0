// The one seam between the library and the camera SDK: a table of the ten SDK
// operations. The shipped library fills it with the functions imported from
// HCNetSDK; tests may hand the library code a table of their own.
#pragma once

#include <cstdint>

#include "hcnetsdk.h"
#include "hcnetsdk_operation_list.h"

namespace orvane::sdk {

using RemoteConfigCallback = HcRemoteConfigCallback;

// One member per operation, named as in the operation list.
struct SdkOps {
#define ORVANE_SDK_MEMBER(result, name, member, params) result(HCNETSDK_CALL* member) params;
    HCNETSDK_OPERATION_LIST(ORVANE_SDK_MEMBER)
#undef ORVANE_SDK_MEMBER
};

// The table of the functions imported from HCNetSDK. Only the shipped library
// links it.
const SdkOps& importedSdk() noexcept;

}  // namespace orvane::sdk
