// The library's exports and its one state object. The state is constructed when
// the library is loaded (before any export can run) and destroyed when it is
// unloaded. Each export hands its arguments to its subsystem and keeps anything
// thrown from crossing into the host.
#include "OrvaneLib.h"
#include "camera/login.hpp"
#include "core/export_guard.hpp"
#include "core/library_state.hpp"
#include "process/job_binding.hpp"

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

}  // extern "C"
