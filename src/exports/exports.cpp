// The library's exports and its one state object. The state is constructed when
// the library is loaded (before any export can run) and destroyed when it is
// unloaded. Every export is a wrapper made from the export list: it runs the
// export's body with the state and turns anything thrown into the export's
// failure value, so that nothing crosses into the host.
#include "OrvaneLib.h"
#include "core/argument_bytes.hpp"
#include "core/export_guard.hpp"
#include "core/library_state.hpp"
#include "core/platform/sdk_binding.hpp"
#include "exports/export_bodies.hpp"
#include "orvane_argument_bytes.h"

namespace {

orvane::LibraryState library(orvane::sdk::ShippedSdk());

}  // namespace

extern "C" {

#define ORVANE_DEFINE_EXPORT(result, name, failure, params, args)                         \
    static_assert(orvane::ArgumentBytes<result params> == ORVANE_ARGUMENT_BYTES_##name,   \
                  "the decorated name of " #name " does not match its parameters");       \
    result ORVANE_CALL name params {                                                      \
        return orvane::GuardExport<result>(                                               \
            failure, [&] { return orvane::exports::name(library, ORVANE_UNPACK args); }); \
    }
ORVANE_EXPORT_LIST(ORVANE_DEFINE_EXPORT)
#undef ORVANE_DEFINE_EXPORT

}  // extern "C"
