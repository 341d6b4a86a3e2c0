// Loading OrvaneLib the way a host application does: by file name at run time,
// resolving each export by the name it is exported under.
#pragma once

#include <string>

namespace hostloader {

// The file name of the library on this platform (OrvaneLib.dll, libOrvaneLib.so).
std::string LibraryFileName();
// The name an export is exported under: decorated with its argument bytes on
// 32-bit Windows (_CamLogin@20), plain elsewhere.
std::string ExportName(const std::string& function, int argumentSlots);
// Where the system looks for a library given by name, in words, for messages.
std::string SystemSearchDescription();

class DynamicLibrary {
public:
    DynamicLibrary() = default;
    ~DynamicLibrary() { Close(); }
    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;

    // Loads a library by file name; false with a reason in `error` on failure: a
    // file not found names the places searched.
    bool Open(const std::string& fileName, std::string& error);
    // The address of an exported symbol, or null.
    void* Symbol(const std::string& name) const;
    // Unloads the library, running its unload code.
    void Close();
    bool IsOpen() const { return handle_ != nullptr; }
    // The system's error code of the latest failed Open on Windows (0 elsewhere).
    unsigned long LastErrorCode() const { return lastErrorCode_; }

    // Resolves an export by function name and argument slots as a typed pointer.
    template <class Function>
    Function Export(const std::string& function, int argumentSlots) const {
        return reinterpret_cast<Function>(Symbol(ExportName(function, argumentSlots)));
    }

private:
    void* handle_ = nullptr;
    unsigned long lastErrorCode_ = 0;
};

}  // namespace hostloader
