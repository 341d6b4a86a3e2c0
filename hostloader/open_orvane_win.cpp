#include "open_orvane.hpp"
#include "search_path_win.hpp"

namespace hostloader {

std::string SdkFileName() { return "HCNetSDK.dll"; }

bool OpenOrvaneLib(DynamicLibrary& library, std::string& error) {
    if (library.Open(LibraryFileName(), error)) return true;
    // The loader says "module not found" (126) alike for the DLL and for a DLL it
    // imports; with the library itself found, the SDK is the usual culprit.
    const std::string libraryPath = FindOnSearchPath(LibraryFileName());
    if (!libraryPath.empty() && FindOnSearchPath(SdkFileName()).empty()) {
        error = "the camera SDK " + SdkFileName() + ", which " + libraryPath +
                " needs, was not found: looked in " + SystemSearchDescription();
    }
    return false;
}

}  // namespace hostloader
