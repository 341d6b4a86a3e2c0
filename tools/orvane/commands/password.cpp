#include "commands/password.hpp"

#include <cstdlib>
#include <fstream>

#include "commands/exit_codes.hpp"
#include "platform/terminal.hpp"

namespace orvane_cli {

std::optional<std::string> ResolvePassword(Output& out, const Connection& connection) {
    if (connection.passwordGiven) {
        out.Warn(
            "warning: a password on the command line can be seen by other users; "
            "prefer --password-file or ORVANE_PASSWORD");
        return connection.password;
    }
    if (!connection.passwordFile.empty()) {
        std::ifstream file(connection.passwordFile, std::ios::binary);
        std::string line;
        if (!file || !std::getline(file, line)) {
            out.Error(kExitUsage, "cannot read the password file " + connection.passwordFile);
            return std::nullopt;
        }
        if (!line.empty() && line.back() == '\r') line.pop_back();
        return line;
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
