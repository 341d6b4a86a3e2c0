// The tool's exit codes, as documented in its help text and the README.
#pragma once

namespace orvane_cli {

enum ExitCode : int {
    kExitOk = 0,
    kExitFailed = 1,       // a camera operation (or a local file) failed
    kExitUsage = 2,        // bad arguments
    kExitLoginFailed = 3,  // the camera refused the login or could not be reached
    kExitNoLibrary = 4,    // the library could not be loaded or lacks an export
};

inline constexpr const char* kExitCodesHelp =
    "Exit codes: 0 success, 1 a camera operation or file failed, 2 bad arguments,\n"
    "3 login failed (wrong user or password, camera unreachable), 4 library not loadable.";

}  // namespace orvane_cli
