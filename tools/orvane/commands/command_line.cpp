#include "commands/command_line.hpp"

#include <algorithm>
#include <cctype>

namespace orvane_cli {
namespace {

CLI::App* SubcommandNamed(CLI::App& app, const std::string& word) {
    try {
        return app.get_subcommand(word);
    } catch (const CLI::OptionNotFound&) {
        return nullptr;
    }
}

std::string CommandNames(const CLI::App& app) {
    std::string names;
    for (const CLI::App* sub : app.get_subcommands({})) {
        // Not those hidden from the help (service run, for the service control manager).
        if (sub->get_group().empty()) continue;
        names += (names.empty() ? "" : ", ") + sub->get_name();
    }
    return names;
}

// Follows the words of the command line through the command tree; the first
// word that names no command where one is expected is an unknown command, and
// words that end where a command is expected lack one.
std::string UnknownCommand(CLI::App& app, const std::vector<std::string>& args) {
    CLI::App* current = &app;
    std::string path;
    for (const std::string& word : args) {
        if (word == "--") break;
        if (!word.empty() && word[0] == '-') continue;
        if (current->get_subcommands({}).empty()) break;
        CLI::App* next = SubcommandNamed(*current, word);
        if (next == nullptr) {
            return "unknown command '" + (path.empty() ? "" : path + " ") + word + "' (commands" +
                   (path.empty() ? "" : " of " + path) + ": " + CommandNames(*current) + ")";
        }
        path += (path.empty() ? "" : " ") + word;
        current = next;
    }
    if (current->get_require_subcommand_min() > 0) {
        return "no command given (commands" + (path.empty() ? "" : " of " + path) + ": " +
               CommandNames(*current) + ")";
    }
    return "";
}

// Whether `word` has the form of a host name or an IPv4 or IPv6 address.
bool LooksLikeAddress(const std::string& word) {
    if (word.empty() || word[0] == '-' || word[0] == '.') return false;
    return std::all_of(word.begin(), word.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '.' || c == '-' || c == ':' ||
               c == '%' || c == '_';
    });
}

// Whether `word` is an IPv4 address (four numbers) or an IPv6 one (with colons),
// which no word of a command takes but the address.
bool IsIpAddress(const std::string& word) {
    const auto isHex = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
    if (std::count(word.begin(), word.end(), ':') >= 2) {
        return std::all_of(word.begin(), word.end(),
                           [&](char c) { return isHex(c) || c == ':' || c == '.' || c == '%'; });
    }
    const bool digitsAndDots = !word.empty() && std::all_of(word.begin(), word.end(), [](char c) {
        return std::isdigit(static_cast<unsigned char>(c)) != 0 || c == '.';
    });
    return digitsAndDots && std::count(word.begin(), word.end(), '.') == 3 && word.front() != '.' &&
           word.back() != '.' && word.find("..") == std::string::npos;
}

// Whether the option word `word` of `command` takes the next word as its value.
bool TakesNextWord(CLI::App& command, const std::string& word) {
    if (word.find('=') != std::string::npos) return false;
    const bool longName = word.size() > 2 && word[1] == '-';
    if (!longName && word.size() > 2) return false;  // -c2: the value is attached
    for (CLI::App* app = &command; app != nullptr; app = app->get_parent()) {
        if (const CLI::Option* option = app->get_option_no_throw(word))
            return option->get_items_expected_min() > 0;
    }
    return false;
}

// A first word before a command's own words becomes the hidden option of
// AddLeadingAddress when it is an IP address or can only be the address.
void TakeLeadingAddress(CLI::App& app, std::vector<std::string>& args) {
    CLI::App* command = &app;
    std::vector<std::size_t> words;  // the positions of the command's own words
    std::size_t optionsEnd = args.size();
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (!optionsEnded && word == "--") {
            optionsEnded = true;
            optionsEnd = i;
        } else if (!optionsEnded && word.size() > 1 && word[0] == '-') {
            if (TakesNextWord(*command, word)) ++i;
        } else if (CLI::App* sub =
                       words.empty() && !optionsEnded ? SubcommandNamed(*command, word) : nullptr) {
            command = sub;
        } else {
            words.push_back(i);
        }
    }
    if (command->get_option_no_throw(kLeadingAddressOption) == nullptr || words.empty()) return;
    std::vector<CLI::Option*> own;
    for (CLI::Option* option : command->get_options()) {
        if (option->get_positional() && option->get_required()) own.push_back(option);
    }
    std::string& first = args[words.front()];
    // An IP address is the address even where a word of the command's own is
    // then missing: CLI11 names that word rather than refusing the address. A
    // host name is the address only with a word to spare that the command's
    // first word does not take.
    if (!IsIpAddress(first)) {
        if (words.size() != own.size() + 1 || !LooksLikeAddress(first)) return;
        if (!own.empty()) {
            std::string asOwnWord = first;
            try {
                if (own.front()->get_validator()->operator()(asOwnWord).empty()) return;
            } catch (const CLI::OptionNotFound&) {  // the word takes any value
            }
        }
    }
    const std::string option = std::string(kLeadingAddressOption) + "=" + first;
    if (words.front() < optionsEnd) {
        first = option;
    } else {  // after "--", where no option is read: before it instead
        args.erase(args.begin() + static_cast<std::ptrdiff_t>(words.front()));
        args.insert(args.begin() + static_cast<std::ptrdiff_t>(optionsEnd), option);
    }
}

}  // namespace

