// The SDK table of the shipped library: the operations imported from HCNetSDK.
#include "core/sdk_ops.hpp"

namespace orvane::sdk {
namespace {

constexpr SdkOps kImportedSdk{
    &NET_DVR_Init,
    &NET_DVR_Cleanup,
    &NET_DVR_Login_V40,
    &NET_DVR_Logout,
    &NET_DVR_PTZControlWithSpeed_Other,
    &NET_DVR_PTZPreset_Other,
    &NET_DVR_GetDVRConfig,
    &NET_DVR_CaptureJPEGPicture,
    &NET_DVR_StartRemoteConfig,
    &NET_DVR_StopRemoteConfig,
};

}  // namespace

const SdkOps& importedSdk() noexcept { return kImportedSdk; }

}  // namespace orvane::sdk
