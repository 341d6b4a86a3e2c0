#pragma once

#include <cstdint>
#include <string>

#include "commands/tool.hpp"

namespace orvane_cli {

// orvane thermo rules: subscribes for a while and lists each rule the camera sent.
struct RulesOptions {
    int32_t channel = 1;
    std::string forText = "3s";
};

int ListRules(Output& out, const Tool& tool, const RulesOptions& options);

}  // namespace orvane_cli
