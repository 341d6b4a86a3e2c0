// Why the camera SDK did not come with OrvaneLib on Windows, where the loader
// reports "module not found" (126) alike for the library, for the SDK it imports
// and for a DLL the SDK imports in turn. Kept apart from the system calls that
// gather the facts, so that every case can be checked on any platform.
#pragma once

#include <string>

namespace hostloader {

struct SdkSearchFacts {
    std::string library;            // OrvaneLib's file name
    std::string sdk;                // the SDK's file name
    std::string libraryPath;        // where the system's search finds the library, or ""
    std::string sdkPath;            // where the system's search finds the SDK, or ""
    bool sdkBesideLibrary = false;  // an SDK file lies in the library's folder
    std::string searched;           // the folders the search covers, in words
};

// The reason to report for a library that failed to load with "module not
// found", or "" when the facts do not point at the SDK (the library itself is
// not where the search looks).
std::string DescribeSdkLoadFailure(const SdkSearchFacts& facts);

}  // namespace hostloader
