// The live page's files, built into the program.
#pragma once

#include <string_view>

namespace orvane_cli::serve {

struct PageAsset {
    std::string_view path;
    std::string_view contentType;
    std::string_view body;
};

// The live page's files, built into the program; null for another path.
const PageAsset* FindPageAsset(std::string_view path);

}  // namespace orvane_cli::serve
