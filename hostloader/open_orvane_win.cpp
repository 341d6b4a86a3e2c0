#include <windows.h>

#include "open_orvane.hpp"
#include "sdk_load_failure.hpp"
#include "search_path_win.hpp"

namespace hostloader {

std::string SdkFileName() { return "HCNetSDK.dll"; }

bool OpenOrvaneLib(DynamicLibrary& library, std::string& error) {
    if (library.Open(LibraryFileName(), error)) return true;
    SdkSearchFacts facts;
    facts.library = LibraryFileName();
    facts.sdk = SdkFileName();
    facts.libraryPath = FindOnSearchPath(facts.library);
    facts.sdkPath = FindOnSearchPath(facts.sdk);
    const std::string folder = facts.libraryPath.substr(0, facts.libraryPath.find_last_of("\\/") + 1);
    facts.sdkBesideLibrary = !facts.libraryPath.empty() &&
                             ::GetFileAttributesA((folder + facts.sdk).c_str()) != INVALID_FILE_ATTRIBUTES;
    facts.searched = SystemSearchDescription();
    // Only "module not found" can mean the SDK; any other error stays as Open said.
    if (library.LastErrorCode() != ERROR_MOD_NOT_FOUND) return false;
    const std::string reason = DescribeSdkLoadFailure(facts);
    if (!reason.empty()) error = reason;
    return false;
}

}  // namespace hostloader
