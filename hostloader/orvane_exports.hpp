// All eleven exports of OrvaneLib as typed pointers, resolved from a loaded
// library by the names they are exported under, with their exact argument slots.
#pragma once

#include <functional>
#include <string>

#include "OrvaneLib.h"
#include "dynamic_library.hpp"

namespace hostloader {

struct OrvaneExports {
    CamLoginFn CamLogin = nullptr;
    CamLogoutFn CamLogout = nullptr;
    CamPTZControlFn CamPTZControl = nullptr;
    CamPresetCommandFn CamPresetCommand = nullptr;
    CamPTZGetCurrentFn CamPTZGetCurrent = nullptr;
    CamPTZGetScopeFn CamPTZGetScope = nullptr;
    CamCaptureFn CamCapture = nullptr;
    CamThermometryStartFn CamThermometryStart = nullptr;
    CamThermometryStopFn CamThermometryStop = nullptr;
    CamThermometryReadFn CamThermometryRead = nullptr;
    JobAssignFn JobAssign = nullptr;
};

// Called once per export with the name it was looked up under and whether it was found.
using ExportReport = std::function<void(const std::string& exportedName, bool found)>;

// Resolves every export; true when all were found.
bool ResolveOrvaneExports(const DynamicLibrary& library, OrvaneExports& exports,
                          const ExportReport& report = {});

}  // namespace hostloader
