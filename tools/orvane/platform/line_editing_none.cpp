// Builds without a line-editing library (Windows, or Linux without libedit):
// the shell prompts and reads plain lines.
#include "line_reader.hpp"

namespace orvane_cli::platform {

std::unique_ptr<LineReader> MakeEditingReader(const std::string&) { return nullptr; }

}  // namespace orvane_cli::platform
