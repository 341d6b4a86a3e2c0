#include <windows.h>

#include <fstream>
#include <iterator>

#include "core/platform/host_run.hpp"

namespace testsupport {

std::string TestFolder() {
    char path[MAX_PATH];
    const DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    const std::string program(path, length);
    return program.substr(0, program.find_last_of("\\/") + 1);
}

HostRun RunHelperProgram(const std::string& name, const std::string& argument, const std::string& variable,
                         const std::string& value, std::chrono::milliseconds limit) {
    HostRun run;
    const auto start = std::chrono::steady_clock::now();
    // The error output goes to a file, read once the program has ended.
    const std::string errorsPath = TestFolder() + name + "-errors.txt";
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    const HANDLE errors = ::CreateFileA(errorsPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                        &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (errors == INVALID_HANDLE_VALUE) return run;
    ::SetEnvironmentVariableA(variable.c_str(), value.c_str());
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = errors;
    startup.hStdError = errors;
    PROCESS_INFORMATION process{};
    std::string commandLine = "\"" + TestFolder() + name + ".exe\" " + argument;
    run.started = ::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                   &startup, &process) != 0;
    ::SetEnvironmentVariableA(variable.c_str(), nullptr);
    ::CloseHandle(errors);
    if (!run.started) return run;
    if (::WaitForSingleObject(process.hProcess, static_cast<DWORD>(limit.count())) != WAIT_OBJECT_0) {
        run.hung = true;
        ::TerminateProcess(process.hProcess, 259);
        ::WaitForSingleObject(process.hProcess, INFINITE);
    }
    DWORD status = 0;
    ::GetExitCodeProcess(process.hProcess, &status);
    run.status = static_cast<int>(status);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    run.duration = std::chrono::steady_clock::now() - start;
    std::ifstream written(errorsPath, std::ios::binary);
    run.errors.assign(std::istreambuf_iterator<char>(written), std::istreambuf_iterator<char>());
    return run;
}

bool LibraryEndAlwaysShutsSdkDown() { return true; }

}  // namespace testsupport
