#include "sdk_load_failure.hpp"

namespace hostloader {

std::string DescribeSdkLoadFailure(const SdkSearchFacts& facts) {
    if (facts.libraryPath.empty()) return "";
    if (!facts.sdkPath.empty()) {
        return "the camera SDK " + facts.sdkPath + " was found, but a DLL it needs is missing: put the " +
               "component DLLs and folders the vendor ships with it beside it";
    }
    const std::string folder = facts.libraryPath.substr(0, facts.libraryPath.find_last_of("\\/") + 1);
    if (facts.sdkBesideLibrary) {
        // The loader looks for a library's imports beside the program, not beside
        // the library: an SDK there is not missing, only not looked for.
        return "the camera SDK " + folder + facts.sdk + " lies beside " + facts.library +
               ", but the system does not look there for the DLLs a library needs: it looked in " +
               facts.searched + ". Put " + facts.sdk + " in the program's folder, or load " + facts.library +
               " with LoadLibraryExA(path, NULL, LOAD_WITH_ALTERED_SEARCH_PATH)";
    }
    return "the camera SDK " + facts.sdk + ", which " + facts.libraryPath +
           " needs, was not found: looked in " + facts.searched;
}

}  // namespace hostloader
