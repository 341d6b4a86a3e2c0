/*
 * OrvaneLib: a flat, call-by-call interface to network cameras, usable from C
 * and C++. This header is the reference of every export: what it does, each
 * argument, what it writes and when, its result, what it records on failure,
 * and what may run at the same time.
 *
 * Every export uses ORVANE_CALL: on 32-bit Windows the callee-cleans (__stdcall)
 * convention, elsewhere the plain C convention.
 */
#ifndef ORVANELIB_H
#define ORVANELIB_H

#include <stddef.h>
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

/* Compile-time checks of the records' layouts, in every C and C++ dialect. */
#if defined(__cplusplus) && __cplusplus >= 201103L
#define ORVANE_STATIC_ASSERT(name, condition) static_assert(condition, #name)
#elif !defined(__cplusplus) && defined(__STDC_VERSION__) && __STDC_VERSION__ >= 201112L
#define ORVANE_STATIC_ASSERT(name, condition) _Static_assert(condition, #name)
#else
#define ORVANE_STATIC_ASSERT(name, condition) typedef char orvane_layout_check_##name[(condition) ? 1 : -1]
#endif

/*
 * One measurement rule's newest result (CamThermometryReadRule): 56 bytes of
 * 4-byte little-endian fields, all but `size` from the same data event.
 * Temperatures are the bit patterns of single-precision floats in the camera's
 * unit (reinterpret them, do not convert).
 */
typedef struct OrvaneRuleReading {
    int32_t size;            /* set by the host: the bytes it provides (at least 56); never written */
    int32_t date;            /* yyyymmdd of the rule's newest data event */
    int32_t time;            /* hhmmss of the same event */
    int32_t ruleId;          /* the rule, 0-255 */
    int32_t calibrationType; /* 0 a point, 1 a box, 2 a line (the camera's code as it is) */
    int32_t presetNo;        /* the preset the rule belongs to */
    int32_t unit;            /* the camera's temperature unit code, as it is */
    int32_t dataType;        /* the camera's data type code, as it is */
    uint32_t point;          /* a point rule's reading */
    uint32_t max;            /* a region rule's highest reading */
    uint32_t min;            /* its lowest */
    uint32_t avg;            /* its average */
    uint32_t diff;           /* its difference */
    int32_t dataEvents;      /* data events of this rule the subscription received */
} OrvaneRuleReading;
ORVANE_STATIC_ASSERT(OrvaneRuleReading_is_56_bytes, sizeof(OrvaneRuleReading) == 56);
ORVANE_STATIC_ASSERT(OrvaneRuleReading_date_at_4, offsetof(OrvaneRuleReading, date) == 4);
ORVANE_STATIC_ASSERT(OrvaneRuleReading_time_at_8, offsetof(OrvaneRuleReading, time) == 8);
ORVANE_STATIC_ASSERT(OrvaneRuleReading_ruleId_at_12, offsetof(OrvaneRuleReading, ruleId) == 12);
ORVANE_STATIC_ASSERT(OrvaneRuleReading_calibrationType_at_16,
                     offsetof(OrvaneRuleReading, calibrationType) == 16);
ORVANE_STATIC_ASSERT(OrvaneRuleReading_presetNo_at_20, offsetof(OrvaneRuleReading, presetNo) == 20);
ORVANE_STATIC_ASSERT(OrvaneRuleReading_unit_at_24, offsetof(OrvaneRuleReading, unit) == 24);
ORVANE_STATIC_ASSERT(OrvaneRuleReading_dataType_at_28, offsetof(OrvaneRuleReading, dataType) == 28);
ORVANE_STATIC_ASSERT(OrvaneRuleReading_point_at_32, offsetof(OrvaneRuleReading, point) == 32);
ORVANE_STATIC_ASSERT(OrvaneRuleReading_max_at_36, offsetof(OrvaneRuleReading, max) == 36);
ORVANE_STATIC_ASSERT(OrvaneRuleReading_min_at_40, offsetof(OrvaneRuleReading, min) == 40);
ORVANE_STATIC_ASSERT(OrvaneRuleReading_avg_at_44, offsetof(OrvaneRuleReading, avg) == 44);
ORVANE_STATIC_ASSERT(OrvaneRuleReading_diff_at_48, offsetof(OrvaneRuleReading, diff) == 48);
ORVANE_STATIC_ASSERT(OrvaneRuleReading_dataEvents_at_52, offsetof(OrvaneRuleReading, dataEvents) == 52);

