// On 32-bit Windows every export removes its own arguments from the stack: a
// host compiled for callee-cleans calls would otherwise drift its stack pointer
// by the argument bytes on every call. This calls the exports from assembly,
// with the stack pointer measured around the call, so a wrong convention shows
// as a count instead of a crash much later.
#include <cstdint>

#include "support/host_library.hpp"

namespace testsupport {
namespace {

// Pushes `words` zero words, calls `function` and returns how many bytes of them
// it removed. Zeros are harmless arguments here: null outputs and buffers.
__attribute__((noinline)) int32_t BytesRemovedByCallee(const void* function, int32_t words) {
    int32_t removed;
    asm volatile(
        "movl %%esp, %%esi\n\t"
        "movl %%ecx, %%edi\n\t"
        "1:\n\t"
        "testl %%ecx, %%ecx\n\t"
        "jz 2f\n\t"
        "pushl $0\n\t"
        "decl %%ecx\n\t"
        "jmp 1b\n\t"
        "2:\n\t"
        "call *%%ebx\n\t"
        "movl %%esp, %%eax\n\t"
        "subl %%esi, %%eax\n\t"
        "leal (%%eax,%%edi,4), %%eax\n\t"
        "movl %%esi, %%esp\n\t"
        : "=a"(removed), "+c"(words)
        : "b"(function)
        : "esi", "edi", "edx", "memory", "cc");
    return removed;
}

TEST_F(HostLibraryTest, TheFailureStatusAndRuleExportsRemoveTheirOwnArguments) {
    Load();
    const struct {
        const char* name;
        const void* function;
        int32_t bytes;
    } exported[] = {
        {"CamLastFailureCode", reinterpret_cast<const void*>(exports.CamLastFailureCode), 4},
        {"CamDescribeFailure", reinterpret_cast<const void*>(exports.CamDescribeFailure), 20},
        {"CamThermometryStatus", reinterpret_cast<const void*>(exports.CamThermometryStatus), 28},
        {"CamLastFailureText", reinterpret_cast<const void*>(exports.CamLastFailureText), 12},
        {"CamThermometryReadRule", reinterpret_cast<const void*>(exports.CamThermometryReadRule), 20},
        {"CamThermometryRules", reinterpret_cast<const void*>(exports.CamThermometryRules), 20},
    };
    for (const auto& e : exported) {
        ASSERT_NE(e.function, nullptr) << e.name;
        EXPECT_EQ(BytesRemovedByCallee(e.function, e.bytes / 4), e.bytes) << e.name;
    }
}

}  // namespace
}  // namespace testsupport
