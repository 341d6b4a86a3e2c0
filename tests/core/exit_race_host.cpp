// A host whose main thread calls exit() while ten other threads keep calling
// every kind of export (two of them only the failure text): logins and logouts, PTZ commands and queries,
// captures, starts, reads, statuses and stops of subscriptions, failure texts and codes. Whatever the library
// does at process end, none of those calls may touch memory it already released, and the end may neither hang
// on a lock one of them held nor skip the SDK's shutdown and the stops of live subscriptions.
//
// The first argument picks the scenario:
//   idle     no other thread: the library's end alone (the floor of the others);
//   race     the threads alone;
//   blocked  besides, one thread's login is held in the SDK longer than the
//            library's drain limit, and the host's own end (which runs after
//            the library's) waits until that login has returned, so that the
//            login comes back while the process still runs.
//   reload   no other thread: 100 times the library is loaded, a subscription
//            started and stopped, the camera logged out and the library closed,
//            which unmaps the SDK each time (the host holds none of its own).
//            No thread of the SDK may still run its code by then.
// The subscriptions of channels 1 and 2 are started before the threads, and no
// thread stops them: they are live when the library ends.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "core/platform/loaded_standin.hpp"
#include "dynamic_library.hpp"
#include "hcnetsdk_standin.h"
#include "orvane_exports.hpp"

namespace {

hostloader::OrvaneExports exports;
std::atomic<bool> loginReturned{false};

// Longer than the library's drain limit at exit (a second).
constexpr uint32_t kBlockedLoginMilliseconds = 1500;

int32_t LoginToStandin() {
    return exports.CamLogin(STANDIN_CAMERA_ADDRESS, STANDIN_CAMERA_PORT, STANDIN_CAMERA_USER,
                            STANDIN_CAMERA_PASSWORD, 0);
}

// One call of the kind chosen by `step`; channels 3 to 6 only, so that the
// subscriptions of channels 1 and 2 stay live.
void CallOneExport(uint32_t step, int32_t user) {
    const int32_t channel = 3 + static_cast<int32_t>(step / 16 % 4);
    int32_t a = 0, b = 0, c = 0, d = 0, e = 0, f = 0;
    uint32_t max = 0, min = 0, avg = 0;
    uint16_t text[64];
    switch (step % 16) {
        case 0:
            exports.CamThermometryStart(user, channel, 0);
            break;
        case 1:
            exports.CamThermometryStop(user, channel, 0);
            break;
        case 2:
            exports.CamLastFailureText(text, 64, 0);
            break;
        case 3:
            exports.CamLastFailureCode(0);
            break;
        case 4:
            exports.CamDescribeFailure(static_cast<int32_t>(step % 40), 0, text, 64, 0);
            break;
        case 5:
            exports.CamLogout(-1, 0);
            break;
        case 6:
            exports.CamPTZControl(user, 1, 21, step % 32 < 16 ? 0 : 1, 0);
            break;
        case 7:
            exports.CamPresetCommand(user, 1, 1 + step % 8, 39, 0);
            break;
        case 8:
            exports.CamPTZGetCurrent(user, &a, &b, &c, 0);
            break;
        case 9:
            exports.CamPTZGetScope(user, &a, &b, &c, &d, &e, &f, 0);
            break;
        case 10:
            // Refused before any file is written: the path names no folder.
            exports.CamCapture(user, 1, "", 0);
            break;
        case 11:
            exports.CamThermometryStatus(user, channel, &a, &b, &c, &d, 0);
            break;
        case 12:
            exports.CamLogout(LoginToStandin(), 0);
            break;
        default:
            exports.CamThermometryRead(user, channel, &a, &b, &max, &min, &avg, 0);
    }
}

// Runs after the library's end (registered before the library loads): waits
// for the blocked login to return, at most a few seconds.
void AwaitBlockedLogin() {
    for (int i = 0; i < 300 && !loginReturned.load(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

bool LoadLibraryOnce(hostloader::DynamicLibrary& library) {
    std::string error;
    if (!library.Open(hostloader::LibraryFileName(), error) ||
        !hostloader::ResolveOrvaneExports(library, exports, [](const std::string&, bool) {})) {
        std::fprintf(stderr, "could not load the library: %s\n", error.c_str());
        return false;
    }
    return true;
}

int ReloadCycles() {
    for (int cycle = 0; cycle < 100; ++cycle) {
        hostloader::DynamicLibrary library;
        if (!LoadLibraryOnce(library)) return 2;
        const int32_t user = LoginToStandin();
        if (user < 0 || exports.CamThermometryStart(user, 1, 0) != 1 ||
            exports.CamThermometryStop(user, 1, 0) != 1 || exports.CamLogout(user, 0) != 1) {
            std::fprintf(stderr, "cycle %d: a call failed\n", cycle);
            return 3;
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string scenario = argc > 1 ? argv[1] : "race";
    if (scenario == "reload") return ReloadCycles();
    const bool blocked = scenario == "blocked";
    if (blocked) std::atexit(AwaitBlockedLogin);
    // Never destroyed: the process ends with the library loaded, as a host that
    // links it does (closing it would unmap code the other threads still run).
    if (!LoadLibraryOnce(*new hostloader::DynamicLibrary)) return 2;
    const int32_t user = LoginToStandin();
    if (user < 0 || !exports.CamThermometryStart(user, 1, 0) || !exports.CamThermometryStart(user, 2, 0))
        return 3;
    if (scenario == "idle") std::exit(0);

    static std::atomic<int> running{0};
    for (uint32_t t = 0; t < 8; ++t) {
        std::thread([t, user] {
            running.fetch_add(1);
            for (uint32_t i = t * 5;; ++i) CallOneExport(i, user);
        }).detach();
    }
    if (blocked) {
        const auto setDelay = testsupport::LoadedStandinCallDelay();
        if (setDelay == nullptr) return 4;
        setDelay(STANDIN_OP_LOGIN, kBlockedLoginMilliseconds);
        std::thread([] {
            running.fetch_add(1);
            LoginToStandin();
            loginReturned.store(true);
        }).detach();
    }
    // Two more that read the failure record alone, whose lock they then hold
    // much of the time.
    for (int t = 0; t < 2; ++t) {
        std::thread([] {
            running.fetch_add(1);
            for (uint16_t text[64];;) exports.CamLastFailureText(text, 64, 0);
        }).detach();
    }
    while (running.load() < (blocked ? 11 : 10)) std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(blocked ? 100 : 20));
    std::exit(0);
}