/*
 * Common to every export
 *
 * Arguments: every argument is 32 bits wide. Every export whose name begins with
 * Cam takes a trailing argument `reserved` that it ignores; pass 0. Texts are
 * NUL-terminated byte strings, passed to the SDK byte for byte (no character-set
 * conversion); a null text counts as empty. An output pointer may be null: a
 * null output is skipped, never written through.
 *
 * Results: OrvaneBool results are one byte; only the low 8 bits of the result
 * register are defined. Should the library itself fail inside an export (for
 * instance out of memory), the export returns 0 (CamLogin and
 * CamDescribeFailure -1). No export throws,
 * and none crashes on arguments a host can pass.
 *
 * Failures: the library keeps one failure record for the process. A failing Cam
 * export replaces it with the description of its failure: the SDK's error code
 * (its thread's last-error value straight after the failed SDK call) as UTF-16
 * text with that code, or, while the SDK did not start, a text saying so with
 * code -1. CamLastFailureText and CamLastFailureCode read it;
 * CamDescribeFailure describes any code. CamThermometryRead,
 * CamThermometryStatus, CamThermometryReadRule, CamThermometryRules, JobAssign
 * and the three failure exports never record.
 * One exception, Linux only: when the library found no usable libHCNetSDK.so
 * at load, every export that would reach the SDK fails and records the
 * SDK-not-started text, CamLogout and the thermometry exports (Read included)
 * too (docs/platforms.md, "The SDK").
 *
 * Threads: every export may be called from any thread at the same time as any
 * other export; the library starts no threads. The SDK delivers thermometry
 * results on its own threads. Do not call an export while the library is being
 * unloaded, and do not unload it from inside an SDK callback.
 *
 * Names: on 32-bit Windows each export is exported only under its decorated name,
 * given below with each prototype; elsewhere under its plain name.
 */

/*
 * CamLogin (_CamLogin@20): logs in to a camera.
 *
 * deviceAddress  the camera's address, at most 129 bytes; a longer one is sent
 *                as empty.
 * port           the camera's port; only its low 16 bits are used.
 * userName       at most 64 bytes; a longer one is sent as empty.
 * password       at most 64 bytes; a longer one is sent as empty. The library
 *                wipes its copy right after the SDK call and never keeps it.
 * reserved       ignored.
 *
 * Returns the user ID, 0 or greater, that the other camera exports take.
 * Negative on failure: -1 when the SDK did not start, else the SDK's value.
 * Records the failure. May run at the same time as any export.
 */
int32_t ORVANE_CALL CamLogin(const char* deviceAddress, int32_t port, const char* userName,
                             const char* password, int32_t reserved);

/*
 * CamLogout (_CamLogout@8): ends the login userId.
 *
 * userId    a user ID that CamLogin returned.
 * reserved  ignored.
 *
 * Asks the SDK whether or not it started. Returns 1 when the SDK ended the
 * login, 0 when it refused (failure recorded). May run at the same time as any
 * export.
 */
OrvaneBool ORVANE_CALL CamLogout(int32_t userId, int32_t reserved);

/*
 * CamPTZControl (_CamPTZControl@20): starts or stops a continuous pan, tilt or
 * zoom motion at the library's fixed speed.
 *
 * userId      the login.
 * channel     the camera channel.
 * ptzCommand  the SDK's PTZ command number (for instance pan left, zoom in).
 * startFlag   1 starts the motion; 0 stops it.
 * reserved    ignored.
 *
 * Returns 1 when the SDK did it; 0 when the SDK did not start or refused
 * (failure recorded). May run at the same time as any export.
 */
OrvaneBool ORVANE_CALL CamPTZControl(int32_t userId, int32_t channel, uint32_t ptzCommand, uint32_t startFlag,
                                     int32_t reserved);

