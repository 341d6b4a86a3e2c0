// The library's exports and its one state object. The state is constructed when
// the library is loaded (before any export can run) and destroyed when it is
// unloaded or the process ends. Every export is a wrapper made from the export
// list: it runs the export's body with the state through the export gate and
// turns anything thrown into the export's failure value, so that nothing
// crosses into the host.
#include <chrono>
#include <new>

#include "OrvaneLib.h"
#include "core/argument_bytes.hpp"
#include "core/export_guard.hpp"
#include "core/library_state.hpp"
#include "exports/export_bodies.hpp"
#include "orvane_argument_bytes.h"

namespace {

constinit orvane::ExportGate gate;

// How long the end of the library waits for calls still inside exports. Calls
// that work in memory leave within microseconds; one blocked in the SDK (a
// login to a camera that does not answer) may not leave at all.
constexpr std::chrono::milliseconds kDrainLimit{1000};

// Holds the state in storage of its own, so that the end can choose whether to
// release it: when a call is still inside an export after the drain limit
// (only at process end, since a host may not call exports while it unloads the
// library), the SDK is shut down as usual but the memory is kept for that call,
// and the process's end releases it.
class LoadedLibrary {
public:
    LoadedLibrary() { new (storage_) orvane::LibraryState(orvane::sdk::importedSdk()); }
    ~LoadedLibrary() {
        if (gate.CloseAndDrain(kDrainLimit)) {
            State().~LibraryState();
        } else {
            State().EndKeepingMemory();
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

extern "C" {

#define ORVANE_DEFINE_EXPORT(result, name, failure, params, args)                                       \
    static_assert(orvane::ArgumentBytes<result params> == ORVANE_ARGUMENT_BYTES_##name,                 \
                  "the decorated name of " #name " does not match its parameters");                     \
    result ORVANE_CALL name params {                                                                    \
        return orvane::GatedExport<result>(                                                             \
            gate, failure, [&] { return orvane::exports::name(library.State(), ORVANE_UNPACK args); }); \
    }
ORVANE_EXPORT_LIST(ORVANE_DEFINE_EXPORT)
#undef ORVANE_DEFINE_EXPORT

}  // extern "C"
