// The SDK table of the shipped library: the operations imported from HCNetSDK.
#include "core/argument_bytes.hpp"
#include "core/sdk_ops.hpp"
#include "hcnetsdk_argument_bytes.h"

namespace orvane::sdk {
namespace {

constexpr SdkOps kImportedSdk{
#define ORVANE_SDK_IMPORT(member, name, params) &name,
    HCNETSDK_OPERATION_LIST(ORVANE_SDK_IMPORT)
#undef ORVANE_SDK_IMPORT
};

// The import descriptions carry each operation's argument bytes; they must be
// those of its parameters.
#define ORVANE_SDK_CHECK_BYTES(member, name, params)                               \
    static_assert(ArgumentBytes<int32_t params> == HCNETSDK_ARGUMENT_BYTES_##name, \
                  "the import of " #name " does not match its parameters");
HCNETSDK_OPERATION_LIST(ORVANE_SDK_CHECK_BYTES)
#undef ORVANE_SDK_CHECK_BYTES

}  // namespace

const SdkOps& importedSdk() noexcept { return kImportedSdk; }

}  // namespace orvane::sdk
