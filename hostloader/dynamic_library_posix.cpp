#include <dlfcn.h>
#include <unistd.h>

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

}  // namespace

std::string LibraryFileName() { return "libOrvaneLib.so"; }

std::string ExportName(const std::string& function, int) { return function; }

bool DynamicLibrary::Open(const std::string& fileName, std::string& error) {
    Close();
    // Like Windows, look beside the program first, then where the system looks.
    if (fileName.find('/') == std::string::npos) {
        handle_ = ::dlopen((ProgramFolder() + fileName).c_str(), RTLD_NOW | RTLD_LOCAL);
    }
    if (handle_ == nullptr) handle_ = ::dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
        const char* reason = ::dlerror();
        error = reason != nullptr ? reason : "unknown error";
        return false;
    }
    return true;
}

void* DynamicLibrary::Symbol(const std::string& name) const {
    return handle_ == nullptr ? nullptr : ::dlsym(handle_, name.c_str());
}

void DynamicLibrary::Close() {
    if (handle_ != nullptr) ::dlclose(handle_);
    handle_ = nullptr;
}

}  // namespace hostloader
