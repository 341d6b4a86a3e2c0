// An optional text trace of what the simulated camera did, for checks made from
// outside the process that loaded it (a command-line host, a script): every SDK
// call with its result, and every measurement a stream delivered. It is written
// only when the environment variable HCNETSDK_STANDIN_TRACE names a file; each
// line is appended and flushed at once, so the file is whole up to the moment the
// process ends, however it ends.
#pragma once

#include <cstdint>
#include <vector>

#include "journal.hpp"

namespace standin {

// "call <operation> result <r> args <a0> <a1> ..." (integer arguments only).
void traceCall(const JournalEntry& entry, int32_t result);
// The same line for a call of no or one argument, made at the end of a process
// whose other threads were ended where they stood (see platform/process_end.hpp):
// written without a lock or an allocation.
void traceCallAtProcessEnd(int32_t operation, int32_t result, int64_t argument, bool hasArgument);
// "event <channel> <yyyymmdd> <hhmmss> max <bits> min <bits> avg <bits>": a data
// block a subscriber has received, readings as single-precision bit patterns in hex.
void traceMeasurement(const std::vector<uint8_t>& block);

}  // namespace standin
