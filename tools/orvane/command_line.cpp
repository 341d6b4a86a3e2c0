#include "command_line.hpp"

#include <algorithm>

namespace orvane_cli {
namespace {

std::string CommandNames(const CLI::App& app) {
    std::string names;
    for (const CLI::App* sub : app.get_subcommands({})) {
        names += (names.empty() ? "" : ", ") + sub->get_name();
    }
    return names;
}

// Follows the words of the command line through the command tree; the first
// word that names no command where one is expected is an unknown command.
std::string UnknownCommand(CLI::App& app, const std::vector<std::string>& args) {
    CLI::App* current = &app;
    std::string path;
    for (const std::string& word : args) {
        if (word == "--") break;
        if (!word.empty() && word[0] == '-') continue;
        if (current->get_subcommands({}).empty()) break;
        CLI::App* next = nullptr;
        try {
            next = current->get_subcommand(word);
        } catch (const CLI::OptionNotFound&) {
        }
        if (next == nullptr) {
            return "unknown command '" + (path.empty() ? "" : path + " ") + word + "' (commands" +
                   (path.empty() ? "" : " of " + path) + ": " + CommandNames(*current) + ")";
        }
        path += (path.empty() ? "" : " ") + word;
        current = next;
    }
    return "";
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
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::Success& e) {  // help or version, printed
        parsed.kind = Parsed::kPrinted;
        parsed.exitCode = app.exit(e);
    } catch (const CLI::ParseError& e) {
        parsed.kind = Parsed::kUsageError;
        // CLI11 names unknown options itself ("not expected: --frob"), but says
        // only that a subcommand is required when the command is unknown.
        const std::string unknown = UnknownCommand(app, args);
        parsed.message = unknown.empty() ? std::string(e.what()) : unknown;
    }
    return parsed;
}

}  // namespace orvane_cli
