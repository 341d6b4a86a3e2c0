#include "orvane_exports.hpp"

namespace hostloader {
namespace {

template <class Function>
bool ResolveOne(const DynamicLibrary& library, Function& target, const char* function, int slots,
                const ExportReport& report) {
    target = library.Export<Function>(function, slots);
    if (report) report(ExportName(function, slots), target != nullptr);
    return target != nullptr;
}

}  // namespace

bool ResolveOrvaneExports(const DynamicLibrary& library, OrvaneExports& exports,
                          const ExportReport& report) {
    bool all = true;
    all &= ResolveOne(library, exports.CamLogin, "CamLogin", 5, report);
    all &= ResolveOne(library, exports.CamLogout, "CamLogout", 2, report);
    all &= ResolveOne(library, exports.CamPTZControl, "CamPTZControl", 5, report);
    all &= ResolveOne(library, exports.CamPresetCommand, "CamPresetCommand", 5, report);
    all &= ResolveOne(library, exports.CamPTZGetCurrent, "CamPTZGetCurrent", 5, report);
    all &= ResolveOne(library, exports.CamPTZGetScope, "CamPTZGetScope", 8, report);
    all &= ResolveOne(library, exports.CamCapture, "CamCapture", 4, report);
    all &= ResolveOne(library, exports.CamThermometryStart, "CamThermometryStart", 3, report);
    all &= ResolveOne(library, exports.CamThermometryStop, "CamThermometryStop", 3, report);
    all &= ResolveOne(library, exports.CamThermometryRead, "CamThermometryRead", 8, report);
    all &= ResolveOne(library, exports.JobAssign, "JobAssign", 1, report);
    return all;
}

}  // namespace hostloader