/*
 * CamPresetCommand (_CamPresetCommand@20): sets, clears or goes to a preset.
 *
 * userId         the login.
 * channel        the camera channel.
 * presetIndex    the preset's number.
 * presetCommand  8 sets the preset to the current position, 9 clears it, 39
 *                goes to it. Any other command is refused without reaching the
 *                camera.
 * reserved       ignored.
 *
 * Returns 1 when the SDK did it; 0 when the SDK did not start, refused, or the
 * command was refused (failure recorded; a refused command is described by
 * whatever the thread's last-error value held). May run at the same time as any
 * export.
 */
OrvaneBool ORVANE_CALL CamPresetCommand(int32_t userId, int32_t channel, uint32_t presetIndex,
                                        uint32_t presetCommand, int32_t reserved);

/*
 * CamPTZGetCurrent (_CamPTZGetCurrent@20): reads the PTZ head's position.
 *
 * userId    the login.
 * value1    receives the pan position, as the camera reports it.
 * value2    receives the tilt position.
 * value3    receives the zoom position.
 * reserved  ignored.
 *
 * The outputs are written only on success; a null one is skipped. Returns 1 on
 * success; 0 when the SDK did not start or refused (failure recorded, outputs
 * untouched). May run at the same time as any export.
 */
OrvaneBool ORVANE_CALL CamPTZGetCurrent(int32_t userId, int32_t* value1, int32_t* value2, int32_t* value3,
                                        int32_t reserved);

/*
 * CamPTZGetScope (_CamPTZGetScope@32): reads the PTZ head's ranges, decoded
 * from the camera's binary-coded decimal.
 *
 * userId    the login.
 * value1    receives the lowest pan position; value2 the highest.
 * value3    receives the lowest tilt position; value4 the highest.
 * value5    receives the lowest zoom position; value6 the highest.
 * reserved  ignored.
 *
 * The outputs are written only on success; a null one is skipped. Returns 1 on
 * success; 0 when the SDK did not start or refused (failure recorded, outputs
 * untouched). May run at the same time as any export.
 */
OrvaneBool ORVANE_CALL CamPTZGetScope(int32_t userId, int32_t* value1, int32_t* value2, int32_t* value3,
                                      int32_t* value4, int32_t* value5, int32_t* value6, int32_t reserved);

/*
 * CamCapture (_CamCapture@16): has the camera take a JPEG snapshot and the SDK
 * write it to a file.
 *
 * userId    the login.
 * channel   the camera channel.
 * filePath  the file the SDK writes; an empty path still reaches the SDK.
 * reserved  ignored.
 *
 * Returns 1 when the SDK wrote the file; 0 when the SDK did not start or
 * refused (failure recorded). A null filePath returns 0 without reaching the
 * camera and records the SDK's parameter error (17). May run at the same time as
 * any export.
 */
OrvaneBool ORVANE_CALL CamCapture(int32_t userId, int32_t channel, const char* filePath, int32_t reserved);

/*
 * CamThermometryStart (_CamThermometryStart@12): starts a realtime thermometry
 * subscription for (userId, channel). Its measurements then arrive on the SDK's
 * threads, and CamThermometryRead returns the newest.
 *
 * userId    the login.
 * channel   the camera channel.
 * reserved  ignored.
 *
 * A pair may be started again, after a stop or a failed start: the newest
 * started subscription of a pair answers CamThermometryRead and
 * CamThermometryStop (the newest whose start succeeded, or while none of the
 * pair's starts has succeeded, the newest of all). A newer running start
 * replaces an older one as the one that answers; the older runs on until unload.
 *
 * Returns 1 when the SDK started the subscription; 0 when it refused (failure
 * recorded). Starts and stops of the same pair take turns; others run at the
 * same time, and so do reads.
 */
OrvaneBool ORVANE_CALL CamThermometryStart(int32_t userId, int32_t channel, int32_t reserved);

/*
 * CamThermometryStop (_CamThermometryStop@12): stops the subscription of
 * (userId, channel) that answers (see CamThermometryStart). A stopped
 * subscription keeps answering reads with its last measurement until a newer
 * start of the pair succeeds.
 *
 * userId    the login.
 * channel   the camera channel.
 * reserved  ignored.
 *
 * Returns 1 when the SDK confirmed the stop, and 1 again, without asking the SDK,
 * when it had confirmed it before. Returns 0 without asking the SDK and without
 * recording when the pair was never started or its answering start failed
 * (there is nothing to stop). Returns 0 and records the failure when the SDK
 * refuses; the stop may then be asked again. Returns when the SDK has answered.
 * Starts and stops of the same pair
 * take turns; others run at the same time, and so do reads.
 */
