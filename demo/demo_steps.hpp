// The steps of the demo, one function each.
#pragma once

#include <cstdint>

#include "OrvaneLib.h"
#include "dynamic_library.hpp"
#include "orvane_exports.hpp"

namespace demo {

using Exports = hostloader::OrvaneExports;

// Resolves every export by the name it is exported under; false if one is missing.
bool ResolveExports(const hostloader::DynamicLibrary& library, Exports& exports);

// Shows a refused login, then logs in to the simulated camera; the user ID or -1.
int32_t LogIn(const Exports& exports);
void LogOut(const Exports& exports, int32_t userId);
// Starts a thermometry subscription, prints a few seconds of readings as they
// arrive, and stops it.
void WatchThermometry(const Exports& exports, int32_t userId);
// Logs in to the simulated three-rule camera, lists the rules it measures and
// reads each one's newest result apart.
void WatchRules(const Exports& exports);

// Starts a child process, binds it to the host's job and says what the result bits mean.
void BindChildProcess(const Exports& exports);
// Moves the PTZ head, reads its position and ranges before and after, returns to
// a preset and saves a snapshot, saying where the picture went.
void SteerCamera(const Exports& exports, int32_t userId);

}  // namespace demo
