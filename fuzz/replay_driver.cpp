// Runs a fuzz target without libFuzzer: first on every file named on the command
// line (every file inside a named folder, such as a target's seed corpus, in
// name order), then on a fixed number of inputs from a seeded generator, so the
// target runs the same way every time under the sanitizers.
//   fuzz_target [--runs N] [FILE|FOLDER...]
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
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

// The files an argument names: itself, or the regular files inside a folder.
std::vector<std::filesystem::path> InputFiles(const char* argument) {
    const std::filesystem::path path(argument);
    if (!std::filesystem::is_directory(path)) return {path};
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(path)) {
        if (entry.is_regular_file()) files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace

int main(int argc, char** argv) {
    long runs = 10000;
    int first = 1;
    if (argc > 2 && std::strcmp(argv[1], "--runs") == 0) {
        runs = std::strtol(argv[2], nullptr, 10);
        first = 3;
    }
    long files = 0;
    for (int i = first; i < argc; ++i) {
        for (const auto& name : InputFiles(argv[i])) {
            std::ifstream file(name, std::ios::binary);
            if (!file) {
                std::fprintf(stderr, "cannot read %s\n", name.string().c_str());
                return 1;
            }
            std::vector<uint8_t> input((std::istreambuf_iterator<char>(file)),
                                       std::istreambuf_iterator<char>());
            LLVMFuzzerTestOneInput(input.data(), input.size());
            ++files;
        }
    }
    std::mt19937 random(20261207);
    for (long run = 0; run < runs; ++run) {
        const std::vector<uint8_t> input = GenerateInput(random);
        LLVMFuzzerTestOneInput(input.data(), input.size());
    }
    std::printf("%ld generated inputs and %ld files ran without a fault\n", runs, files);
    return 0;
}
