// The one seam between the library and the camera SDK: a table of the ten SDK
// operations. The shipped library fills it with the functions imported from
// HCNetSDK; tests may hand the library code a table of their own.
#pragma once

#include <cstdint>

#include "hcnetsdk.h"

namespace orvane::sdk {

using RemoteConfigCallback = HcRemoteConfigCallback;

struct SdkOps {
    int32_t(HCNETSDK_CALL* init)();
    int32_t(HCNETSDK_CALL* cleanup)();
    int32_t(HCNETSDK_CALL* login)(void* loginRecord, void* deviceInfo);
    int32_t(HCNETSDK_CALL* logout)(int32_t userId);
    int32_t(HCNETSDK_CALL* ptzControlWithSpeed)(int32_t userId, int32_t channel, uint32_t command,
                                                uint32_t stop, uint32_t speed);
    int32_t(HCNETSDK_CALL* ptzPreset)(int32_t userId, int32_t channel, uint32_t presetCommand,
                                      uint32_t presetIndex);
    int32_t(HCNETSDK_CALL* getConfig)(int32_t userId, uint32_t command, int32_t channel,
                                      void* outBuffer, uint32_t outSize, uint32_t* returnedSize);
    int32_t(HCNETSDK_CALL* captureJpeg)(int32_t userId, int32_t channel, void* pictureParams,
                                        char* filePath);
    int32_t(HCNETSDK_CALL* startRemoteConfig)(int32_t userId, uint32_t command, void* condition,
                                              uint32_t conditionSize, RemoteConfigCallback callback,
                                              void* userData);
    int32_t(HCNETSDK_CALL* stopRemoteConfig)(int32_t handle);
};

// The table of the functions imported from HCNetSDK. Only the shipped library
// links it.
const SdkOps& importedSdk() noexcept;

}  // namespace orvane::sdk
