#include "core/platform/sdk_binding.hpp"

namespace orvane::sdk {

const SdkOps* ShippedSdk() noexcept { return &importedSdk(); }

void KeepSdkMapped() noexcept {}

}  // namespace orvane::sdk
