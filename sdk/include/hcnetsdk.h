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

/* Initialises the SDK; nonzero on success. */
int32_t HCNETSDK_CALL NET_DVR_Init(void);
/* Releases the SDK. */
int32_t HCNETSDK_CALL NET_DVR_Cleanup(void);
/* Logs in with a login record; returns the user ID, negative on failure. */
int32_t HCNETSDK_CALL NET_DVR_Login_V40(void* loginRecord, void* deviceInfo);
/* Ends a login; nonzero on success. */
int32_t HCNETSDK_CALL NET_DVR_Logout(int32_t userId);
/* Starts (stop 0) or stops (stop 1) a continuous PTZ motion at a speed. */
int32_t HCNETSDK_CALL NET_DVR_PTZControlWithSpeed_Other(int32_t userId, int32_t channel, uint32_t command,
                                                        uint32_t stop, uint32_t speed);
/* Sets, clears or goes to a preset. */
int32_t HCNETSDK_CALL NET_DVR_PTZPreset_Other(int32_t userId, int32_t channel, uint32_t presetCommand,
                                              uint32_t presetIndex);
/* Reads a configuration record into outBuffer. */
int32_t HCNETSDK_CALL NET_DVR_GetDVRConfig(int32_t userId, uint32_t command, int32_t channel, void* outBuffer,
                                           uint32_t outSize, uint32_t* returnedSize);
/* Has the camera take a JPEG snapshot and writes it to filePath. */
int32_t HCNETSDK_CALL NET_DVR_CaptureJPEGPicture(int32_t userId, int32_t channel, void* pictureParams,
                                                 char* filePath);
/* Starts a remote configuration whose results arrive through callback; returns
 * its handle, negative on failure. */
int32_t HCNETSDK_CALL NET_DVR_StartRemoteConfig(int32_t userId, uint32_t command, void* condition,
                                                uint32_t conditionSize, HcRemoteConfigCallback callback,
                                                void* userData);
/* Stops a remote configuration; nonzero once stopped. */
int32_t HCNETSDK_CALL NET_DVR_StopRemoteConfig(int32_t handle);

#ifdef __cplusplus
}
#endif

#endif /* ORVANE_HCNETSDK_H */