bool SplitWords(const std::string& line, std::vector<std::string>& words, std::string& error) {
    words.clear();
    std::string word;
    bool inWord = false;
    char quote = 0;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quote == '\'') {
            if (c == '\'')
                quote = 0;
            else
                word += c;
        } else if (quote == '"') {
            if (c == '"') {
                quote = 0;
            } else if (c == '\\' && i + 1 < line.size() && (line[i + 1] == '"' || line[i + 1] == '\\')) {
                word += line[++i];
            } else {
                word += c;
            }
        } else if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            if (inWord) words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            inWord = true;
            if (c == '\'' || c == '"') {
                quote = c;
            } else if (c == '\\' && i + 1 < line.size()) {
                word += line[++i];
            } else {
                word += c;
            }
        }
    }
    if (quote != 0) {
        error = std::string("unterminated ") + quote + " quote";
        return false;
    }
    if (inWord) words.push_back(word);
    return true;
}

std::optional<std::vector<std::string>> TakeRunCommand(std::vector<std::string>& args) {
    const auto word =
        std::find_if(args.begin(), args.end(), [](const std::string& a) { return a.empty() || a[0] != '-'; });
    if (word == args.end() || *word != "run") return std::nullopt;
    auto first = word + 1;
    if (first != args.end() && (*first == "-h" || *first == "--help")) return std::nullopt;
    if (first != args.end() && *first == "--") ++first;
    std::vector<std::string> command(first, args.end());
    args.erase(word + 1, args.end());
    return command;
}

std::optional<std::vector<std::string>> TakeServiceCommand(std::vector<std::string>& args) {
    const auto word =
        std::find_if(args.begin(), args.end(), [](const std::string& a) { return a.empty() || a[0] != '-'; });
    if (word == args.end() || *word != "service") return std::nullopt;
    const auto end = std::find(word, args.end(), "--");
    if (end == args.end()) return std::nullopt;
    std::vector<std::string> command(end + 1, args.end());
    args.erase(end, args.end());
    return command;
}

bool AsksForJson(const std::vector<std::string>& args) {
    for (const std::string& word : args) {
        if (word == "--") break;
        if (word == "--json") return true;
        if (word == "run") break;  // what follows belongs to the command run starts
    }
    return false;
}

Parsed ParseCommandLine(CLI::App& app, std::vector<std::string> args) {
    Parsed parsed;
    TakeLeadingAddress(app, args);
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::Success& e) {  // help or version, printed
        parsed.kind = Parsed::kPrinted;
        parsed.exitCode = app.exit(e);
    } catch (const CLI::ParseError& e) {
        parsed.kind = Parsed::kUsageError;
        // CLI11 names unknown options itself ("not expected: --frob"), but says
        // only that a subcommand is required when the command is unknown or
        // missing.
        const std::string unknown = UnknownCommand(app, args);
        parsed.message = unknown.empty() ? std::string(e.what()) : unknown;
    }
    return parsed;
}

}  // namespace orvane_cli
