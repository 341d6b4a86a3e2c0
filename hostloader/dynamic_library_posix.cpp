#include <dlfcn.h>
#include <unistd.h>

#include <vector>

#include "dynamic_library.hpp"

namespace hostloader {
namespace {

// The folder of the running program, with a trailing slash, or "" if unknown.
std::string ProgramFolder() {
    char path[4096];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return "";
    const std::string program(path, static_cast<size_t>(length));
    return program.substr(0, program.rfind('/') + 1);
}

// The loader's reason for the latest failure.
std::string LoaderError() {
    const char* reason = ::dlerror();
    return reason != nullptr ? reason : "unknown error";
}

}  // namespace

std::string LibraryFileName() { return "libOrvaneLib.so"; }

std::string ExportName(const std::string& function, int) { return function; }

std::string SystemSearchDescription() {
    return "the dynamic loader's search path (LD_LIBRARY_PATH, /etc/ld.so.cache, /lib, /usr/lib)";
}

bool DynamicLibrary::Open(const std::string& fileName, std::string& error) {
    Close();
    // Like Windows, look beside the program first, then in ../lib (a release
    // tree's bin/ and lib/), then where the system looks.
    std::vector<std::string> folders;
    if (fileName.find('/') == std::string::npos) {
        const std::string program = ProgramFolder();
        if (!program.empty()) folders = {program, program + "../lib/"};
    }
    for (const std::string& folder : folders) {
        const std::string path = folder + fileName;
        if (::access(path.c_str(), F_OK) != 0) continue;
        handle_ = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle_ != nullptr) return true;
        error = LoaderError();
        return false;
    }
    handle_ = ::dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ != nullptr) return true;
    error = LoaderError();
    if (error.find("No such file") != std::string::npos) {
        std::string looked;
        for (const std::string& folder : folders) looked += folder + ", ";
        error = fileName + " was not found: looked in " + looked + "and " + SystemSearchDescription();
    }
    return false;
}

void* DynamicLibrary::Symbol(const std::string& name) const {
    return handle_ == nullptr ? nullptr : ::dlsym(handle_, name.c_str());
}

void DynamicLibrary::Close() {
    if (handle_ != nullptr) ::dlclose(handle_);
    handle_ = nullptr;
}

}  // namespace hostloader
