// The body of every export: hands the arguments to the subsystem and turns its
// answer into the export's result. The ignored trailing arguments stay unnamed.
#include "exports/export_bodies.hpp"

#include "camera/capture.hpp"
#include "camera/login.hpp"
#include "camera/ptz_control.hpp"
#include "camera/ptz_query.hpp"
#include "core/export_guard.hpp"
#include "core/failure_description.hpp"
#include "process/job_binding.hpp"
#include "thermometry/subscription_operations.hpp"

namespace orvane::exports {

int32_t CamLogin(LibraryState& library, const char* deviceAddress, int32_t port, const char* userName,
                 const char* password, int32_t) {
    return camera::Login(library, deviceAddress, port, userName, password);
}

OrvaneBool CamLogout(LibraryState& library, int32_t userId, int32_t) {
    return ToResult(camera::Logout(library, userId));
}

OrvaneBool CamPTZControl(LibraryState& library, int32_t userId, int32_t channel, uint32_t ptzCommand,
                         uint32_t startFlag, int32_t) {
    return ToResult(camera::PtzControl(library, userId, channel, ptzCommand, startFlag));
}

OrvaneBool CamPresetCommand(LibraryState& library, int32_t userId, int32_t channel, uint32_t presetIndex,
                            uint32_t presetCommand, int32_t) {
    return ToResult(camera::PresetCommand(library, userId, channel, presetIndex, presetCommand));
}

OrvaneBool CamPTZGetCurrent(LibraryState& library, int32_t userId, int32_t* value1, int32_t* value2,
                            int32_t* value3, int32_t) {
    return ToResult(camera::PtzGetCurrent(library, userId, {value1, value2, value3}));
}

OrvaneBool CamPTZGetScope(LibraryState& library, int32_t userId, int32_t* value1, int32_t* value2,
                          int32_t* value3, int32_t* value4, int32_t* value5, int32_t* value6, int32_t) {
    return ToResult(camera::PtzGetScope(library, userId, {value1, value2, value3, value4, value5, value6}));
}

OrvaneBool CamCapture(LibraryState& library, int32_t userId, int32_t channel, const char* filePath, int32_t) {
    return ToResult(camera::Capture(library, userId, channel, filePath));
}

OrvaneBool CamThermometryStart(LibraryState& library, int32_t userId, int32_t channel, int32_t) {
    return ToResult(thermometry::Start(library, userId, channel));
}

OrvaneBool CamThermometryStop(LibraryState& library, int32_t userId, int32_t channel, int32_t) {
    return ToResult(thermometry::Stop(library, userId, channel));
}

OrvaneBool CamThermometryRead(LibraryState& library, int32_t userId, int32_t channel, int32_t* date,
                              int32_t* time, uint32_t* maxBits, uint32_t* minBits, uint32_t* avgBits,
                              int32_t) {
    return ToResult(thermometry::Read(library, userId, channel, date, time, maxBits, minBits, avgBits));
}

// Reads the failure record and nothing else: no SDK call, no readiness check,
// and never a failure of its own, so that a host can ask after any failure.
int32_t CamLastFailureText(LibraryState& library, uint16_t* buffer, int32_t capacity, int32_t) {
    return library.CopyLastFailureText(buffer, capacity);
}

// Like CamLastFailureText: the record alone, never a failure of its own.
int32_t CamLastFailureCode(LibraryState& library, int32_t) { return library.LastFailureCode(); }

// Constant texts; no library state at all.
int32_t CamDescribeFailure(LibraryState&, int32_t code, int32_t language, uint16_t* buffer, int32_t capacity,
                           int32_t) {
    return DescribeFailure(code, language, buffer, capacity);
}

OrvaneBool CamThermometryStatus(LibraryState& library, int32_t userId, int32_t channel, int32_t* state,
                                int32_t* dataEvents, int32_t* msSinceData, int32_t* cameraCode, int32_t) {
    return ToResult(
        thermometry::Status(library, userId, channel, state, dataEvents, msSinceData, cameraCode));
}

OrvaneBool CamThermometryReadRule(LibraryState& library, int32_t userId, int32_t channel, int32_t ruleId,
                                  OrvaneRuleReading* reading, int32_t) {
    return ToResult(thermometry::ReadRule(library, userId, channel, ruleId, reading));
}

int32_t CamThermometryRules(LibraryState& library, int32_t userId, int32_t channel, int32_t* ruleIds,
                            int32_t capacity, int32_t) {
    return thermometry::Rules(library, userId, channel, ruleIds, capacity);
}

// Job binding shares nothing with the library state.
uint32_t JobAssign(LibraryState&, uint32_t processId) {
    return process::JobAssign(process::SystemJobOs(), process::HostJobHandle(), processId);
}

}  // namespace orvane::exports
