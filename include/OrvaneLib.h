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

/*
 * Reference of the exports. Windows names are the decorated ones that the DLL
 * exports (and nothing else); elsewhere the plain name is exported.
 *
 * Common to all: every argument is 32 bits wide. Every Cam export takes a
 * trailing `reserved` argument that it ignores; pass 0. Texts are NUL-terminated
 * byte strings passed to the SDK byte for byte (no character-set conversion); a
 * null text counts as empty. Output pointers may be null: a null output is
 * skipped. A failing Cam export (except CamThermometryRead,
 * CamThermometryStatus and the three failure exports) records why in the
 * library's failure record, which CamLastFailureText and CamLastFailureCode
 * read. Threads: every export may be called from any thread
 * at the same time as any other export; the library starts no threads. Do not
 * call an export while the library is being unloaded.
 *
 * CamLogin (_CamLogin@20): logs in to the camera at deviceAddress (at most 129
 *   bytes) and port (its low 16 bits) as userName with password (at most 64
 *   bytes each; a longer text is sent as empty). Returns the user ID, 0 or
 *   greater, that every other camera export takes; negative on failure (-1 when
 *   the SDK did not start, else the SDK's value).
 * CamLogout (_CamLogout@8): ends the login userId. 1 done, 0 failed.
 * CamPTZControl (_CamPTZControl@20): starts (startFlag 1) or stops (startFlag 0)
 *   the continuous PTZ motion ptzCommand (the SDK's PTZ command numbers) of
 *   channel, at a fixed speed. 1 done, 0 failed.
 * CamPresetCommand (_CamPresetCommand@20): sends presetCommand 8 (set), 9
 *   (clear) or 39 (go to) for presetIndex on channel; any other command is
 *   refused without reaching the camera. 1 done, 0 failed or refused.
 * CamPTZGetCurrent (_CamPTZGetCurrent@20): writes the PTZ position (pan, tilt,
 *   zoom, as the camera reports them) to value1..value3, only on success.
 *   1 done, 0 failed (outputs untouched).
 * CamPTZGetScope (_CamPTZGetScope@32): writes the PTZ ranges (pan min, pan max,
 *   tilt min, tilt max, zoom min, zoom max, decoded from the camera's
 *   binary-coded decimal) to value1..value6, only on success. 1 done, 0 failed.
 * CamCapture (_CamCapture@16): has the camera take a JPEG snapshot of channel
 *   and write it to filePath (the SDK writes the file). A null path fails
 *   without reaching the camera. 1 done, 0 failed.
 * CamThermometryStart (_CamThermometryStart@12): starts a realtime thermometry
 *   subscription for (userId, channel); results then arrive on the SDK's
 *   threads. 1 started, 0 failed.
 * CamThermometryStop (_CamThermometryStop@12): stops the first subscription
 *   started for (userId, channel); it keeps answering reads. 1 stopped, 0 none
 *   found (nothing recorded) or the SDK failed.
 * CamThermometryRead (_CamThermometryRead@32): for the first subscription of
 *   (userId, channel), writes the newest measurement: date as yyyymmdd, time as
 *   hhmmss, and the maximum, minimum and average temperatures as the bit
 *   patterns of single-precision floats (reinterpret, do not convert). The
 *   outputs are written whenever the subscription exists, with zeros until a
 *   measurement has arrived. 1 once a measurement has arrived, 0 otherwise.
 *   Never records a failure.
 * JobAssign (_JobAssign@4): puts the process processId into the job
 *   "OrvaneJob", which ends it when the host ends. Returns ORVANE_JOB_* bits.
 *   Never records a failure.
 * CamLastFailureText (_CamLastFailureText@12): returns the length, in UTF-16
 *   units without a terminator, of the latest failure's text (0 before the
 *   first failure). With a non-null buffer and capacity > 0 it writes the first
 *   min(length, capacity - 1) units and then one 0 unit, nothing past that;
 *   with a null buffer or capacity <= 0 it writes nothing. Call it with a null
 *   buffer to size one, then again. Works whether or not the SDK started,
 *   never records a failure, and always reads one whole text, also while other
 *   threads record failures.
 * CamLastFailureCode (_CamLastFailureCode@4): returns the code behind the
 *   latest failure text: the SDK error code (the thread's last-error value) the
 *   text describes; -1 when the text is the SDK-not-started text; 0 before the
 *   first failure and after a reload. Text and code are recorded together, so
 *   they always belong to the same failure (a text and a code read by two calls
 *   may still belong to two failures when other threads fail meanwhile).
 *   Successes and exports that record nothing leave it. Writes nothing; never
 *   records a failure; works whether or not the SDK started.
 * CamDescribeFailure (_CamDescribeFailure@20): the description of any code in
 *   language 0 (the library's own text, exactly what CamLastFailureText gives
 *   after a failure with that code; -1 gives the SDK-not-started text) or 1
 *   (English: short printable ASCII; a code without a description gets a text
 *   naming its number). Result and buffer rules as CamLastFailureText: returns
 *   the full length in UTF-16 units, writes at most capacity - 1 units and a 0,
 *   nothing for a null buffer or capacity <= 0. An unknown language returns -1
 *   and writes nothing. Reads only constant data: any thread, any time; never
 *   records a failure.
 * CamThermometryStatus (_CamThermometryStatus@28): the health of the
 *   subscription that answers Read and Stop for (userId, channel). Writes, each
 *   output skipped when null: state (1 running: started, not stopped, no camera
 *   failure since its newest data; 2 stopped: the host's stop was confirmed; 3
 *   the start failed; 4 failing on the camera's side: the camera reported a
 *   failure and sent no data since); dataEvents (data events of this
 *   subscription; a restart begins at 0); msSinceData (milliseconds since its
 *   newest data by the monotonic clock, at most INT32_MAX; -1 before the
 *   first); cameraCode (the SDK error code of the camera's newest failure
 *   report; 0 if none; kept when data resumes; a restart clears it). Returns 1
 *   and writes when the pair has a subscription, 0 and writes nothing
 *   otherwise. Never records a failure and never waits for the SDK's threads
 *   (as CamThermometryRead).
 *
 * Results typed OrvaneBool are one byte: only the low 8 bits of the result
 * register are defined.
 */
