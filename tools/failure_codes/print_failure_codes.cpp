// Writes the integrators' table of failure codes, every code with the library's
// text and the English one, from the library's own descriptions:
//   orvane_failure_codes FILE           writes the table to FILE
//   orvane_failure_codes --check FILE   fails when FILE differs from the table
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/failure_description.hpp"
#include "core/failure_record.hpp"
#include "core/sdk_error_text.hpp"
#include "library/text_encoding.hpp"

namespace {

std::string Describe(int32_t code, int32_t language) {
    std::vector<uint16_t> units(static_cast<size_t>(orvane::DescribeFailure(code, language, nullptr, 0)) + 1);
    orvane::DescribeFailure(code, language, units.data(), static_cast<int32_t>(units.size()));
    units.pop_back();
    std::string text = orvane_cli::Utf8FromUtf16(units);
    // A table cell ends at a trailing space anyway; a bar would end it early.
    while (!text.empty() && text.back() == ' ') text.pop_back();
    for (std::size_t at = text.find('|'); at != std::string::npos; at = text.find('|', at + 2)) {
        text.replace(at, 1, "\\|");
    }
    return text;
}

std::string Table() {
    std::string out =
        "# Failure codes\n\n"
        "Generated from the library's description table by `orvane_failure_codes`; do not edit.\n\n"
        "`CamLastFailureCode` returns the code; `CamDescribeFailure` gives either text for any code. "
        "The library's texts end in a space that this table leaves out. Codes without a description of "
        "their own (the gaps below, and every code above " +
        std::to_string(orvane::kSdkErrorTableSize - 1) +
        ") get the library's default text and an English text naming the number.\n\n"
        "| code | library text (language 0) | English (language 1) |\n"
        "|---:|---|---|\n";
    const auto row = [&](int32_t code) {
        out += "| " + std::to_string(code) + " | " + Describe(code, orvane::kLanguageLibrary) + " | " +
               Describe(code, orvane::kLanguageEnglish) + " |\n";
    };
    row(orvane::kSdkNotReadyCode);
    for (int32_t code = 0; code <= static_cast<int32_t>(orvane::kSdkErrorTableSize); ++code) row(code);
    return out;
}

std::string ReadFile(const char* path) {
    std::string content;
    if (std::FILE* file = std::fopen(path, "rb")) {
        char chunk[4096];
        std::size_t got;
        while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) content.append(chunk, got);
        std::fclose(file);
    }
    return content;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string table = Table();
    if (argc == 3 && std::strcmp(argv[1], "--check") == 0) {
        if (ReadFile(argv[2]) == table) return 0;
        std::fprintf(stderr, "%s is not the generated table; rebuild the target failure_codes_doc\n",
                     argv[2]);
        return 1;
    }
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE | --check FILE\n", argv[0]);
        return 2;
    }
    std::FILE* file = std::fopen(argv[1], "wb");
    if (file == nullptr || std::fwrite(table.data(), 1, table.size(), file) != table.size() ||
        std::fclose(file) != 0) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