OrvaneBool ORVANE_CALL CamThermometryStop(int32_t userId, int32_t channel, int32_t reserved);

/*
 * CamThermometryRead (_CamThermometryRead@32): reads the newest measurement of
 * the subscription of (userId, channel) that answers (see CamThermometryStart).
 *
 * userId    the login.
 * channel   the camera channel.
 * date      receives the camera's date as yyyymmdd.
 * time      receives the camera's time as hhmmss.
 * maxBits   receives the highest temperature, in degrees Celsius, as the bit
 *           pattern of a single-precision float (reinterpret it, do not convert).
 * minBits   receives the lowest temperature, likewise.
 * avgBits   receives the average temperature, likewise.
 * reserved  ignored.
 *
 * Whenever the pair was ever started, writes every non-null output: all of them
 * from the same measurement, zeros until the first one arrived. A measurement
 * that came short of a whole block is not stored; the previous one stays. Writes
 * nothing when the pair was never started.
 *
 * Returns 1 once a measurement has arrived, 0 otherwise. Never records a
 * failure. Never waits for a start, a stop or an arriving measurement; may run
 * at the same time as any export.
 */
OrvaneBool ORVANE_CALL CamThermometryRead(int32_t userId, int32_t channel, int32_t* date, int32_t* time,
                                          uint32_t* maxBits, uint32_t* minBits, uint32_t* avgBits,
                                          int32_t reserved);

/*
 * JobAssign (_JobAssign@4): puts a process into the job "OrvaneJob", which ends
 * it when the host ends.
 *
 * processId  the process to bind.
 *
 * The first call in a host creates the job and gives it kill-on-job-close at
 * once, whatever it finds out about the process, so every process the host
 * binds ends when the host ends. A job of that name that existed before is
 * never given limits.
 *
 * Returns a set of ORVANE_JOB_* bits saying what happened. Never records a
 * failure. May run at the same time as any export; of simultaneous first
 * calls, exactly one creates the job.
 */
uint32_t ORVANE_CALL JobAssign(uint32_t processId);

/*
 * CamLastFailureText (_CamLastFailureText@12): reads the text of the latest
 * failure any export recorded.
 *
 * buffer    receives the text as UTF-16 units, or null.
 * capacity  the units buffer holds.
 * reserved  ignored.
 *
 * With a non-null buffer and capacity > 0, writes the first
 * min(length, capacity - 1) units and then one 0 unit, nothing past that; with
 * a null buffer or capacity <= 0 writes nothing. Call it with a null buffer to
 * size one, then again.
 *
 * Returns the text's length in UTF-16 units without a terminator; 0 before the
 * first failure. Works whether or not the SDK started, never records a failure,
 * and always reads one whole text, also while other threads record failures.
 * May run at the same time as any export.
 */
int32_t ORVANE_CALL CamLastFailureText(uint16_t* buffer, int32_t capacity, int32_t reserved);

/*
 * CamLastFailureCode (_CamLastFailureCode@4): reads the code behind the text of
 * the latest failure.
 *
 * reserved  ignored.
 *
 * Returns the SDK error code the text describes (the thread's last-error value
 * the failure was recorded from, its 32 bits as a signed number); -1 when the
 * text is the SDK-not-started text; 0 before the first failure and after a
 * reload. Code and text are recorded together under one lock, so they always
 * belong to the same failure; two calls (this and CamLastFailureText) may
 * still see two failures when other threads fail in between. Successes and
 * exports that record nothing leave it. Writes nothing, never records a
 * failure, works whether or not the SDK started. May run at the same time as
 * any export.
 */
int32_t ORVANE_CALL CamLastFailureCode(int32_t reserved);