/*
 * The exports, one line each: result type, name, the value a failed call returns
 * when the library itself fails (for instance out of memory), the parameters,
 * and the parameter names as the arguments of a call. Everything else about an
 * export is produced from this list: the declarations and pointer typedefs
 * below, the library's wrappers, its export files and the expected export
 * tables, and the host loader's table. The decorated Windows name's byte count
 * comes from the parameter types.
 */
/* clang-format off */
#define ORVANE_EXPORT_LIST(X) \
    /* Logs in to a camera. Returns the user ID (0 or greater) or a negative value. */ \
    X(int32_t, CamLogin, -1, (const char* deviceAddress, int32_t port, const char* userName, const char* password, int32_t reserved), (deviceAddress, port, userName, password, reserved)) \
    /* Ends a login. */ \
    X(OrvaneBool, CamLogout, 0, (int32_t userId, int32_t reserved), (userId, reserved)) \
    /* Starts (startFlag 1) or stops (startFlag 0) a continuous PTZ motion at a fixed speed. */ \
    X(OrvaneBool, CamPTZControl, 0, (int32_t userId, int32_t channel, uint32_t ptzCommand, uint32_t startFlag, int32_t reserved), (userId, channel, ptzCommand, startFlag, reserved)) \
    /* Sends preset command 8, 9 or 39 for a preset index; other commands are refused. */ \
    X(OrvaneBool, CamPresetCommand, 0, (int32_t userId, int32_t channel, uint32_t presetIndex, uint32_t presetCommand, int32_t reserved), (userId, channel, presetIndex, presetCommand, reserved)) \
    /* Reads the three PTZ position values, written only on success. */ \
    X(OrvaneBool, CamPTZGetCurrent, 0, (int32_t userId, int32_t* value1, int32_t* value2, int32_t* value3, int32_t reserved), (userId, value1, value2, value3, reserved)) \
    /* Reads the six PTZ range values, written only on success. */ \
    X(OrvaneBool, CamPTZGetScope, 0, (int32_t userId, int32_t* value1, int32_t* value2, int32_t* value3, int32_t* value4, int32_t* value5, int32_t* value6, int32_t reserved), (userId, value1, value2, value3, value4, value5, value6, reserved)) \
    /* Has the camera write a JPEG snapshot of a channel to a file path. */ \
    X(OrvaneBool, CamCapture, 0, (int32_t userId, int32_t channel, const char* filePath, int32_t reserved), (userId, channel, filePath, reserved)) \
    /* Starts a realtime thermometry subscription for (userId, channel). */ \
    X(OrvaneBool, CamThermometryStart, 0, (int32_t userId, int32_t channel, int32_t reserved), (userId, channel, reserved)) \
    /* Stops the first subscription started for (userId, channel). */ \
    X(OrvaneBool, CamThermometryStop, 0, (int32_t userId, int32_t channel, int32_t reserved), (userId, channel, reserved)) \
    /* Reads the newest measurement: date as yyyymmdd, time as hhmmss, and the max, min and \
     * average temperatures as the bit patterns of single-precision floats. Returns 1 once a \
     * measurement has arrived. */ \
    X(OrvaneBool, CamThermometryRead, 0, (int32_t userId, int32_t channel, int32_t* date, int32_t* time, uint32_t* maxBits, uint32_t* minBits, uint32_t* avgBits, int32_t reserved), (userId, channel, date, time, maxBits, minBits, avgBits, reserved)) \
    /* Puts a process into the job "OrvaneJob", which ends it when the host ends. \
     * Returns a set of ORVANE_JOB_* bits. */ \
    X(uint32_t, JobAssign, 0, (uint32_t processId), (processId)) \
    /* Copies the latest failure's text into a host buffer; returns its length in UTF-16 units. */ \
    X(int32_t, CamLastFailureText, 0, (uint16_t* buffer, int32_t capacity, int32_t reserved), (buffer, capacity, reserved)) \
    /* Returns the code behind the latest failure text: the SDK's error code, -1 for "SDK not started", 0 if none. */ \
    X(int32_t, CamLastFailureCode, 0, (int32_t reserved), (reserved)) \
    /* Copies the description of a failure code (language 0 library text, 1 English) into a host buffer; \
     * returns its length in UTF-16 units, -1 for an unknown language. */ \
    X(int32_t, CamDescribeFailure, -1, (int32_t code, int32_t language, uint16_t* buffer, int32_t capacity, int32_t reserved), (code, language, buffer, capacity, reserved)) \
    /* Reads the health of the subscription that answers for (userId, channel). */ \
    X(OrvaneBool, CamThermometryStatus, 0, (int32_t userId, int32_t channel, int32_t* state, int32_t* dataEvents, int32_t* msSinceData, int32_t* cameraCode, int32_t reserved), (userId, channel, state, dataEvents, msSinceData, cameraCode, reserved))
/* clang-format on */

/* The exports, and a pointer type NameFn for each, for hosts that resolve the
 * exports at run time. */
#define ORVANE_DECLARE_EXPORT(result, name, failure, params, args) \
    result ORVANE_CALL name params;                                \
    typedef result(ORVANE_CALL* name##Fn) params;
ORVANE_EXPORT_LIST(ORVANE_DECLARE_EXPORT)
#undef ORVANE_DECLARE_EXPORT

#ifdef __cplusplus
}
#endif

#endif /* ORVANELIB_H */
