// Job binding with real processes and real job objects, one scenario per run of
// this host program, so that every scenario starts in a fresh host:
//   job_scenario same-child      103 then 31 for one child, 79 for a second child
//   job_scenario no-process      36 for an ID naming no process (the job is created
//                                with kill-on-close), 4 for the next such ID, and
//                                79 for a child
//   job_scenario in-other-job    119 for a child that already runs in another job
//   job_scenario ends-with-host  an inner host binds a child (103) and exits; the
//                                child must end with it
//   job_scenario failed-first-call-ends-with-host
//                                an inner host's first call names no process (36),
//                                then it binds a child (79) and exits; the child
//                                must end with it
//   job_scenario other-job-ends-with-host
//                                an inner host binds a child that runs in another
//                                job (119) and exits; the child must end with it
//   job_scenario survives-host   the job exists already, created by this program
//                                without the limit; an inner host binds a child
//                                (79) and exits; the child must outlive it
//   job_scenario bind PID R...   (inner host) calls JobAssign for PID, then for
//                                the processes given by the following results
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "OrvaneLib.h"
#include "dynamic_library.hpp"

namespace {

// A process ID no process has: system IDs are multiples of 4 far below this.
constexpr uint32_t kNoSuchProcess = 0x7FFFFFF1u;

std::wstring ProgramFolder() {
    wchar_t path[MAX_PATH];
    const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring program(path, length);
    return program.substr(0, program.rfind(L'\\') + 1);
}

// A started child program, ended (if still running) when this goes.
class Child {
public:
    explicit Child(const std::wstring& commandLine) {
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        std::wstring line = commandLine;
        if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                              &info_)) {
            std::printf("could not start a child (error %lu)\n", ::GetLastError());
            info_ = PROCESS_INFORMATION{};
        }
    }
    ~Child() {
        if (info_.hProcess == nullptr) return;
        ::TerminateProcess(info_.hProcess, 1);
        ::WaitForSingleObject(info_.hProcess, 10000);
        ::CloseHandle(info_.hThread);
        ::CloseHandle(info_.hProcess);
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    bool Started() const { return info_.hProcess != nullptr; }
    uint32_t Id() const { return info_.dwProcessId; }
    HANDLE Process() const { return info_.hProcess; }
    // True when the child ends within the time given.
    bool EndsWithin(DWORD milliseconds) const {
        return ::WaitForSingleObject(info_.hProcess, milliseconds) == WAIT_OBJECT_0;
    }
    DWORD ExitCode() const {
        DWORD code = 0;
        ::GetExitCodeProcess(info_.hProcess, &code);
        return code;
    }

private:
    PROCESS_INFORMATION info_{};
};

std::wstring SleeperCommand() { return L"\"" + ProgramFolder() + L"job_sleeper.exe\""; }

// A job of that name stays openable for a moment after the processes that held
// or were in it end; a scenario that needs to create it waits until it is gone.
bool WaitUntilJobNameIsFree() {
    for (int attempt = 0; attempt < 300; ++attempt) {
        HANDLE job = ::OpenJobObjectW(JOB_OBJECT_QUERY, FALSE, L"OrvaneJob");
        if (job == nullptr) return true;
        ::CloseHandle(job);
        ::Sleep(100);
    }
    std::printf("the job OrvaneJob still exists after 30 s\n");
    return false;
}

bool LoadJobAssign(hostloader::DynamicLibrary& library, JobAssignFn& jobAssign) {
    std::string error;
    if (!library.Open(hostloader::LibraryFileName(), error)) {
        std::printf("could not load the library: %s\n", error.c_str());
        return false;
    }
    jobAssign = library.Export<JobAssignFn>("JobAssign", 1);
    if (jobAssign == nullptr) std::printf("_JobAssign@4 is not exported\n");
    return jobAssign != nullptr;
}

bool Expect(JobAssignFn jobAssign, uint32_t processId, uint32_t expected, const char* what) {
    const uint32_t result = jobAssign(processId);
    std::printf("%s: JobAssign(%u) = %u, expected %u\n", what, processId, result, expected);
    return result == expected;
}

bool SameChild() {
    Child first(SleeperCommand());
    Child second(SleeperCommand());
    hostloader::DynamicLibrary library;
    JobAssignFn jobAssign = nullptr;
    if (!first.Started() || !second.Started() || !LoadJobAssign(library, jobAssign)) return false;
    bool ok = Expect(jobAssign, first.Id(), 103, "first child, new job");
    ok = Expect(jobAssign, first.Id(), 31, "same child again") && ok;
    ok = Expect(jobAssign, second.Id(), 79, "second child") && ok;
    BOOL inJob = FALSE;
    ::IsProcessInJob(second.Process(), nullptr, &inJob);
    if (inJob == FALSE) std::printf("the second child is not in a job\n");
    return ok && inJob != FALSE;
}

bool NoProcess() {
    Child child(SleeperCommand());
    hostloader::DynamicLibrary library;
    JobAssignFn jobAssign = nullptr;
    if (!child.Started() || !LoadJobAssign(library, jobAssign)) return false;
    bool ok = Expect(jobAssign, kNoSuchProcess, 36, "no such process, new job");
    ok = Expect(jobAssign, 0, 4, "process ID 0") && ok;
    ok = Expect(jobAssign, child.Id(), 79, "a child") && ok;
    return ok;
}

