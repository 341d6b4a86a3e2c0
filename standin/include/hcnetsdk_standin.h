/*
 * Control interface of the stand-in HCNetSDK: a simulated camera that records
 * the SDK calls it receives and can be scripted to fail. Tests and the demo use
 * it; OrvaneLib never links it.
 *
 * The simulated site has a camera at every address of the three documentation
 * ranges 192.0.2.0/24, 198.51.100.0/24 and 203.0.113.0/24, 768 in all, each
 * answering at port STANDIN_CAMERA_PORT to STANDIN_CAMERA_USER with
 * STANDIN_CAMERA_PASSWORD. A site address is exactly "192.0.2.N",
 * "198.51.100.N" or "203.0.113.N" with N from 0 to 255 in decimal without
 * leading zeros; any other text (another prefix, "192.0.2.07", "192.0.2.256",
 * a blank or any other byte before or after) is none. Other addresses and
 * ports fail with STANDIN_ERROR_CONNECT, a wrong user or password with
 * STANDIN_ERROR_PASSWORD. A login gets the lowest user ID that no open login
 * holds, across all cameras, as an SDK that indexes a table gives them out: the
 * ID of a login that ended (by logout or reboot) soon belongs to another.
 *
 * Each address is a camera of its own: its own PTZ head and presets, a landscape
 * turned by 37 degrees per address away from STANDIN_CAMERA_ADDRESS (counting
 * on from 192.0.2.255 to 198.51.100.0 and from 198.51.100.255 to 203.0.113.0,
 * and a third of a degree more for each range after the first), and
 * thermometry readings shifted in level and phase, so that no two cameras give
 * the same pictures or measurements. STANDIN_CAMERA_ADDRESS is the default
 * camera: the StandinPtz* functions below steer its head, and it sees and
 * measures exactly what the descriptions below give. Logins, streams, scripts
 * and the journal are shared by all cameras.
 * Remote-configuration handles are table indexes, as in real SDKs: a start
 * gets the lowest non-negative handle no session holds, so a stopped
 * session's handle is soon another session's.
 *
 * All functions use the plain C convention and may be called from any thread.
 */
#ifndef ORVANE_HCNETSDK_STANDIN_H
#define ORVANE_HCNETSDK_STANDIN_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define STANDIN_CAMERA_ADDRESS "192.0.2.64"
#define STANDIN_CAMERA_PORT 8000
#define STANDIN_CAMERA_USER "admin"
#define STANDIN_CAMERA_PASSWORD "orvane-demo"

/* SDK error codes the simulated camera leaves in the thread's last-error value. */
enum StandinErrorCode {
    STANDIN_ERROR_PASSWORD = 1,         /* wrong user name or password */
    STANDIN_ERROR_NOT_INITIALISED = 3,  /* called before NET_DVR_Init or after cleanup */
    STANDIN_ERROR_CONNECT = 7,          /* no camera at that address and port */
    STANDIN_ERROR_PARAMETER = 17,       /* a null or malformed argument */
    STANDIN_ERROR_NOT_SUPPORTED = 23,   /* a command the camera does not know */
    STANDIN_ERROR_CREATE_FILE = 34,     /* the snapshot file could not be created */
    STANDIN_ERROR_RECEIVE_TIMEOUT = 10, /* the camera stopped answering (a reboot) */
    STANDIN_ERROR_NO_SUCH_USER = 47,    /* the user ID is not logged in */
    STANDIN_ERROR_INVALID_HANDLE = 12   /* a remote-configuration handle not running */
};

/* The ten operations, as they appear in the journal and in scripts. */
enum StandinOperation {
    STANDIN_OP_INIT = 0,
    STANDIN_OP_CLEANUP,
    STANDIN_OP_LOGIN,
    STANDIN_OP_LOGOUT,
    STANDIN_OP_PTZ_CONTROL,
    STANDIN_OP_PTZ_PRESET,
    STANDIN_OP_GET_CONFIG,
    STANDIN_OP_CAPTURE_JPEG,
    STANDIN_OP_START_REMOTE_CONFIG,
    STANDIN_OP_STOP_REMOTE_CONFIG,
    STANDIN_OP_COUNT
};

