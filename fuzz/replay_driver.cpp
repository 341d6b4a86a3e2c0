// Runs a fuzz target without libFuzzer: first on every file named on the command
// line, then on a fixed number of inputs from a seeded generator, so the target
// runs the same way every time under the sanitizers.
//   fuzz_target [--runs N] [FILE...]
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

// Inputs of every length up to a few hundred bytes, biased towards the bytes that
// matter to text handling (NUL, ASCII, high bytes).
std::vector<uint8_t> GenerateInput(std::mt19937& random) {
    std::uniform_int_distribution<int> lengthPick(0, 600);
    std::uniform_int_distribution<int> bytePick(0, 255);
    std::uniform_int_distribution<int> kindPick(0, 9);
    std::vector<uint8_t> input(static_cast<size_t>(lengthPick(random)));
    for (auto& byte : input) {
        const int kind = kindPick(random);
        byte = kind == 0  ? 0
               : kind < 6 ? static_cast<uint8_t>('a' + kind)
                          : static_cast<uint8_t>(bytePick(random));
    }
    return input;
}

}  // namespace

int main(int argc, char** argv) {
    long runs = 10000;
    int first = 1;
    if (argc > 2 && std::strcmp(argv[1], "--runs") == 0) {
        runs = std::strtol(argv[2], nullptr, 10);
        first = 3;
    }
    for (int i = first; i < argc; ++i) {
        std::ifstream file(argv[i], std::ios::binary);
        std::vector<uint8_t> input((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        LLVMFuzzerTestOneInput(input.data(), input.size());
    }
    std::mt19937 random(20261207);
    for (long run = 0; run < runs; ++run) {
        const std::vector<uint8_t> input = GenerateInput(random);
        LLVMFuzzerTestOneInput(input.data(), input.size());
    }
    std::printf("%ld generated inputs and %d files ran without a fault\n", runs, argc - first);
    return 0;
}
