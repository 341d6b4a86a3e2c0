// The reason given when OrvaneLib.dll fails to load with "module not found": the
// library itself not found, the SDK missing, the SDK beside the library where
// the loader does not look, or the SDK found without a DLL it needs.
#include <gtest/gtest.h>

#include "sdk_load_failure.hpp"

namespace {

struct Case {
    const char* name;
    const char* libraryPath;
    const char* sdkPath;
    bool sdkBesideLibrary;
    const char* expected;  // "" for no reason of the SDK's
};

TEST(SdkLoadFailure, TellsTheCasesApart) {
    const Case cases[] = {
        {"library not found", "", "", false, ""},
        {"library not found, an SDK beside where it would be", "", "", true, ""},
        {"SDK missing", "C:\\app\\OrvaneLib.dll", "", false,
         "the camera SDK HCNetSDK.dll, which C:\\app\\OrvaneLib.dll needs, was not found: looked in "
         "C:\\app\\ (the program's folder)"},
        {"SDK beside the library, not searched", "C:\\plugins\\bin\\OrvaneLib.dll", "", true,
         "the camera SDK C:\\plugins\\bin\\HCNetSDK.dll lies beside OrvaneLib.dll, but the system does not "
         "look there for the DLLs a library needs: it looked in C:\\app\\ (the program's folder). Put "
         "HCNetSDK.dll in the program's folder, or load OrvaneLib.dll with LoadLibraryExA(path, NULL, "
         "LOAD_WITH_ALTERED_SEARCH_PATH)"},
        {"SDK found, one of its DLLs missing", "C:\\app\\OrvaneLib.dll", "C:\\app\\HCNetSDK.dll", true,
         "the camera SDK C:\\app\\HCNetSDK.dll was found, but a DLL it needs is missing: put the component "
         "DLLs and folders the vendor ships with it beside it"},
    };
    for (const Case& c : cases) {
        hostloader::SdkSearchFacts facts;
        facts.library = "OrvaneLib.dll";
        facts.sdk = "HCNetSDK.dll";
        facts.libraryPath = c.libraryPath;
        facts.sdkPath = c.sdkPath;
        facts.sdkBesideLibrary = c.sdkBesideLibrary;
        facts.searched = "C:\\app\\ (the program's folder)";
        EXPECT_EQ(hostloader::DescribeSdkLoadFailure(facts), c.expected) << c.name;
    }
}

}  // namespace
