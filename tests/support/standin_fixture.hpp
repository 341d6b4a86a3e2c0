// Test helpers around the stand-in SDK: a fixture that starts every test from a
// fresh simulated camera, and readers for its call journal.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "hcnetsdk_standin.h"

namespace testsupport {

struct JournalCall {
    std::size_t index = 0;  // in the journal, for StandinJournalPasswordIs
    int32_t operation = -1;
    std::vector<int64_t> arguments;
    std::vector<std::vector<uint8_t>> records;
};

// Every call the stand-in has journalled, in order.
std::vector<JournalCall> ReadJournal();
// The journalled calls of one operation, in order.
std::vector<JournalCall> CallsOf(int32_t operation);
// The operations journalled, in order.
std::vector<int32_t> JournalOperations();

// A login record as the library must build it: zero, with the texts placed.
std::vector<uint8_t> ExpectedLoginRecord(const std::string& address, uint16_t port, const std::string& user,
                                         const std::string& password);
// Checks a journalled login: its record as ExpectedLoginRecord builds it, with
// the password field blank as the journal keeps it, and the password it held.
void ExpectLoginCall(const JournalCall& call, const std::string& address, uint16_t port,
                     const std::string& user, const std::string& password);

class StandinTest : public ::testing::Test {
protected:
    void SetUp() override { StandinReset(); }
    void TearDown() override { StandinReset(); }
};

}  // namespace testsupport
