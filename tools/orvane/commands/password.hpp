// Where the camera password comes from, in order: --password (with a warning, as
// it shows in process lists and shell history), --password-file, the environment
// variable ORVANE_PASSWORD, and last a prompt that does not echo.
#pragma once

#include <optional>
#include <string>

#include "commands/tool.hpp"
#include "render/output.hpp"

namespace orvane_cli {

// The password, or nothing after reporting why there is none (as a usage error).
std::optional<std::string> ResolvePassword(Output& out, const Connection& connection);

}  // namespace orvane_cli
