// A host program that uses OrvaneLib the way an integrator's application does:
// it loads the library by name, resolves its exports and walks through them
// against the simulated camera of the stand-in SDK, saying what happens.
#include <cstdio>
#include <string>

#include "demo_steps.hpp"
#include "open_orvane.hpp"

int main() {
    hostloader::DynamicLibrary library;
    std::string error;
    std::printf("Loading %s ...\n", hostloader::LibraryFileName().c_str());
    if (!hostloader::OpenOrvaneLib(library, error)) {
        std::printf("Could not load the library: %s\n", error.c_str());
        return 1;
    }
    demo::Exports exports;
    if (!demo::ResolveExports(library, exports)) return 1;

    const int32_t userId = demo::LogIn(exports);
    if (userId < 0) return 1;
    demo::SteerCamera(exports, userId);
    demo::WatchThermometry(exports, userId);
    demo::WatchRules(exports);
    demo::LogOut(exports, userId);
    demo::BindChildProcess(exports);

    std::printf("Unloading the library; it shuts the SDK down.\n");
    library.Close();
    std::printf("Done.\n");
    return 0;
}
