#include "fuzz_support.hpp"

namespace fuzzing {
namespace {

int32_t HCNETSDK_CALL Succeed() { return 1; }
int32_t HCNETSDK_CALL Fail() { return 0; }
int32_t HCNETSDK_CALL StopAny(int32_t) { return 1; }

}  // namespace

orvane::sdk::SdkOps BaseSdk(bool initSucceeds) {
    orvane::sdk::SdkOps ops{};
    ops.init = initSucceeds ? &Succeed : &Fail;
    ops.cleanup = &Succeed;
    ops.stopRemoteConfig = &StopAny;
    return ops;
}

}  // namespace fuzzing
