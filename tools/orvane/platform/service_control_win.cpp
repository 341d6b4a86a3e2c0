#include <windows.h>

#include <shlobj.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include "command_line_win.hpp"
#include "service_control.hpp"
#include "terminal.hpp"

namespace orvane_cli::platform {
namespace {

// How long the service control manager waits for the next report: a start
// loads the library and reads the files; a step of a stop ends one camera's
// subscriptions and login, which a camera gone from the network can hold up
// for the SDK's connect timeout.
constexpr DWORD kStartWaitHint = 30000;
constexpr DWORD kStopStepWaitHint = 15000;

std::string ErrorText(DWORD error) {
    wchar_t* text = nullptr;
    std::string out = "system error " + std::to_string(error);
    if (::FormatMessageW(
            FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
            nullptr, error, 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr) != 0 &&
        text != nullptr) {
        std::string said = Utf8FromWide(text);
        ::LocalFree(text);
        while (!said.empty() && (said.back() == '\n' || said.back() == '\r' || said.back() == '.'))
            said.pop_back();
        if (!said.empty()) out += ": " + said;
    }
    return out;
}

class ScHandle {
public:
    explicit ScHandle(SC_HANDLE handle) : handle_(handle) {}
    ~ScHandle() {
        if (handle_ != nullptr) ::CloseServiceHandle(handle_);
    }
    ScHandle(const ScHandle&) = delete;
    ScHandle& operator=(const ScHandle&) = delete;
    operator SC_HANDLE() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

private:
    SC_HANDLE handle_;
};

ServiceControlResult Failed(DWORD error, const std::string& what) {
    if (error == ERROR_ACCESS_DENIED) {
        return {ServiceControlResult::kNoRights,
                what +
                    ": access denied; it needs administrator rights: run it from a command prompt "
                    "started with \"Run as administrator\"",
                {}};
    }
    return {ServiceControlResult::kFailed, what + ": " + ErrorText(error), {}};
}

std::wstring OwnProgramPath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

// The run under the service control manager; its reports go out one at a time.
struct ServiceRun {
    std::wstring name;
    const std::function<int()>* body = nullptr;
    int exitCode = 0;
    std::mutex mutex;
    SERVICE_STATUS_HANDLE handle = nullptr;
    SERVICE_STATUS status{};

    // A pending state's checkpoint grows with each report; the others have none.
    void Report(DWORD state, DWORD waitHint, int code = 0) {
        const std::lock_guard lock(mutex);
        if (handle == nullptr || status.dwCurrentState == SERVICE_STOPPED) return;
        const bool pending = state == SERVICE_START_PENDING || state == SERVICE_STOP_PENDING;
        status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
        status.dwCheckPoint = pending ? (status.dwCurrentState == state ? status.dwCheckPoint + 1 : 1) : 0;
        status.dwCurrentState = state;
        status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN |
                                                                   SERVICE_ACCEPT_PRESHUTDOWN
                                                             : 0;
        status.dwWaitHint = waitHint;
        status.dwWin32ExitCode = code == 0 ? NO_ERROR : ERROR_SERVICE_SPECIFIC_ERROR;
        status.dwServiceSpecificExitCode = static_cast<DWORD>(code);
        ::SetServiceStatus(handle, &status);
    }
    DWORD State() {
        const std::lock_guard lock(mutex);
        return status.dwCurrentState;
    }
};

// Set while a run is under way: its reports come from serve's own thread, and
// the manager's requests on a thread of the dispatcher.
std::atomic<ServiceRun*> activeRun{nullptr};

DWORD WINAPI OnServiceControl(DWORD control, DWORD, void*, void* context) {
    auto& run = *static_cast<ServiceRun*>(context);
    switch (control) {
        case SERVICE_CONTROL_STOP:
        case SERVICE_CONTROL_SHUTDOWN:
        case SERVICE_CONTROL_PRESHUTDOWN:
            run.Report(SERVICE_STOP_PENDING, kStopStepWaitHint);
            // The same clean stop as the console's Ctrl+C.
            RequestInterrupt();
            return NO_ERROR;
        case SERVICE_CONTROL_INTERROGATE:
            return NO_ERROR;
        default:
            return ERROR_CALL_NOT_IMPLEMENTED;
    }
}

void WINAPI ServiceMain(DWORD, LPWSTR*) {
    ServiceRun& run = *activeRun.load();
    run.handle = ::RegisterServiceCtrlHandlerExW(run.name.c_str(), OnServiceControl, &run);
    if (run.handle == nullptr) {
        run.exitCode = 1;
        return;
    }
    run.Report(SERVICE_START_PENDING, kStartWaitHint);
    run.exitCode = (*run.body)();
    run.Report(SERVICE_STOPPED, 0, run.exitCode);
}

}  // namespace

ServiceControlResult ServiceControlSupport() { return {}; }

ServiceControlResult InstallService(const ServiceDefinition& definition) {
    const ScHandle manager(
        ::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT | SC_MANAGER_CREATE_SERVICE));
    if (!manager) return Failed(::GetLastError(), "cannot open the service control manager");
    const std::wstring name = WideFromUtf8(definition.name);
    const std::wstring displayName = WideFromUtf8(definition.displayName);
    const std::wstring commandLine =
        QuotedArgument(OwnProgramPath()) + L" " + CommandLineOf(definition.arguments);
    // LocalService takes an empty password.
    const ScHandle service(::CreateServiceW(manager, name.c_str(), displayName.c_str(),
                                            SERVICE_CHANGE_CONFIG | SERVICE_START, SERVICE_WIN32_OWN_PROCESS,
                                            SERVICE_AUTO_START, SERVICE_ERROR_NORMAL, commandLine.c_str(),
                                            nullptr, nullptr, nullptr, L"NT AUTHORITY\\LocalService", L""));
    if (!service) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_SERVICE_EXISTS || error == ERROR_DUPLICATE_SERVICE_NAME) {
            return {ServiceControlResult::kExists,
                    "a service named " + definition.name + " (or shown as \"" + definition.displayName +
                        "\") exists already: remove it with orvane service uninstall --name " +
                        definition.name + ", or give another --name",
                    {}};
        }
        return Failed(error, "cannot create the service " + definition.name);
    }
    ServiceControlResult result;
    const auto configure = [&](DWORD level, void* information, const std::string& what) {
        if (::ChangeServiceConfig2W(service, level, information) == 0)
            result.warnings.push_back("cannot set " + what + ": " + ErrorText(::GetLastError()));
    };
    std::wstring description = WideFromUtf8(definition.description);
    SERVICE_DESCRIPTIONW describe{description.data()};
    configure(SERVICE_CONFIG_DESCRIPTION, &describe, "its description");
    SC_ACTION restarts[] = {
        {SC_ACTION_RESTART, 10000}, {SC_ACTION_RESTART, 60000}, {SC_ACTION_RESTART, 300000}};
    SERVICE_FAILURE_ACTIONSW failureActions{24 * 60 * 60, nullptr, nullptr, 3, restarts};
    configure(SERVICE_CONFIG_FAILURE_ACTIONS, &failureActions, "its restart on failure");
    SERVICE_FAILURE_ACTIONS_FLAG afterErrors{TRUE};
    configure(SERVICE_CONFIG_FAILURE_ACTIONS_FLAG, &afterErrors, "its restart after a stop with an error");
    SERVICE_SID_INFO sidType{SERVICE_SID_TYPE_UNRESTRICTED};
    configure(SERVICE_CONFIG_SERVICE_SID_INFO, &sidType, "its own account NT SERVICE\\" + definition.name);
    return result;
}

