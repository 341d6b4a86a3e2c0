// A Windows command line made of arguments, as the C runtime's parsing (and
// CommandLineToArgvW) gives them back: a child process's and a service's.
#pragma once

#include <string>
#include <vector>

#include "wide_text_win.hpp"

namespace orvane_cli::platform {

// One argument quoted so that the C runtime's command-line parsing gives it back
// unchanged: backslashes double only before a quote.
inline std::wstring QuotedArgument(const std::wstring& arg) {
    if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) return arg;
    std::wstring out = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, L'\\');
    return out + L"\"";
}

// The arguments (UTF-8), each quoted, separated by blanks.
inline std::wstring CommandLineOf(const std::vector<std::string>& args) {
    std::wstring commandLine;
    for (const std::string& arg : args)
        commandLine += (commandLine.empty() ? L"" : L" ") + QuotedArgument(WideFromUtf8(arg));
    return commandLine;
}

}  // namespace orvane_cli::platform