/* The simulated PTZ head. Its position is three values: pan in tenths of a degree
 * (0 to 3600, clockwise from north), tilt in tenths of a degree below the horizon
 * (0 to 900) and zoom in tenths of magnification (10 to 320, 1.0x to 32.0x). The
 * position record (configuration command 293) holds them in binary after two
 * reserved bytes; the range record (command 294) holds pan minimum, pan maximum,
 * tilt minimum, tilt maximum, zoom minimum and zoom maximum in binary-coded
 * decimal. The head starts at pan 0, tilt 0, zoom 10 with no presets.
 *
 * Motion commands for NET_DVR_PTZControlWithSpeed_Other. With stop flag 0 the
 * command starts moving one axis at the given speed (1 to 7) until a stop (stop
 * flag 1, any known command), another motion command or the end of the axis's
 * range; stop flags other than 0 and 1 and speeds outside 1 to 7 fail with
 * STANDIN_ERROR_PARAMETER, other commands with STANDIN_ERROR_NOT_SUPPORTED. Per
 * second, speed s moves pan by 20*s, tilt by 10*s and zoom by 4*s units. */
enum StandinPtzCommand {
    STANDIN_PTZ_PAN_LEFT = 1,
    STANDIN_PTZ_PAN_RIGHT = 2,
    STANDIN_PTZ_TILT_UP = 3,
    STANDIN_PTZ_TILT_DOWN = 4,
    STANDIN_PTZ_ZOOM_IN = 5,
    STANDIN_PTZ_ZOOM_OUT = 6
};

/* Preset commands for NET_DVR_PTZPreset_Other, on preset indexes 1 to
 * STANDIN_PRESET_COUNT (others fail with STANDIN_ERROR_PARAMETER): set stores the
 * current position, clear forgets it, go to moves the head there at once and ends
 * any motion (an unset preset fails with STANDIN_ERROR_PARAMETER). Other commands
 * fail with STANDIN_ERROR_NOT_SUPPORTED. */
enum StandinPresetCommand { STANDIN_PRESET_SET = 8, STANDIN_PRESET_CLEAR = 9, STANDIN_PRESET_GOTO = 39 };
#define STANDIN_PRESET_COUNT 255

/* Snapshots (NET_DVR_CaptureJPEGPicture): a JPEG of a synthetic landscape as the
 * head sees it, with the position printed in its top left corner. Picture size
 * 0xFF is the camera's own resolution below; other sizes fail with
 * STANDIN_ERROR_NOT_SUPPORTED. Quality 0, 1 and 2 are best, better and average;
 * others fail with STANDIN_ERROR_PARAMETER. A file that cannot be created fails
 * with STANDIN_ERROR_CREATE_FILE. */
#define STANDIN_SNAPSHOT_WIDTH 640
#define STANDIN_SNAPSHOT_HEIGHT 360

/* The default camera's head (STANDIN_CAMERA_ADDRESS).
 * Sets the head's position (each value clamped to its range) and ends any motion. */
void StandinPtzSetPosition(uint16_t pan, uint16_t tilt, uint16_t zoom);
/* The head's position now; any pointer may be null. */
void StandinPtzGetPosition(uint16_t* pan, uint16_t* tilt, uint16_t* zoom);
/* 1 while a motion command runs (also when its axis has reached the range's end). */
int32_t StandinPtzIsMoving(void);

/* The simulated camera follows real time until frozen; a frozen clock moves only
 * when advanced, which makes motion exact in tests. StandinReset unfreezes it. */
void StandinClockFreeze(void);
void StandinClockAdvance(uint32_t milliseconds);

/* Forgets every login, stops every stream, clears the journal, all scripts and
 * delays, and puts every camera back to its initial state. The SDK stays initialised as
 * it was. */
void StandinReset(void);

/* Scripts the next call of an operation: instead of acting, it returns result
 * and, when result reports failure, leaves errorCode as the last error. Scripts
 * queue up per operation and are used once each, in order. */
void StandinScriptResult(int32_t operation, int32_t result, uint32_t errorCode);
/* Drops every queued script. */
void StandinScriptClear(void);

/* The journal: the newest STANDIN_JOURNAL_CAPACITY calls in order (a call
 * beyond that drops the oldest), with their arguments and byte copies of the
 * records passed in. It never keeps a password: the copy of a login record has
 * its password field (64 bytes from offset 196) blank, and
 * StandinJournalPasswordIs compares a password with the one that was there. */
