#include "commands/password.hpp"

#include <cstdlib>

#include "commands/exit_codes.hpp"
#include "platform/terminal.hpp"
#include "watch/password_source.hpp"

namespace orvane_cli {

std::optional<std::string> ResolvePassword(Output& out, const Connection& connection) {
    if (connection.passwordGiven) {
        out.Warn(
            "warning: a password on the command line can be seen by other users; "
            "prefer --password-file or ORVANE_PASSWORD");
        return connection.password;
    }
    if (!connection.passwordFile.empty()) {
        std::string password;
        if (!ReadPasswordFile(connection.passwordFile, password)) {
            out.Error(kExitUsage, "cannot read the password file " + connection.passwordFile);
            return std::nullopt;
        }
        return password;
    }
    if (const char* fromEnvironment = std::getenv("ORVANE_PASSWORD")) return std::string(fromEnvironment);
    auto typed =
        platform::ReadSecretLine("Password for " + connection.user + "@" + connection.Address() + ": ");
    if (!typed)
        out.Error(kExitUsage,
                  "no password: give --password-file, set ORVANE_PASSWORD or type it at the prompt");
    return typed;
}

}  // namespace orvane_cli
