// The one place the tool meets the library: loading it by name as any host does,
// its exports, and the text of its latest failure.
#pragma once

#include <cstdint>
#include <string>

#include "dynamic_library.hpp"
#include "orvane_exports.hpp"

namespace orvane_cli {

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

private:
    hostloader::DynamicLibrary library_;
    hostloader::OrvaneExports exports_;
    CamLastFailureTextFn failureText_ = nullptr;
};

// The note FailureText gives when the library offers no failure texts.
extern const char* const kNoFailureTextNote;

}  // namespace orvane_cli
