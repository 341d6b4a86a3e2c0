// The library's exports and its one state object. The state is constructed when
// the library is loaded (before any export can run) and ended when it is
// unloaded or the process ends (see LoadedLibrary). Every export is a wrapper made from the export
// list: it runs the export's body with the state through the export gate and
// turns anything thrown into the export's failure value, so that nothing
// crosses into the host.
#include <new>
#include <type_traits>

#include "OrvaneLib.h"
#include "core/argument_bytes.hpp"
#include "core/export_guard.hpp"
#include "core/library_state.hpp"
#include "core/platform/process_end.hpp"
#include "core/platform/sdk_binding.hpp"
#include "exports/export_bodies.hpp"
#include "orvane_export_list.h"

namespace {

constinit orvane::ExportGate gate;

// Holds the state in storage of its own, so that the end can choose whether to
// release it:
//   - the system ended the other threads first (Windows, at process end): any of
//     them may have died holding a lock, so the end takes none; the SDK is shut
//     down and the live subscriptions stopped, and the memory is left to the
//     process's end;
//   - a call is still inside an export after the drain limit (Linux, at exit(),
//     blocked in the SDK): nothing more is called in the SDK, the SDK stays
//     mapped and the state's memory is never released, so that the call returns
//     into code and memory that are still there;
//   - otherwise (every call left, or no call can be running: a drain limit of
//     zero) the state is destroyed.
class LoadedLibrary {
public:
    LoadedLibrary() { new (storage_) orvane::LibraryState(orvane::sdk::ShippedSdk()); }
    ~LoadedLibrary() {
        if (orvane::platform::OtherThreadsEnded()) {
            gate.Close();
            State().EndWithThreadsEnded();
            return;
        }
        const auto limit = orvane::platform::ExportDrainLimit();
        if (gate.CloseAndDrain(limit) || limit.count() == 0) {
            State().~LibraryState();
        } else {
            State().EndWithCallInside();
            orvane::sdk::KeepSdkMapped();
        }
    }
    LoadedLibrary(const LoadedLibrary&) = delete;
    LoadedLibrary& operator=(const LoadedLibrary&) = delete;

    orvane::LibraryState& State() noexcept {
        return *std::launder(reinterpret_cast<orvane::LibraryState*>(storage_));
    }

private:
    alignas(orvane::LibraryState) unsigned char storage_[sizeof(orvane::LibraryState)];
};

LoadedLibrary library;

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

#define ORVANE_DEFINE_EXPORT(result, name, failure, params, args)                                \
    result ORVANE_CALL name params {                                                             \
        return orvane::GatedExport<result>(gate, failure, [&] {                                  \
            return orvane::exports::name ORVANE_WITH_STATE(library.State(), ORVANE_UNPACK args); \
        });                                                                                      \
    }
ORVANE_EXPORT_LIST(ORVANE_DEFINE_EXPORT)
#undef ORVANE_DEFINE_EXPORT

}  // extern "C"
