// Overwrites memory with zeros in a way the compiler may not drop, for secrets
// such as passwords that must not outlive their use.
#pragma once

#include <atomic>
#include <cstddef>

namespace orvane {

inline void SecureWipe(void* data, std::size_t size) noexcept {
    volatile unsigned char* bytes = static_cast<volatile unsigned char*>(data);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = 0;
    std::atomic_signal_fence(std::memory_order_seq_cst);
}

}  // namespace orvane
