// Whether the test program runs under wine rather than on Windows itself.
#pragma once

namespace testsupport {

bool RunningUnderWine();

}  // namespace testsupport
