#include <dlfcn.h>
#include <unistd.h>

#include "open_orvane.hpp"

namespace hostloader {
namespace {

// The folder of the file a symbol lies in, with a trailing slash, or "".
std::string FolderOf(void* symbol) {
    Dl_info info{};
    if (symbol == nullptr || ::dladdr(symbol, &info) == 0 || info.dli_fname == nullptr) return "";
    const std::string path(info.dli_fname);
    return path.substr(0, path.rfind('/') + 1);
}

// Whether the process already holds the library opened under `name` (a path, or
// a name the loader matched), without loading anything.
bool AlreadyLoaded(const std::string& name) {
    void* handle = ::dlopen(name.c_str(), RTLD_LAZY | RTLD_NOLOAD);
    if (handle == nullptr) return false;
    ::dlclose(handle);
    return true;
}

// Why the SDK did not come with the library: loads it as the library would
// (the file beside it if there is one, else through the loader's search) to
// tell a missing file from one that is not the SDK the library needs.
std::string WhyNoSdk(const std::string& folder) {
    const std::string beside = folder + SdkFileName();
    const bool besideExists = !folder.empty() && ::access(beside.c_str(), F_OK) == 0;
    const std::string name = besideExists ? beside : SdkFileName();
    void* handle = ::dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle != nullptr) {
        ::dlclose(handle);
        return "the camera SDK " + name + " cannot be used: it lacks an operation OrvaneLib calls";
    }
    const char* reason = ::dlerror();
    const std::string why = reason != nullptr ? reason : "";
    if (besideExists || why.find("No such file") == std::string::npos) {
        return "the camera SDK " + name + " cannot be loaded: " + why;
    }
    return "the camera SDK " + SdkFileName() + ", which " + LibraryFileName() +
           " needs, was not found: looked in " +
           (folder.empty() ? "" : folder + " (beside the library) and ") + SystemSearchDescription();
}

}  // namespace

std::string SdkFileName() { return "libHCNetSDK.so"; }

bool OpenOrvaneLib(DynamicLibrary& library, std::string& error) {
    if (!library.Open(LibraryFileName(), error)) return false;
    // The library opens the SDK beside itself first, then through the loader.
    const std::string folder = FolderOf(library.Symbol(ExportName("CamLogin", 5)));
    const std::string beside = folder + SdkFileName();
    if ((!folder.empty() && AlreadyLoaded(beside)) || AlreadyLoaded(SdkFileName())) return true;
    library.Close();
    error = WhyNoSdk(folder);
    return false;
}

}  // namespace hostloader
