// Every export of OrvaneLib as a typed pointer, resolved from a loaded library
// by the name it is exported under; the argument slots of the decorated name
// come from the export's parameter types.
#pragma once

#include <functional>
#include <string>

#include "OrvaneLib.h"
#include "dynamic_library.hpp"
#include "orvane_export_list.h"

namespace hostloader {

// One typed pointer per export, named as the export: CamLogin, CamLogout, ...
struct OrvaneExports {
#define HOSTLOADER_EXPORT_MEMBER(result, name, failure, params, args) name##Fn name = nullptr;
    ORVANE_EXPORT_LIST(HOSTLOADER_EXPORT_MEMBER)
#undef HOSTLOADER_EXPORT_MEMBER
};

// Called once per export with the name it was looked up under and whether it was found.
using ExportReport = std::function<void(const std::string& exportedName, bool found)>;

// Resolves every export; true when all were found.
bool ResolveOrvaneExports(const DynamicLibrary& library, OrvaneExports& exports,
                          const ExportReport& report = {});

}  // namespace hostloader
