// The one place the tool meets the library: loading it by name as any host does,
// its exports, and the text of its latest failure.
#pragma once

#include <cstdint>
#include <string>

#include "dynamic_library.hpp"
#include "orvane_exports.hpp"

namespace orvane_cli {

// The library's latest failure as the tool reports it.
struct LibraryFailure {
    int32_t code = 0;     // the code behind the text (0 when none was recorded)
    std::string text;     // the library's own text, UTF-8; empty when none
    std::string english;  // the code's English description
};

class CameraLibrary {
public:
    // Loads the library and the SDK it needs (see hostloader::OpenOrvaneLib) and
    // resolves its exports; false with a reason when it cannot.
    bool Load(std::string& error);

    const hostloader::OrvaneExports& api() const { return exports_; }

    // Whether the library offers the text of its latest failure.
    bool HasFailureText() const { return failureText_ != nullptr; }
    // The library's latest failure text in UTF-8: empty when it has none, a note
    // saying so when this library build does not offer failure texts.
    std::string FailureText() const;
    // The latest failure's code, its text and the code's English description.
    LibraryFailure LastFailure() const;
    // The description of `code` in `language` (0 the library's, 1 English), UTF-8.
    std::string Describe(int32_t code, int32_t language) const;

private:
    hostloader::DynamicLibrary library_;
    hostloader::OrvaneExports exports_;
    CamLastFailureTextFn failureText_ = nullptr;
};

// The note FailureText gives when the library offers no failure texts.
extern const char* const kNoFailureTextNote;

}  // namespace orvane_cli
