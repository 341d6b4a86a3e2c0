// The floors a data event's log writes are measured against: the plain system
// calls, with nothing checked and nothing kept between calls.
#pragma once

#include <string_view>

namespace bench {

// Opens the file for appending (creating it), writes `bytes` in one call, closes it.
void OpenAppendClose(const char* path, std::string_view bytes);

// The least an event with two lines must do: one opening, the lines written as
// the library writes them (both in one write on Linux, one write per line on
// Windows), one close.
void OpenAppendLinesClose(const char* path, std::string_view first, std::string_view second);

}  // namespace bench
