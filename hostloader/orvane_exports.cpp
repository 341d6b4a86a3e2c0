#include "orvane_exports.hpp"

#include <type_traits>

namespace hostloader {
namespace {

// The 32-bit argument slots of a parameter list: one per argument, every
// argument being a 32-bit value or a pointer.
template <class Function>
struct ArgumentSlots;

template <class Result, class... Arguments>
struct ArgumentSlots<Result(Arguments...)> {
    static_assert(((std::is_pointer_v<Arguments> || sizeof(Arguments) == 4) && ...),
                  "every export argument takes one 32-bit slot");
    static constexpr int value = static_cast<int>(sizeof...(Arguments));
};

template <class Function>
bool ResolveOne(const DynamicLibrary& library, Function& target, const char* function, int slots,
                const ExportReport& report) {
    target = library.Export<Function>(function, slots);
    if (report) report(ExportName(function, slots), target != nullptr);
    return target != nullptr;
}

}  // namespace

bool ResolveOrvaneExports(const DynamicLibrary& library, OrvaneExports& exports, const ExportReport& report) {
    bool all = true;
#define HOSTLOADER_RESOLVE(result, name, failure, params, args) \
    all &= ResolveOne(library, exports.name, #name, ArgumentSlots<result params>::value, report);
    ORVANE_EXPORT_LIST(HOSTLOADER_RESOLVE)
#undef HOSTLOADER_RESOLVE
    return all;
}

}  // namespace hostloader