/*
 * CamDescribeFailure (_CamDescribeFailure@20): describes a failure code.
 *
 * code      a code from CamLastFailureCode, or any other 32-bit value.
 * language  0: the library's own text, exactly what CamLastFailureText gives
 *           after a failure with that code (-1: the SDK-not-started text);
 *           1: English, short printable ASCII; a code without a description
 *           gets a text naming its number.
 * buffer    receives the text as UTF-16 units, or null.
 * capacity  the units buffer holds.
 * reserved  ignored.
 *
 * Writes as CamLastFailureText does: with a non-null buffer and capacity > 0
 * the first min(length, capacity - 1) units and one 0 unit; nothing with a null
 * buffer or capacity <= 0.
 *
 * Returns the description's length in UTF-16 units without a terminator; -1,
 * writing nothing, for an unknown language. Reads only constant data: never
 * records a failure, works whether or not the SDK started, may run at the same
 * time as any export.
 */
int32_t ORVANE_CALL CamDescribeFailure(int32_t code, int32_t language, uint16_t* buffer, int32_t capacity,
                                       int32_t reserved);

/*
 * CamThermometryStatus (_CamThermometryStatus@28): reads how the subscription of
 * (userId, channel) that answers (see CamThermometryStart) is doing.
 *
 * userId       the login.
 * channel      the camera channel.
 * state        receives 1 running (started, not stopped, the camera
 *              delivering); 2 stopped (the host's stop was confirmed); 3 the
 *              start failed; 4 failing on the camera's side (the camera sent a
 *              status other than success, 1000, and no data since: a failure,
 *              1002, the end of the stream, or any other); 5 starting (the
 *              start was asked and the SDK has not answered yet).
 * dataEvents   receives the measurements this subscription received; a
 *              start begins at 0 (a refused restart gives back the count of
 *              the subscription it replaced).
 * msSinceData  receives the milliseconds since its newest measurement by the
 *              host's monotonic clock, at most INT32_MAX; -1 before the first.
 * cameraCode   receives the SDK error code of the camera's newest status other
 *              than success: the code of a 1002, 0 for any other; 0 if none;
 *              kept when data resumes; a start clears it.
 * reserved     ignored.
 *
 * Whenever the pair was ever started, writes every non-null output, all from
 * one moment of the subscription (one state change or event at a time is
 * published with everything it changes); writes nothing otherwise. While a
 * pair's running subscription answers, a newer start of the pair shows only
 * once it succeeded.
 *
 * Returns 1 when the pair has a subscription, 0 otherwise. Never records a
 * failure. Never waits for a start, a stop or an arriving measurement; may run
 * at the same time as any export.
 */
OrvaneBool ORVANE_CALL CamThermometryStatus(int32_t userId, int32_t channel, int32_t* state,
                                            int32_t* dataEvents, int32_t* msSinceData, int32_t* cameraCode,
                                            int32_t reserved);

/*
 * CamThermometryReadRule (_CamThermometryReadRule@20): reads the newest result of
 * one measurement rule of the subscription of (userId, channel) that answers
 * (see CamThermometryStart). A camera measuring several things at once (a
 * point, a box, a line) sends one measurement per rule; CamThermometryRead
 * gives the newest of any rule, this one each rule's own.
 *
 * userId    the login.
 * channel   the camera channel.
 * ruleId    the rule, 0-255.
 * reading   the host's record; its `size` set to the bytes it provides.
 * reserved  ignored.
 *
 * Returns 1 and writes bytes 4-55 of `reading`, all from the rule's newest
 * whole measurement, when the subscription received one of that rule. Returns
 * 0 and writes nothing when the pair was never started, no measurement of the
 * rule arrived yet, ruleId is outside 0-255, reading is null or its size is
 * below 56. Bytes past 56 are never written. A measurement that came short of a
 * whole block belongs to no rule. A restart of the pair starts with no rules
 * (until it fails: then the rules of the subscription it replaced answer
 * again); a stopped subscription keeps answering with its rules. Never records
 * a failure and never calls the SDK. Never waits for a start, a stop or an
 * arriving measurement; may run at the same time as any export.
 */
OrvaneBool ORVANE_CALL CamThermometryReadRule(int32_t userId, int32_t channel, int32_t ruleId,
                                              OrvaneRuleReading* reading, int32_t reserved);

