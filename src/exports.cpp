// The library's exports and its one state object. The state is constructed when
// the library is loaded (before any export can run) and destroyed when it is
// unloaded. Each export hands its arguments to its subsystem and keeps anything
// thrown from crossing into the host.
#include "OrvaneLib.h"
#include "camera/capture.hpp"
#include "camera/login.hpp"
#include "camera/ptz_control.hpp"
#include "camera/ptz_query.hpp"
#include "core/export_guard.hpp"
#include "core/library_state.hpp"
#include "process/job_binding.hpp"
#include "thermometry/thermometry_subscriptions.hpp"

namespace {

orvane::LibraryState library(orvane::sdk::importedSdk());

}  // namespace

extern "C" {

int32_t ORVANE_CALL CamLogin(const char* deviceAddress, int32_t port, const char* userName,
                             const char* password, int32_t) {
    return orvane::GuardExport<int32_t>(-1, [&] {
        return orvane::camera::Login(library, deviceAddress, port, userName, password);
    });
}

OrvaneBool ORVANE_CALL CamLogout(int32_t userId, int32_t) {
    return orvane::GuardExport<OrvaneBool>(0, [&] {
        return orvane::ToResult(orvane::camera::Logout(library, userId));
    });
}

uint32_t ORVANE_CALL JobAssign(uint32_t processId) {
    return orvane::GuardExport<uint32_t>(0, [&] {
        return orvane::process::JobAssign(orvane::process::SystemJobOs(), processId);
    });
}

OrvaneBool ORVANE_CALL CamPTZControl(int32_t userId, int32_t channel, uint32_t ptzCommand,
                                     uint32_t startFlag, int32_t) {
    return orvane::GuardExport<OrvaneBool>(0, [&] {
        return orvane::ToResult(orvane::camera::PtzControl(library, userId, channel, ptzCommand, startFlag));
    });
}

OrvaneBool ORVANE_CALL CamPresetCommand(int32_t userId, int32_t channel, uint32_t presetIndex,
                                        uint32_t presetCommand, int32_t) {
    return orvane::GuardExport<OrvaneBool>(0, [&] {
        return orvane::ToResult(
            orvane::camera::PresetCommand(library, userId, channel, presetIndex, presetCommand));
    });
}

OrvaneBool ORVANE_CALL CamPTZGetCurrent(int32_t userId, int32_t* value1, int32_t* value2,
                                        int32_t* value3, int32_t) {
    return orvane::GuardExport<OrvaneBool>(0, [&] {
        return orvane::ToResult(orvane::camera::PtzGetCurrent(library, userId, {value1, value2, value3}));
    });
}

OrvaneBool ORVANE_CALL CamPTZGetScope(int32_t userId, int32_t* value1, int32_t* value2,
                                      int32_t* value3, int32_t* value4, int32_t* value5,
                                      int32_t* value6, int32_t) {
    return orvane::GuardExport<OrvaneBool>(0, [&] {
        return orvane::ToResult(orvane::camera::PtzGetScope(
            library, userId, {value1, value2, value3, value4, value5, value6}));
    });
}

OrvaneBool ORVANE_CALL CamCapture(int32_t userId, int32_t channel, const char* filePath, int32_t) {
    return orvane::GuardExport<OrvaneBool>(0, [&] {
        return orvane::ToResult(orvane::camera::Capture(library, userId, channel, filePath));
    });
}

OrvaneBool ORVANE_CALL CamThermometryStart(int32_t userId, int32_t channel, int32_t) {
    return orvane::GuardExport<OrvaneBool>(0, [&] {
        return orvane::ToResult(orvane::thermometry::Start(library, userId, channel));
    });
}

OrvaneBool ORVANE_CALL CamThermometryStop(int32_t userId, int32_t channel, int32_t) {
    return orvane::GuardExport<OrvaneBool>(0, [&] {
        return orvane::ToResult(orvane::thermometry::Stop(library, userId, channel));
    });
}

OrvaneBool ORVANE_CALL CamThermometryRead(int32_t userId, int32_t channel, int32_t* date,
                                          int32_t* time, uint32_t* maxBits, uint32_t* minBits,
                                          uint32_t* avgBits, int32_t) {
    return orvane::GuardExport<OrvaneBool>(0, [&] {
        return orvane::ToResult(orvane::thermometry::Read(library, userId, channel, date, time,
                                                          maxBits, minBits, avgBits));
    });
}

}  // extern "C"
