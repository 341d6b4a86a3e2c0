#include <cstdlib>
#include <memory>
#include <string>

#include "clock/duration.hpp"
#include "commands/argument_checks.hpp"
#include "commands/command_line.hpp"
#include "commands/exit_codes.hpp"
#include "commands/password.hpp"
#include "commands/tool.hpp"
#include "platform/terminal.hpp"

namespace orvane_cli {
namespace {

// The usage line of a command with a leading address shows that word.
class LeadingAddressUsage final : public CLI::Formatter {
public:
    std::string make_usage(const CLI::App* app, std::string name) const override {
        std::string usage = CLI::Formatter::make_usage(app, std::move(name));
        const std::string options = "[" + get_label("OPTIONS") + "]";
        const std::size_t at = usage.find(options);
        if (at != std::string::npos) usage.insert(at + options.size(), " [address]");
        return usage;
    }
};

// An address given empty is refused where it is given: otherwise it would read
// as none given, and ORVANE_ADDRESS would silently stand in for it.
CLI::Validator NotEmpty() {
    return CLI::Validator(
        [](std::string& text) -> std::string {
            return text.empty() ? "is empty: give a camera address" : "";
        },
        "ADDRESS");
}

std::string Where(const Connection& connection, const std::string& address) {
    return connection.user + "@" + address + ":" + std::to_string(connection.port);
}

}  // namespace

OutputLevel Tool::level() const {
    if (quiet) return OutputLevel::kQuiet;
    return verbose ? OutputLevel::kVerbose : OutputLevel::kNormal;
}

void AddConnectionOptions(CLI::App& command, Tool& tool) {
    if (tool.shared != nullptr) return;
    command
        .add_option("-a,--address", tool.connection.address,
                    "Camera address (or ORVANE_ADDRESS); also taken as the first word")
        ->check(NotEmpty());
    AddLoginOptions(command, tool.connection);
}

// (In a shell session too, where it may only name the session's camera.)
void AddAddressPositional(CLI::App& command, Tool& tool) {
    command.add_option("address", tool.connection.addressWord, "Camera address (same as --address)")
        ->check(NotEmpty());
}

void AddLeadingAddress(CLI::App& command, Tool& tool) {
    command.add_option(kLeadingAddressOption, tool.connection.addressWord)->group("")->check(NotEmpty());
    command.formatter(std::make_shared<LeadingAddressUsage>());
}

std::string Connection::Address() const {
    if (!addressWord.empty()) return addressWord;
    if (!address.empty()) return address;
    const char* fromEnvironment = std::getenv("ORVANE_ADDRESS");
    return fromEnvironment != nullptr ? fromEnvironment : "";
}

std::string Connection::AddressProblem() const {
    // Each given address is checked first, so that no message shows bytes the check refuses.
    std::string problem = addressWord.empty() ? "" : CameraAddressProblem("address", addressWord);
    if (problem.empty() && !address.empty()) problem = CameraAddressProblem("--address", address);
    if (!problem.empty()) return problem;
    if (!addressWord.empty() && !address.empty() && addressWord != address) {
        return "two camera addresses: " + addressWord + " as the first word and " + address +
               " with --address; give one";
    }
    const std::string chosen = Address();
    if (chosen.empty()) {
        return "no camera address: give it as the first word or with --address (or ORVANE_ADDRESS)";
    }
    return addressWord.empty() && address.empty() ? CameraAddressProblem("ORVANE_ADDRESS", chosen) : "";
}

std::string SharedLogin::AddressProblem(const std::string& word) const {
    if (word.empty() || word == address) return "";
    return "this session is logged in to " + address + ", not " + word + "; its commands need no address";
}

void AddLoginOptions(CLI::App& command, Connection& connection, bool passwordOption) {
    command.add_option("-p,--port", connection.port, "Camera SDK port")
        ->envname("ORVANE_PORT")
        ->check(CLI::Range(1, 65535))
        ->capture_default_str();
    command.add_option("-u,--user", connection.user, "User name (or ORVANE_USER)")
        ->envname("ORVANE_USER")
        ->capture_default_str();
    auto* file = command.add_option("--password-file", connection.passwordFile,
                                    "File whose first line is the password");
    if (!passwordOption) return;
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

CLI::Validator DurationValidator(bool zeroForNone) {
    return CLI::Validator(
        [zeroForNone](std::string& text) -> std::string {
            if (ParseDuration(text) || (zeroForNone && text == "0")) return "";
            return std::string("not a positive duration up to ") + kLongestDurationText +
                   " such as 1.5s, 200ms, 10m or 1h" + (zeroForNone ? " (or 0 for none)" : "") + ": " + text;
        },
        "DURATION");
}

int WithLibrary(Output& out, const std::function<int(CameraLibrary&)>& body) {
    CameraLibrary library;
    std::string error;
    if (!library.Load(error)) return out.Error(kExitNoLibrary, error);
    out.SetFailureTextAvailable(library.HasFailureText());
    out.Detail("Library " + hostloader::LibraryFileName() + " loaded" +
               (library.HasFailureText() ? "" : " (it gives no failure texts)"));
    return body(library);
}

int32_t LogIn(Output& out, CameraLibrary& library, const Connection& connection, const std::string& address,
              const std::string& password) {
    const std::string where = Where(connection, address);
    // A login cannot be cut short: Ctrl+C during it says so at once, and the
    // caller logs out as soon as it has returned.
    static const std::string notice =
        std::string(platform::StdoutIsTerminal() ? "\n" : "") +
        "orvane: interrupted; waiting for the login to return, then logging out\n";
    platform::WatchForInterrupt();
    platform::SetInterruptNotice(platform::InterruptRequested() ? nullptr : notice.c_str());
    const int32_t userId = library.api().CamLogin(address.c_str(), connection.port, connection.user.c_str(),
                                                  password.c_str(), 0);
    platform::SetInterruptNotice(nullptr);
    if (userId < 0) {
        out.Fail(kExitLoginFailed, "login to " + where + " failed", library.LastFailure());
        return -1;
    }
    out.Line("Logged in to " + where + " (user ID " + std::to_string(userId) + ")");
    return userId;
}

bool LogOut(Output& out, CameraLibrary& library, int32_t userId, const std::string& address) {
    if (library.api().CamLogout(userId, 0) != 1) {
        out.Fail(kExitFailed, "logout from " + address + " failed", library.LastFailure());
        return false;
    }
    out.Line("Logged out of " + address);
    return true;
}

int WithLogin(Output& out, const Tool& tool, const std::function<int(CameraLibrary&, int32_t userId)>& body) {
    const Connection& connection = tool.connection;
    if (tool.shared != nullptr) {
        const std::string problem = tool.shared->AddressProblem(connection.addressWord);
        if (!problem.empty()) return out.Error(kExitUsage, problem);
        return body(*tool.shared->library, tool.shared->userId);
    }
    const std::string problem = connection.AddressProblem();
    if (!problem.empty()) return out.Error(kExitUsage, problem);
    const std::string address = connection.Address();
    const auto password = ResolvePassword(out, connection);
    if (!password) return kExitUsage;
    return WithLibrary(out, [&](CameraLibrary& library) {
        const int32_t userId = LogIn(out, library, connection, address, *password);
        if (userId < 0) return static_cast<int>(kExitLoginFailed);
        out.Text("camera", Where(connection, address));
        // Ctrl+C during the login: out again without running the command.
        int result =
            platform::InterruptRequested() ? static_cast<int>(kExitInterrupted) : body(library, userId);
        // A command may have been interrupted; the login ends in any case.
        const bool loggedOut = LogOut(out, library, userId, address);
        out.Flag("logged_out", loggedOut);
        if (!loggedOut && result == kExitOk) result = kExitFailed;
        return result;
    });
}

int AfterInterrupt(Output& out, int result) {
    if (!platform::InterruptRequested()) return result;
    out.Flag("interrupted", true);
    return out.Interrupted(kExitInterrupted);
}

}  // namespace orvane_cli