ServiceControlResult UninstallService(const std::string& name, int stopBound) {
    const ScHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager) return Failed(::GetLastError(), "cannot open the service control manager");
    const ScHandle service(
        ::OpenServiceW(manager, WideFromUtf8(name).c_str(), SERVICE_STOP | SERVICE_QUERY_STATUS | DELETE));
    if (!service) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_SERVICE_DOES_NOT_EXIST)
            return {ServiceControlResult::kMissing, "there is no service named " + name, {}};
        return Failed(error, "cannot open the service " + name);
    }
    ServiceControlResult result;
    SERVICE_STATUS status{};
    if (::QueryServiceStatus(service, &status) != 0 && status.dwCurrentState != SERVICE_STOPPED) {
        // Waited for when it stops, or is about to be able to (a start or stop in progress).
        bool stopping = true;
        if (status.dwCurrentState != SERVICE_STOP_PENDING &&
            ::ControlService(service, SERVICE_CONTROL_STOP, &status) == 0) {
            const DWORD error = ::GetLastError();
            stopping = error == ERROR_SERVICE_CANNOT_ACCEPT_CTRL;
            if (error != ERROR_SERVICE_NOT_ACTIVE && !stopping)
                result.warnings.push_back("cannot stop it: " + ErrorText(error));
        }
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::seconds(stopping ? stopBound : 0);
        while (status.dwCurrentState != SERVICE_STOPPED && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(250));
            if (::QueryServiceStatus(service, &status) == 0) break;
            // A start that was in progress has ended: now it takes the stop.
            if (status.dwCurrentState == SERVICE_RUNNING)
                ::ControlService(service, SERVICE_CONTROL_STOP, &status);
        }
        if (status.dwCurrentState != SERVICE_STOPPED && stopping)
            result.warnings.push_back("it had not stopped after " + std::to_string(stopBound) +
                                      " s: it is removed once it has");
    }
    if (::DeleteService(service) == 0) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_SERVICE_MARKED_FOR_DELETE)
            return {ServiceControlResult::kMissing, "the service " + name + " is already being removed", {}};
        return Failed(error, "cannot remove the service " + name);
    }
    return result;
}

bool RunAsService(const std::string& name, const std::function<int()>& body, int& exitCode,
                  std::string& error) {
    ServiceRun run;
    run.name = WideFromUtf8(name);
    run.body = &body;
    activeRun.store(&run);
    SERVICE_TABLE_ENTRYW table[] = {{run.name.data(), ServiceMain}, {nullptr, nullptr}};
    const BOOL dispatched = ::StartServiceCtrlDispatcherW(table);
    const DWORD failure = ::GetLastError();
    activeRun.store(nullptr);
    if (dispatched == 0) {
        error =
            failure == ERROR_FAILED_SERVICE_CONTROLLER_CONNECT
                ? "service run is for the service control manager to start; in a console, run orvane serve"
                : "cannot reach the service control manager: " + ErrorText(failure);
        return false;
    }
    exitCode = run.exitCode;
    return true;
}

bool RunningAsService() { return activeRun.load() != nullptr; }

void ServiceListening() {
    if (ServiceRun* run = activeRun.load(); run != nullptr && run->State() == SERVICE_START_PENDING)
        run->Report(SERVICE_RUNNING, 0);
}

void ServiceStopProgress() {
    if (ServiceRun* run = activeRun.load()) run->Report(SERVICE_STOP_PENDING, kStopStepWaitHint);
}

std::string DefaultServiceLogFile() {
    ServiceRun* run = activeRun.load();
    if (run == nullptr) return "";
    wchar_t programData[MAX_PATH] = L"C:\\ProgramData";
    ::SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, programData);
    const std::wstring folder = std::wstring(programData) + L"\\Orvane";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    return Utf8FromWide(folder + L"\\" + run->name + L".log");
}

}  // namespace orvane_cli::platform
