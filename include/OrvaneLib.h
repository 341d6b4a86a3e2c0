/*
 * OrvaneLib: a flat, call-by-call interface to network cameras.
 *
 * Every export takes 32-bit integers, pointers and NUL-terminated byte strings.
 * On 32-bit Windows every export uses the callee-cleans (__stdcall) convention and
 * is exported under its decorated name (_CamLogin@20 and so on); elsewhere the
 * plain C convention and plain names are used. Every export whose name begins
 * with Cam takes one trailing 32-bit argument that it ignores.
 *
 * Boolean results are one byte: 1 for success, 0 for failure. The library reports
 * failures through results only; it keeps its own account of the latest failure.
 *
 * Usable from C and C++.
 */
#ifndef ORVANELIB_H
#define ORVANELIB_H

#include <stdint.h>

#if defined(_WIN32)
#define ORVANE_CALL __stdcall
#else
#define ORVANE_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* One-byte boolean result: 1 success, 0 failure. */
typedef uint8_t OrvaneBool;

/* Result bits of JobAssign. On Linux the "job" is a watcher process that ends
 * the bound processes when the host ends; the bits mean the same there. */
enum {
    ORVANE_JOB_IN_JOB = 1,         /* the process is in a job now (was, or was assigned) */
    ORVANE_JOB_PROCESS_OPENED = 2, /* the process was opened (Linux: exists, may be signalled) */
    ORVANE_JOB_OPENED = 4,         /* the job "OrvaneJob" was created or opened (Linux: the watcher runs) */
    ORVANE_JOB_EXISTED = 8,        /* the job existed before the call (never set without 2) */
    ORVANE_JOB_WAS_IN_JOB = 16,    /* the process belonged to some job before the call
                                      (Linux: was bound to this host's watcher already) */
    ORVANE_JOB_LIMITS_SET = 32,    /* kill-on-job-close was applied by the call that created
                                      the job; that call always applies it, even when the
                                      process cannot be opened or is in another job, so
                                      that processes bound later end with the host too */
    ORVANE_JOB_ASSIGNED = 64       /* the process was assigned to the job */
};

/* Logs in to a camera. Returns the user ID (0 or greater) or a negative value. */
int32_t ORVANE_CALL CamLogin(const char* deviceAddress, int32_t port, const char* userName,
                             const char* password, int32_t reserved);
/* Ends a login. */
OrvaneBool ORVANE_CALL CamLogout(int32_t userId, int32_t reserved);

/* Starts (startFlag 1) or stops (startFlag 0) a continuous PTZ motion at a fixed speed. */
OrvaneBool ORVANE_CALL CamPTZControl(int32_t userId, int32_t channel, uint32_t ptzCommand,
                                     uint32_t startFlag, int32_t reserved);
/* Sends preset command 8, 9 or 39 for a preset index; other commands are refused. */
OrvaneBool ORVANE_CALL CamPresetCommand(int32_t userId, int32_t channel, uint32_t presetIndex,
                                        uint32_t presetCommand, int32_t reserved);
/* Reads the three PTZ position values, written only on success. */
OrvaneBool ORVANE_CALL CamPTZGetCurrent(int32_t userId, int32_t* value1, int32_t* value2,
                                        int32_t* value3, int32_t reserved);
/* Reads the six PTZ range values, written only on success. */
OrvaneBool ORVANE_CALL CamPTZGetScope(int32_t userId, int32_t* value1, int32_t* value2,
                                      int32_t* value3, int32_t* value4, int32_t* value5,
                                      int32_t* value6, int32_t reserved);
/* Has the camera write a JPEG snapshot of a channel to a file path. */
OrvaneBool ORVANE_CALL CamCapture(int32_t userId, int32_t channel, const char* filePath,
                                  int32_t reserved);

/* Starts a realtime thermometry subscription for (userId, channel). */
OrvaneBool ORVANE_CALL CamThermometryStart(int32_t userId, int32_t channel, int32_t reserved);
/* Stops the first subscription started for (userId, channel). */
OrvaneBool ORVANE_CALL CamThermometryStop(int32_t userId, int32_t channel, int32_t reserved);
/* Reads the newest measurement: date as yyyymmdd, time as hhmmss, and the max, min and
 * average temperatures as the bit patterns of single-precision floats. Returns 1 once a
 * measurement has arrived. */
OrvaneBool ORVANE_CALL CamThermometryRead(int32_t userId, int32_t channel, int32_t* date,
                                          int32_t* time, uint32_t* maxBits, uint32_t* minBits,
                                          uint32_t* avgBits, int32_t reserved);

/* Puts a process into the job "OrvaneJob", which ends it when the host ends.
 * Returns a set of ORVANE_JOB_* bits. */
uint32_t ORVANE_CALL JobAssign(uint32_t processId);

/* Pointer types for hosts that resolve the exports at run time. */
typedef int32_t(ORVANE_CALL* CamLoginFn)(const char*, int32_t, const char*, const char*, int32_t);
typedef OrvaneBool(ORVANE_CALL* CamLogoutFn)(int32_t, int32_t);
typedef OrvaneBool(ORVANE_CALL* CamPTZControlFn)(int32_t, int32_t, uint32_t, uint32_t, int32_t);
typedef OrvaneBool(ORVANE_CALL* CamPresetCommandFn)(int32_t, int32_t, uint32_t, uint32_t, int32_t);
typedef OrvaneBool(ORVANE_CALL* CamPTZGetCurrentFn)(int32_t, int32_t*, int32_t*, int32_t*, int32_t);
typedef OrvaneBool(ORVANE_CALL* CamPTZGetScopeFn)(int32_t, int32_t*, int32_t*, int32_t*, int32_t*,
                                                  int32_t*, int32_t*, int32_t);
typedef OrvaneBool(ORVANE_CALL* CamCaptureFn)(int32_t, int32_t, const char*, int32_t);
typedef OrvaneBool(ORVANE_CALL* CamThermometryStartFn)(int32_t, int32_t, int32_t);
typedef OrvaneBool(ORVANE_CALL* CamThermometryStopFn)(int32_t, int32_t, int32_t);
typedef OrvaneBool(ORVANE_CALL* CamThermometryReadFn)(int32_t, int32_t, int32_t*, int32_t*,
                                                      uint32_t*, uint32_t*, uint32_t*, int32_t);
typedef uint32_t(ORVANE_CALL* JobAssignFn)(uint32_t);

#ifdef __cplusplus
}
#endif

#endif /* ORVANELIB_H */
