// What each export does once its arguments are in: one function per export in
// the export list, with the export's name and parameters after the library
// state. The wrappers in exports.cpp call them and keep anything thrown from
// crossing into the host; the bodies live in export_bodies.cpp.
#pragma once

#include "OrvaneLib.h"
#include "core/library_state.hpp"
#include "orvane_export_list.h"

#define ORVANE_UNPACK(...) __VA_ARGS__
// "(state, a, b)" from the state and the list's "(a, b)", also when the list is
// empty: ORVANE_WITH_STATE(library, ORVANE_UNPACK args).
#define ORVANE_WITH_STATE(...) ORVANE_WITH_STATE_EXPANDED(__VA_ARGS__)
#define ORVANE_WITH_STATE_EXPANDED(state, ...) (state __VA_OPT__(, ) __VA_ARGS__)

namespace orvane::exports {

#define ORVANE_DECLARE_BODY(result, name, failure, params, args) \
    result name ORVANE_WITH_STATE(LibraryState& library, ORVANE_UNPACK params);
ORVANE_EXPORT_LIST(ORVANE_DECLARE_BODY)
#undef ORVANE_DECLARE_BODY

}  // namespace orvane::exports
