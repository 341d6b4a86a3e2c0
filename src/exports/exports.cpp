// The library's exports and its one state object. The state is constructed when
// the library is loaded (before any export can run) and destroyed when it is
// unloaded. Every export is a wrapper made from the export list: it runs the
// export's body with the state and turns anything thrown into the export's
// failure value, so that nothing crosses into the host.
#include <type_traits>

#include "OrvaneLib.h"
#include "core/argument_bytes.hpp"
#include "core/export_guard.hpp"
#include "core/library_state.hpp"
#include "exports/export_bodies.hpp"
#include "orvane_export_list.h"

namespace {

orvane::LibraryState library(orvane::sdk::importedSdk());

}  // namespace

// The list and the header must agree exactly: each listed export has the type
// of the header's prototype and of its NameFn typedef, and the decorated name's
// byte count is that of its parameters.
#define ORVANE_CHECK_EXPORT(result, name, failure, params, args)                           \
    static_assert(std::is_same_v<decltype(&name), result(ORVANE_CALL*) params>,            \
                  "the export list's " #name " differs from its prototype in the header"); \
    static_assert(std::is_same_v<decltype(&name), name##Fn>,                               \
                  "the header's " #name "Fn differs from its prototype");                  \
    static_assert(orvane::ArgumentBytes<result params> == ORVANE_ARGUMENT_BYTES_##name,    \
                  "the decorated name of " #name " does not match its parameters");
ORVANE_EXPORT_LIST(ORVANE_CHECK_EXPORT)
#undef ORVANE_CHECK_EXPORT

extern "C" {

#define ORVANE_DEFINE_EXPORT(result, name, failure, params, args)                                           \
    result ORVANE_CALL name params {                                                                        \
        return orvane::GuardExport<result>(                                                                 \
            failure, [&] { return orvane::exports::name ORVANE_WITH_STATE(library, ORVANE_UNPACK args); }); \
    }
ORVANE_EXPORT_LIST(ORVANE_DEFINE_EXPORT)
#undef ORVANE_DEFINE_EXPORT

}  // extern "C"
