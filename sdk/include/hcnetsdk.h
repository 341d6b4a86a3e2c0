/*
 * The camera SDK operations OrvaneLib imports from HCNetSDK.dll, as OrvaneLib
 * relies on them. Each takes 32-bit arguments; on 32-bit Windows each uses the
 * callee-cleans convention and is imported by its plain name.
 *
 * Record layouts passed through the void pointers are declared by the library
 * next to the code that fills them.
 */
#ifndef ORVANE_HCNETSDK_H
#define ORVANE_HCNETSDK_H

#include <stdint.h>

#if defined(_WIN32)
#define HCNETSDK_CALL __stdcall
#else
#define HCNETSDK_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Remote-configuration callback: event kind, buffer, its length in bytes, user data. */
typedef void(HCNETSDK_CALL* HcRemoteConfigCallback)(int32_t kind, void* buffer, int32_t length,
                                                    void* userData);

/*
 * The operations, one line each: the name the library's SDK table gives the
 * operation, the exported name, and the parameters. Every operation returns a
 * 32-bit value. The declarations below, the library's SDK table and the table of
 * imported functions, the import descriptions and the stand-in's export file
 * and the expected import table are all produced from this list.
 */
/* clang-format off */
#define HCNETSDK_OPERATION_LIST(X) \
    X(init, NET_DVR_Init, (void)) \
    X(cleanup, NET_DVR_Cleanup, (void)) \
    X(login, NET_DVR_Login_V40, (void* loginRecord, void* deviceInfo)) \
    X(logout, NET_DVR_Logout, (int32_t userId)) \
    X(ptzControlWithSpeed, NET_DVR_PTZControlWithSpeed_Other, (int32_t userId, int32_t channel, uint32_t command, uint32_t stop, uint32_t speed)) \
    X(ptzPreset, NET_DVR_PTZPreset_Other, (int32_t userId, int32_t channel, uint32_t presetCommand, uint32_t presetIndex)) \
    X(getConfig, NET_DVR_GetDVRConfig, (int32_t userId, uint32_t command, int32_t channel, void* outBuffer, uint32_t outSize, uint32_t* returnedSize)) \
    X(captureJpeg, NET_DVR_CaptureJPEGPicture, (int32_t userId, int32_t channel, void* pictureParams, char* filePath)) \
    X(startRemoteConfig, NET_DVR_StartRemoteConfig, (int32_t userId, uint32_t command, void* condition, uint32_t conditionSize, HcRemoteConfigCallback callback, void* userData)) \
    X(stopRemoteConfig, NET_DVR_StopRemoteConfig, (int32_t handle))
/* clang-format on */

#define HCNETSDK_DECLARE_OPERATION(member, name, params) int32_t HCNETSDK_CALL name params;
HCNETSDK_OPERATION_LIST(HCNETSDK_DECLARE_OPERATION)
#undef HCNETSDK_DECLARE_OPERATION

#ifdef __cplusplus
}
#endif

#endif /* ORVANE_HCNETSDK_H */
