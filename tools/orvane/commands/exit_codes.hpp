// The tool's exit codes, as documented in its help text and its manual (docs/orvane.md).
#pragma once

namespace orvane_cli {

enum ExitCode : int {
    kExitOk = 0,
    kExitFailed = 1,       // a camera operation (or a local file) failed
    kExitUsage = 2,        // bad arguments
    kExitLoginFailed = 3,  // the camera refused the login or could not be reached
    kExitNoLibrary = 4,    // the library could not be loaded or lacks an export
    kExitAlarm = 5,        // a recording ran to its end, but an alarm threshold was crossed
    kExitNoRights = 6,     // service install or uninstall without administrator rights
    // Ctrl+C (or a termination request) cut the command short; it still ended
    // cleanly. 128 + SIGINT, as shells report a program that SIGINT ended.
    kExitInterrupted = 130,
};

inline constexpr const char* kExitCodesHelp =
    "Exit codes: 0 success, 1 a camera operation or file failed, 2 bad arguments,\n"
    "3 login failed (wrong user or password, camera unreachable), 4 library not loadable,\n"
    "5 a recording's alarm fired (thermo record --alarm-above/--alarm-below),\n"
    "6 service install/uninstall not run as administrator,\n"
    "130 interrupted by Ctrl+C (after the same clean ending: motion stopped, logged out).\n"
    "orvane run exits with the command's exit code (128 + N when signal N ended it,\n"
    "127 when it could not be started, 1 when it could not be bound).\n"
    "Every command, option and exit code: the manual, docs/orvane.md in the release archive.";

// orvane serve's own: it runs until stopped, and never takes the password on
// its command line.
inline constexpr const char* kServeHelp =
    "The password comes from --password-file, ORVANE_PASSWORD or a prompt, never the command line.\n"
    "-q logs only warnings and errors, -v each attempt too, unless --log.level says otherwise.\n"
    "Exit codes: 0 stopped by a signal (SIGTERM, Ctrl+C), 1 cannot listen, 2 bad arguments,\n"
    "4 library not loadable.\n"
    "Every option: the manual, docs/orvane.md (serve), in the release archive.";

}  // namespace orvane_cli
