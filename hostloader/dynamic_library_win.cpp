#include <windows.h>

#include "dynamic_library.hpp"

namespace hostloader {

std::string LibraryFileName() { return "OrvaneLib.dll"; }

std::string ExportName(const std::string& function, int argumentSlots) {
    return "_" + function + "@" + std::to_string(argumentSlots * 4);
}

bool DynamicLibrary::Open(const std::string& fileName, std::string& error) {
    Close();
    handle_ = reinterpret_cast<void*>(::LoadLibraryA(fileName.c_str()));
    if (handle_ == nullptr) {
        error = "LoadLibrary failed with error " + std::to_string(::GetLastError());
        return false;
    }
    return true;
}

void* DynamicLibrary::Symbol(const std::string& name) const {
    if (handle_ == nullptr) return nullptr;
    return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(handle_), name.c_str()));
}

void DynamicLibrary::Close() {
    if (handle_ != nullptr) ::FreeLibrary(static_cast<HMODULE>(handle_));
    handle_ = nullptr;
}

}  // namespace hostloader
