// The library's exports and its one state object. The state is constructed when
// the library is loaded (before any export can run) and destroyed when it is
// unloaded. Each export hands its arguments to its subsystem and keeps anything
// thrown from crossing into the host.
#include "OrvaneLib.h"
#include "camera/login.hpp"
#include "core/export_guard.hpp"
#include "core/library_state.hpp"
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