#define STANDIN_JOURNAL_CAPACITY 4096
size_t StandinJournalSize(void);
void StandinJournalClear(void);
/* Operation of entry index, or -1 when there is no such entry. */
int32_t StandinJournalOperation(size_t index);
/* Integer argument slot of an entry; pointers are given as their address; 0
 * for a slot the entry does not have. A stop of a remote configuration that
 * the camera answered (not a scripted one) has the user ID and channel of the
 * session it ended in slots 1 and 2, or -1 and -1 when it ended none. */
int64_t StandinJournalArgument(size_t index, size_t slot);
/* Copies record number `record` of an entry into out (at most capacity bytes) and
 * returns its full size, or -1 when the entry has no such record.
 *   login:  record 0 the login record (400 bytes), 1 the device block (344)
 *   get config: record 0 the returned-size variable as it was before the call
 *   capture: record 0 the picture parameters (4 bytes), 1 the path bytes (no NUL)
 *   start remote config: record 0 the condition block */
int32_t StandinJournalRecord(size_t index, size_t record, void* out, size_t capacity);
/* Whether login entry `index` was given exactly these `length` password bytes
 * (the field holding them followed by zero bytes): 1 yes, 0 no, -1 when the
 * entry is no login with a record. */
int32_t StandinJournalPasswordIs(size_t index, const void* password, size_t length);

/* Calls the callback of a running remote-configuration handle synchronously on
 * the calling thread. Returns 1 when the handle was found, else 0. */
int32_t StandinFireEvent(int32_t handle, int32_t kind, const void* buffer, int32_t length);
/* As StandinFireEvent, on the newest running session started for (userId,
 * channel): what a camera streaming that channel would deliver. Returns 1 when
 * there was one, else 0. */
int32_t StandinFireChannelEvent(int32_t userId, int32_t channel, int32_t kind, const void* buffer,
                                int32_t length);

/* Whether remote-configuration sessions started from now on stream on their own
 * (1, the initial state, restored by StandinReset) or deliver only the events
 * given to StandinFireEvent (0). A streaming session sends status 1000 at once,
 * then every STANDIN_STREAM_INTERVAL_MS a 440-byte measurement block per rule of
 * its channel (StandinSetRules; readings around 20 to 50 degrees, stamped with
 * the current local time).
 * Stopping a session, and NET_DVR_Cleanup for all of them, returns only when no
 * callback of it runs or will run. */
#define STANDIN_STREAM_INTERVAL_MS 200
void StandinSetStreaming(int32_t enabled);

/* A measurement rule of a camera's channel: its ID (0-255), its calibration
 * type (0 a point, 1 a box, 2 a line) and its preset (0-65535). */
typedef struct StandinRule {
    int32_t id;
    int32_t calibrationType;
    int32_t presetNo;
} StandinRule;
/* Sets the rules the camera at address (a site address) measures on channel,
 * for sessions started from then on: each tick, a streaming session sends one
 * measurement block per rule, in the order given, all stamped with the same
 * second. A point rule's block carries its reading at the point (offset 48) and
 * zeros for the region; a box's or a line's its max, min, avg and diff. Each
 * rule reads a level and phase of its own. Out of the box (and after
 * StandinReset) channel 1 of 192.0.2.66 has a point rule 1, a box rule 2 and a
 * line rule 3, and every other channel one line rule 1 with preset 0. A count of
 * 0 gives the channel back its rules out of the box. Returns 1; 0, changing
 * nothing, for an address outside the site, a null rules with count > 0, a
 * count outside 0-256 or a field out of its range. */
int32_t StandinSetRules(const char* address, int32_t channel, const StandinRule* rules, int32_t count);

/* Faults of a real camera and network.
 *
 * A session ends from the camera's side with a status event: STANDIN_STATUS_FAILED
 * (1002) followed by an error code (8 bytes), or STANDIN_STATUS_FINISHED (1001)
 * alone (4 bytes). Unless `continuing` is non-zero (a transient failure: the
 * session goes on delivering), no event follows; the session's handle stays held
 * until the host stops it, and that stop succeeds. Returns 1 when the handle was
 * running, else 0. */
#define STANDIN_STATUS_FINISHED 1001
#define STANDIN_STATUS_FAILED 1002
int32_t StandinEndSession(int32_t handle, uint32_t status, uint32_t code, int32_t continuing);
/* The handle of the newest running session of (userId, channel), or -1. */
int32_t StandinChannelSession(int32_t userId, int32_t channel);
/* Reboots the camera at address (every camera when null): each running session
 * of its logins ends with status 1002 and STANDIN_ERROR_RECEIVE_TIMEOUT, and its
 * logins end, so that later calls with their user IDs fail with
 * STANDIN_ERROR_NO_SUCH_USER. A session that starts on one of them while the
 * reboot runs is either ended by it or refused. New logins are accepted as soon
 * as it returns. */