/*
 * CamThermometryRules (_CamThermometryRules@20): lists the measurement rules the
 * subscription of (userId, channel) that answers has received whole
 * measurements of (see CamThermometryReadRule).
 *
 * userId    the login.
 * channel   the camera channel.
 * ruleIds   receives the rule IDs, ascending, or null.
 * capacity  the IDs ruleIds holds.
 * reserved  ignored.
 *
 * Writes the first min(count, capacity) IDs; nothing with a null ruleIds or
 * capacity <= 0. Returns the count of rules, which may exceed capacity (call
 * with a null buffer to size one); -1, writing nothing, when the pair was
 * never started. Never records a failure; lock-free like
 * CamThermometryReadRule.
 */
int32_t ORVANE_CALL CamThermometryRules(int32_t userId, int32_t channel, int32_t* ruleIds, int32_t capacity,
                                        int32_t reserved);

/* Pointer types of the exports, for hosts that resolve them at run time. */
typedef int32_t(ORVANE_CALL* CamLoginFn)(const char* deviceAddress, int32_t port, const char* userName,
                                         const char* password, int32_t reserved);
typedef OrvaneBool(ORVANE_CALL* CamLogoutFn)(int32_t userId, int32_t reserved);
typedef OrvaneBool(ORVANE_CALL* CamPTZControlFn)(int32_t userId, int32_t channel, uint32_t ptzCommand,
                                                 uint32_t startFlag, int32_t reserved);
typedef OrvaneBool(ORVANE_CALL* CamPresetCommandFn)(int32_t userId, int32_t channel, uint32_t presetIndex,
                                                    uint32_t presetCommand, int32_t reserved);
typedef OrvaneBool(ORVANE_CALL* CamPTZGetCurrentFn)(int32_t userId, int32_t* value1, int32_t* value2,
                                                    int32_t* value3, int32_t reserved);
typedef OrvaneBool(ORVANE_CALL* CamPTZGetScopeFn)(int32_t userId, int32_t* value1, int32_t* value2,
                                                  int32_t* value3, int32_t* value4, int32_t* value5,
                                                  int32_t* value6, int32_t reserved);
typedef OrvaneBool(ORVANE_CALL* CamCaptureFn)(int32_t userId, int32_t channel, const char* filePath,
                                              int32_t reserved);
typedef OrvaneBool(ORVANE_CALL* CamThermometryStartFn)(int32_t userId, int32_t channel, int32_t reserved);
typedef OrvaneBool(ORVANE_CALL* CamThermometryStopFn)(int32_t userId, int32_t channel, int32_t reserved);
typedef OrvaneBool(ORVANE_CALL* CamThermometryReadFn)(int32_t userId, int32_t channel, int32_t* date,
                                                      int32_t* time, uint32_t* maxBits, uint32_t* minBits,
                                                      uint32_t* avgBits, int32_t reserved);
typedef uint32_t(ORVANE_CALL* JobAssignFn)(uint32_t processId);
typedef int32_t(ORVANE_CALL* CamLastFailureTextFn)(uint16_t* buffer, int32_t capacity, int32_t reserved);
typedef int32_t(ORVANE_CALL* CamLastFailureCodeFn)(int32_t reserved);
typedef int32_t(ORVANE_CALL* CamDescribeFailureFn)(int32_t code, int32_t language, uint16_t* buffer,
                                                   int32_t capacity, int32_t reserved);
typedef OrvaneBool(ORVANE_CALL* CamThermometryStatusFn)(int32_t userId, int32_t channel, int32_t* state,
                                                        int32_t* dataEvents, int32_t* msSinceData,
                                                        int32_t* cameraCode, int32_t reserved);
typedef OrvaneBool(ORVANE_CALL* CamThermometryReadRuleFn)(int32_t userId, int32_t channel, int32_t ruleId,
                                                          OrvaneRuleReading* reading, int32_t reserved);
typedef int32_t(ORVANE_CALL* CamThermometryRulesFn)(int32_t userId, int32_t channel, int32_t* ruleIds,
                                                    int32_t capacity, int32_t reserved);

#ifdef __cplusplus
}
#endif

#endif /* ORVANELIB_H */
