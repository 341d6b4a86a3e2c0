#include "fuzz_support.hpp"

namespace fuzzing {
namespace {

int32_t HCNETSDK_CALL Succeed() { return 1; }
int32_t HCNETSDK_CALL Fail() { return 0; }
int32_t HCNETSDK_CALL StopAny(int32_t) { return 1; }

class DiscardingLog final : public orvane::thermometry::LogSink {
public:
    void Append(const char* data, std::size_t size) noexcept override {
        Check(data != nullptr && size >= 2 && data[size - 2] == '\r' && data[size - 1] == '\n');
    }
};

}  // namespace

orvane::sdk::SdkOps BaseSdk(bool initSucceeds) {
    orvane::sdk::SdkOps ops{};
    ops.init = initSucceeds ? &Succeed : &Fail;
    ops.cleanup = &Succeed;
    ops.stopRemoteConfig = &StopAny;
    return ops;
}

orvane::thermometry::LogSink& CheckedDiscardingLog() {
    static DiscardingLog log;
    return log;
}

}  // namespace fuzzing