// An unnamed job without limits, holding the child; nullptr on failure.
HANDLE PutIntoOtherJob(const Child& child) {
    HANDLE otherJob = ::CreateJobObjectW(nullptr, nullptr);
    if (otherJob == nullptr || !::AssignProcessToJobObject(otherJob, child.Process())) {
        std::printf("could not put the child into an unnamed job (error %lu)\n", ::GetLastError());
        return nullptr;
    }
    return otherJob;
}

bool InOtherJob() {
    Child child(SleeperCommand());
    hostloader::DynamicLibrary library;
    JobAssignFn jobAssign = nullptr;
    if (!child.Started() || !LoadJobAssign(library, jobAssign)) return false;
    HANDLE otherJob = PutIntoOtherJob(child);
    if (otherJob == nullptr) return false;
    const bool ok = Expect(jobAssign, child.Id(), 119, "child already in another job");
    ::CloseHandle(otherJob);
    return ok;
}

// Runs this program as an inner host that binds the child and then exits; true
// when the inner host reported what it expected.
bool RunInnerHost(const std::wstring& arguments) {
    Child inner(L"\"" + ProgramFolder() + L"job_scenario.exe\" bind " + arguments);
    if (!inner.Started()) return false;
    if (!inner.EndsWithin(60000)) {
        std::printf("the inner host did not end\n");
        return false;
    }
    return inner.ExitCode() == 0;
}

bool EndsWithHost() {
    Child child(SleeperCommand());
    if (!child.Started() || !RunInnerHost(std::to_wstring(child.Id()) + L" 103")) return false;
    if (!child.EndsWithin(20000)) {
        std::printf("the child still runs 20 s after the host that created the job ended\n");
        return false;
    }
    std::printf("the child ended with the host\n");
    return true;
}

bool FailedFirstCallEndsWithHost() {
    Child child(SleeperCommand());
    const std::wstring arguments =
        std::to_wstring(kNoSuchProcess) + L" 36 " + std::to_wstring(child.Id()) + L" 79";
    if (!child.Started() || !RunInnerHost(arguments)) return false;
    if (!child.EndsWithin(20000)) {
        std::printf("the child still runs 20 s after the host whose first call failed ended\n");
        return false;
    }
    std::printf("the child ended with the host\n");
    return true;
}

bool OtherJobEndsWithHost() {
    Child child(SleeperCommand());
    if (!child.Started()) return false;
    HANDLE otherJob = PutIntoOtherJob(child);
    if (otherJob == nullptr || !RunInnerHost(std::to_wstring(child.Id()) + L" 119")) return false;
    const bool ended = child.EndsWithin(20000);
    ::CloseHandle(otherJob);
    std::printf(ended ? "the child ended with the host\n"
                      : "the child in another job still runs 20 s after the host ended\n");
    return ended;
}

bool SurvivesHost() {
    Child child(SleeperCommand());
    // A job of that name that someone else created, without the limit: the
    // library must leave its limits alone.
    HANDLE foreignJob = ::CreateJobObjectW(nullptr, L"OrvaneJob");
    if (foreignJob == nullptr || !child.Started() || !RunInnerHost(std::to_wstring(child.Id()) + L" 79")) {
        return false;
    }
    // With this last handle closed, a limit set by the inner host would end the child.
    ::CloseHandle(foreignJob);
    if (child.EndsWithin(3000)) {
        std::printf("the child ended although its job carries no kill-on-close limit\n");
        return false;
    }
    std::printf("the child outlived the host, as the existing job has no kill-on-close limit\n");
    return true;
}

// The inner host: pairs of process ID and expected result.
bool Bind(int count, char** pairs) {
    hostloader::DynamicLibrary library;
    JobAssignFn jobAssign = nullptr;
    if (count < 2 || count % 2 != 0 || !LoadJobAssign(library, jobAssign)) return false;
    bool ok = true;
    for (int i = 0; i < count; i += 2) {
        const auto processId = static_cast<uint32_t>(std::strtoul(pairs[i], nullptr, 10));
        const auto expected = static_cast<uint32_t>(std::strtoul(pairs[i + 1], nullptr, 10));
        ok = Expect(jobAssign, processId, expected, "inner host") && ok;
    }
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    if (argc < 2) return 2;
    const std::string scenario = argv[1];
    if (scenario == "bind") return Bind(argc - 2, argv + 2) ? 0 : 1;
    if (!WaitUntilJobNameIsFree()) return 1;
    bool ok = false;
    if (scenario == "same-child")
        ok = SameChild();
    else if (scenario == "no-process")
        ok = NoProcess();
    else if (scenario == "in-other-job")
        ok = InOtherJob();
    else if (scenario == "ends-with-host")
        ok = EndsWithHost();
    else if (scenario == "failed-first-call-ends-with-host")
        ok = FailedFirstCallEndsWithHost();
    else if (scenario == "other-job-ends-with-host")
        ok = OtherJobEndsWithHost();
    else if (scenario == "survives-host")
        ok = SurvivesHost();
    else
        return 2;
    std::printf("%s: %s\n", scenario.c_str(), ok ? "passed" : "FAILED");
    return ok ? 0 : 1;
}
