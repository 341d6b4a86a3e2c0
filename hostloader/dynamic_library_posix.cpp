#include <dlfcn.h>

#include "dynamic_library.hpp"

namespace hostloader {

std::string LibraryFileName() { return "libOrvaneLib.so"; }

std::string ExportName(const std::string& function, int) { return function; }

bool DynamicLibrary::Open(const std::string& fileName, std::string& error) {
    Close();
    handle_ = ::dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL);
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
