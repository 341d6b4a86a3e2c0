#include <windows.h>

#include "dynamic_library.hpp"
#include "search_path_win.hpp"

namespace hostloader {
namespace {

// A folder the system reports through a call that fills a buffer, or "".
template <class Query>
std::string Folder(Query query) {
    char buffer[MAX_PATH + 1] = {};
    const DWORD length = query(buffer, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::string(buffer, length) : std::string();
}

std::string ProgramFolder() {
    char path[MAX_PATH + 1] = {};
    const DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    const std::string program(path, length < MAX_PATH ? length : 0);
    return program.substr(0, program.find_last_of("\\/") + 1);
}

// The system's text for an error code, without its line break.
std::string ErrorText(DWORD code) {
    char* text = nullptr;
    const DWORD length = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string result = length > 0 ? std::string(text, length) : std::string();
    if (text != nullptr) ::LocalFree(text);
    while (!result.empty() && (result.back() == '\n' || result.back() == '\r' || result.back() == ' ')) {
        result.pop_back();
    }
    return result;
}

}  // namespace

std::string LibraryFileName() { return "OrvaneLib.dll"; }

std::string ExportName(const std::string& function, int argumentSlots) {
    return "_" + function + "@" + std::to_string(argumentSlots * 4);
}

std::string SystemSearchDescription() {
    const std::string system = Folder([](char* b, UINT n) { return ::GetSystemDirectoryA(b, n); });
    const std::string windows = Folder([](char* b, UINT n) { return ::GetWindowsDirectoryA(b, n); });
    const std::string current = Folder([](char* b, DWORD n) { return ::GetCurrentDirectoryA(n, b); });
    return ProgramFolder() + " (the program's folder), " + system + ", " + windows + ", " + current +
           " (the current folder) and the folders on PATH";
}

std::string FindOnSearchPath(const std::string& fileName) {
    char path[MAX_PATH + 1] = {};
    const DWORD length = ::SearchPathA(nullptr, fileName.c_str(), nullptr, MAX_PATH, path, nullptr);
    return length > 0 && length < MAX_PATH ? std::string(path, length) : std::string();
}

bool DynamicLibrary::Open(const std::string& fileName, std::string& error) {
    Close();
    handle_ = reinterpret_cast<void*>(::LoadLibraryA(fileName.c_str()));
    if (handle_ != nullptr) return true;
    const DWORD code = ::GetLastError();
    lastErrorCode_ = code;
    const std::string found = FindOnSearchPath(fileName);
    if (code == ERROR_MOD_NOT_FOUND && found.empty()) {
        error = fileName + " was not found: looked in " + SystemSearchDescription();
    } else {
        error = (found.empty() ? fileName : found) + " cannot be loaded: error " + std::to_string(code) +
                " (" + ErrorText(code) + ")";
    }
    return false;
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
