// orvane thermo record (record/record.cpp).
#pragma once

#include "commands/tool.hpp"
#include "record/record_options.hpp"
#include "render/output.hpp"

namespace orvane_cli {

int Record(Output& out, const Tool& tool, const RecordOptions& options);

}  // namespace orvane_cli
