#include <string>

#include "duration.hpp"
#include "exit_codes.hpp"
#include "password.hpp"
#include "tool.hpp"

namespace orvane_cli {

void AddConnectionOptions(CLI::App& command, Connection& connection) {
    command.add_option("-a,--address", connection.address, "Camera address (or ORVANE_ADDRESS)")
        ->envname("ORVANE_ADDRESS");
    command.add_option("-p,--port", connection.port, "Camera SDK port")
        ->envname("ORVANE_PORT")
        ->check(CLI::Range(1, 65535))
        ->capture_default_str();
    command.add_option("-u,--user", connection.user, "User name (or ORVANE_USER)")
        ->envname("ORVANE_USER")
        ->capture_default_str();
    auto* file = command.add_option("--password-file", connection.passwordFile,
                                    "File whose first line is the password");
    command
        .add_option_function<std::string>(
            "--password",
            [&connection](const std::string& value) {
                connection.password = value;
                connection.passwordGiven = true;
            },
            "Password (visible to other users; prefer --password-file or ORVANE_PASSWORD)")
        ->excludes(file);
}

CLI::Validator DurationValidator() {
    return CLI::Validator(
        [](std::string& text) -> std::string {
            return ParseDuration(text) ? ""
                                       : "not a positive duration such as 1.5s, 200ms, 10m or 1h: " + text;
        },
        "DURATION");
}

int WithLibrary(Output& out, const std::function<int(CameraLibrary&)>& body) {
    CameraLibrary library;
    std::string error;
    if (!library.Load(error)) {
        out.Text("error", error);
        out.Warn(error);
        return kExitNoLibrary;
    }
    out.Flag("failure_text_available", library.HasFailureText());
    return body(library);
}

int WithLogin(Output& out, const Connection& connection,
              const std::function<int(CameraLibrary&, int32_t userId)>& body) {
    if (connection.address.empty()) {
        out.Warn("no camera address: give --address (or ORVANE_ADDRESS)");
        return kExitUsage;
    }
    const auto password = ResolvePassword(out, connection);
    if (!password) return kExitUsage;
    return WithLibrary(out, [&](CameraLibrary& library) {
        const auto& api = library.api();
        const std::string where =
            connection.user + "@" + connection.address + ":" + std::to_string(connection.port);
        const int32_t userId = api.CamLogin(connection.address.c_str(), connection.port,
                                            connection.user.c_str(), password->c_str(), 0);
        if (userId < 0) {
            return out.Fail(kExitLoginFailed, "login to " + where + " failed", library.LastFailure());
        }
        out.Text("camera", where);
        out.Line("Logged in to " + where + " (user ID " + std::to_string(userId) + ")");
        int result = body(library, userId);
        // A command may have been interrupted; the login ends in any case.
        const bool loggedOut = api.CamLogout(userId, 0) == 1;
        out.Flag("logged_out", loggedOut);
        if (!loggedOut) {
            const int failed = out.Fail(kExitFailed, "logout failed", library.LastFailure());
            if (result == kExitOk) result = failed;
        } else {
            out.Line("Logged out");
        }
        return result;
    });
}

}  // namespace orvane_cli
