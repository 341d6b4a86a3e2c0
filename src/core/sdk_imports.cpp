// The SDK table of the shipped library: the operations imported from HCNetSDK.
#include <type_traits>

#include "core/argument_bytes.hpp"
#include "core/sdk_ops.hpp"

namespace orvane::sdk {
namespace {

constexpr SdkOps kImportedSdk{
#define ORVANE_SDK_IMPORT(result, name, member, params) &name,
    HCNETSDK_OPERATION_LIST(ORVANE_SDK_IMPORT)
#undef ORVANE_SDK_IMPORT
};

// The operation list and the header's declarations must agree exactly, and the
// import descriptions carry each operation's argument bytes, which must be those
// of its parameters.
#define ORVANE_SDK_CHECK(result, name, member, params)                            \
    static_assert(std::is_same_v<decltype(&name), result(HCNETSDK_CALL*) params>, \
                  "the operation list's " #name " differs from its declaration"); \
    static_assert(ArgumentBytes<result params> == HCNETSDK_ARGUMENT_BYTES_##name, \
                  "the import of " #name " does not match its parameters");
HCNETSDK_OPERATION_LIST(ORVANE_SDK_CHECK)
#undef ORVANE_SDK_CHECK

}  // namespace

const SdkOps& importedSdk() noexcept { return kImportedSdk; }

}  // namespace orvane::sdk