void StandinRebootCamera(const char* address);
/* Stalls the stream of channel of the camera at address (a site address)
 * without a word (silent 1), or lets it go on (silent 0): while it stalls, no
 * running session of that channel, of any login to that camera, nor any started
 * on it later, gets anything of what it streams, neither a status nor data;
 * once it goes on, running sessions get data again and a session started
 * meanwhile gets its status 1000 first. StandinFireEvent, StandinEndSession and reboots
 * still deliver. A stall is in force when the call returns: no callback of
 * those sessions runs then, but one the calling thread is inside of.
 * StandinReset lets every channel go on. Returns 1; 0, changing nothing, for
 * a null address or one outside the site. */
int32_t StandinSetChannelSilent(const char* address, int32_t channel, int32_t silent);
/* Control from outside the process, for programs tested as a whole (a service,
 * a command-line host): when the environment variable HCNETSDK_STANDIN_CONTROL
 * names a folder as NET_DVR_Init succeeds, then until NET_DVR_Cleanup the
 * stand-in looks into that folder every 100 ms for files named "*.cmd",
 * carries them out in name order, and deletes each when done (a script writes
 * the file under another suffix, such as ".tmp", renames it to end in ".cmd",
 * and takes its disappearance as the acknowledgement). Each line of a file is one command:
 *   reboot ADDRESS   as StandinRebootCamera(ADDRESS)
 *   offline ADDRESS  reboots that camera, then refuses its logins with
 *                    STANDIN_ERROR_CONNECT, as a camera off the network, until
 *   online ADDRESS   accepts its logins again (as does StandinReset).
 *   rules ADDRESS CHANNEL KIND...
 *                    as StandinSetRules with rules 1, 2, ... in order, each
 *                    KIND "point", "box" or "line", at preset 0; no KIND gives
 *                    the channel back its rules out of the box.
 *   end ADDRESS CHANNEL [CODE]
 *                    ends every running session of that camera's CHANNEL, of
 *                    any login to it, as StandinEndSession(handle,
 *                    STANDIN_STATUS_FAILED, CODE, 0) does; CODE is
 *                    STANDIN_ERROR_RECEIVE_TIMEOUT (10) when not given. The
 *                    logins stay, and a new start of the channel streams.
 *   silent ADDRESS CHANNEL
 *                    as StandinSetChannelSilent(ADDRESS, CHANNEL, 1), until
 *   stream ADDRESS CHANNEL
 *                    as StandinSetChannelSilent(ADDRESS, CHANNEL, 0).
 * ADDRESS is a site address (of any of the three ranges); CHANNEL is a
 * decimal 32-bit signed number, CODE a decimal 32-bit unsigned one. Blank
 * lines are skipped; any other line, or an address outside the site, is
 * ignored with one line on standard error. Files there when NET_DVR_Init succeeds are carried out
 * before it returns, so that rules they set apply to the first subscriptions. */

/* Makes every later call of an operation (of every operation when operation is
 * negative) wait this long before it acts, as over a slow network; 0 for none,
 * the state after StandinReset. */
void StandinSetCallDelay(int32_t operation, uint32_t milliseconds);
/* While held is non-zero, a NET_DVR_StopRemoteConfig whose session no callback
 * runs for any more (so it no longer delivers) waits before it frees the handle
 * and returns, until StandinHoldStops(0) or StandinReset: an answer to a stop
 * that comes back late, after a NET_DVR_Cleanup may have forgotten the session
 * and a new start taken its handle. A late stop still ends only the session it
 * was asked for. */
void StandinHoldStops(int32_t held);
/* How many sessions of (userId, channel) a NET_DVR_StopRemoteConfig has ended
 * since StandinReset, whoever asked for it. */
uint64_t StandinStopsOfPair(int32_t userId, int32_t channel);

/* Whether NET_DVR_Init has succeeded and no cleanup has followed. */
int32_t StandinIsInitialised(void);

#ifdef __cplusplus
}
#endif

#endif /* ORVANE_HCNETSDK_STANDIN_H */
