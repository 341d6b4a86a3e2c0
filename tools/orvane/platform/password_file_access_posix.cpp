#include "password_file_access.hpp"

namespace orvane_cli::platform {

std::string OtherPasswordFileReader(const std::string&, std::string&) { return ""; }

}  // namespace orvane_cli::platform
