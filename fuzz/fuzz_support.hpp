// What the fuzz targets share: reading structured values out of the input bytes,
// a check that stops the run, and SDK tables whose operations the targets script.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/library_state.hpp"
#include "core/sdk_ops.hpp"
#include "thermometry/log_sink.hpp"

namespace fuzzing {

// A finding: the sanitizer runtime (or the replay driver) reports where it failed.
inline void Check(bool condition) {
    if (!condition) std::abort();
}

// Takes values from the front of the input; once it is used up, every value is 0.
class ByteReader {
public:
    ByteReader(const uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool Empty() const { return size_ == 0; }
    std::size_t Remaining() const { return size_; }
    uint8_t Byte() {
        if (size_ == 0) return 0;
        --size_;
        return *data_++;
    }
    template <class Value>
    Value Take() {
        Value value{};
        const std::size_t count = size_ < sizeof value ? size_ : sizeof value;
        if (count != 0) std::memcpy(&value, data_, count);
        data_ += count;
        size_ -= count;
        return value;
    }
    // Up to `count` bytes as they are.
    std::string Bytes(std::size_t count) {
        if (count > size_) count = size_;
        std::string bytes(reinterpret_cast<const char*>(data_), count);
        data_ += count;
        size_ -= count;
        return bytes;
    }

private:
    const uint8_t* data_;
    std::size_t size_;
};

// An SDK table whose init answers as asked and whose other operations are set by
// the target; cleanup and stop succeed unless a target replaces them.
orvane::sdk::SdkOps BaseSdk(bool initSucceeds);

// The targets' log: keeps nothing, so no run writes a file, but every line it is
// given must be whole (end in CR LF).
orvane::thermometry::LogSink& CheckedDiscardingLog();

// The two libraries a target runs its input against: one whose SDK started and one
// whose SDK did not, both over BaseSdk with the target's own operations set by
// `customise`. The tables are members so that they outlive both states.
class LibraryPair {
public:
    explicit LibraryPair(void (*customise)(orvane::sdk::SdkOps&))
        : readyOps_(Customised(true, customise)),
          notReadyOps_(Customised(false, customise)),
          ready_(readyOps_, CheckedDiscardingLog()),
          notReady_(notReadyOps_, CheckedDiscardingLog()) {}

    orvane::LibraryState& Pick(bool sdkStarted) { return sdkStarted ? ready_ : notReady_; }

private:
    static orvane::sdk::SdkOps Customised(bool ready, void (*customise)(orvane::sdk::SdkOps&)) {
        orvane::sdk::SdkOps ops = BaseSdk(ready);
        customise(ops);
        return ops;
    }

    const orvane::sdk::SdkOps readyOps_;
    const orvane::sdk::SdkOps notReadyOps_;
    orvane::LibraryState ready_;
    orvane::LibraryState notReady_;
};

}  // namespace fuzzing
