#include "core/platform/process_end.hpp"

namespace orvane::platform {

// ExitProcess ends every other thread before the libraries' detach runs; a
// thread it ended inside an export never leaves it, and nothing runs it again.
std::chrono::milliseconds ExportDrainLimit() noexcept { return std::chrono::milliseconds(0); }

}  // namespace orvane::platform
