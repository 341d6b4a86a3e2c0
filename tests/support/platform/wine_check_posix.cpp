#include "support/platform/wine_check.hpp"

namespace testsupport {

bool RunningUnderWine() { return false; }

}  // namespace testsupport
