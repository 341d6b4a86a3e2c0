// The bytes a function's arguments take on the 32-bit x86 stack, which the
// callee removes under the callee-cleans convention and which its decorated
// name carries (_CamLogin@20): pointers take 4 bytes, other arguments their
// size rounded up to whole 4-byte slots. The same on every build, so that the
// count is checked natively too.
#pragma once

#include <cstddef>
#include <type_traits>

namespace orvane {

template <class T>
constexpr std::size_t kStackBytes32 = std::is_pointer_v<T> ? 4 : (sizeof(T) + 3) / 4 * 4;

template <class Function>
struct ArgumentBytesOf;

template <class Result, class... Arguments>
struct ArgumentBytesOf<Result(Arguments...)> {
    static constexpr std::size_t value = (std::size_t{0} + ... + kStackBytes32<Arguments>);
};

// ArgumentBytes<Result(Parameters...)>, for the plain function type with the
// parameters of a function of any calling convention.
template <class Function>
constexpr std::size_t ArgumentBytes = ArgumentBytesOf<Function>::value;

}  // namespace orvane
