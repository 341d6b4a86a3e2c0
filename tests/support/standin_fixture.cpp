#include "support/standin_fixture.hpp"

#include <algorithm>
#include <cstring>

namespace testsupport {

std::vector<JournalCall> ReadJournal() {
    std::vector<JournalCall> calls;
    const size_t size = StandinJournalSize();
    for (size_t i = 0; i < size; ++i) {
        JournalCall call;
        call.index = i;
        call.operation = StandinJournalOperation(i);
        for (size_t slot = 0; slot < 6; ++slot) call.arguments.push_back(StandinJournalArgument(i, slot));
        for (size_t record = 0;; ++record) {
            const int32_t recordSize = StandinJournalRecord(i, record, nullptr, 0);
            if (recordSize < 0) break;
            std::vector<uint8_t> bytes(static_cast<size_t>(recordSize));
            StandinJournalRecord(i, record, bytes.data(), bytes.size());
            call.records.push_back(std::move(bytes));
        }
        calls.push_back(std::move(call));
    }
    return calls;
}

std::vector<JournalCall> CallsOf(int32_t operation) {
    std::vector<JournalCall> matching;
    for (auto& call : ReadJournal()) {
        if (call.operation == operation) matching.push_back(std::move(call));
    }
    return matching;
}

std::vector<int32_t> JournalOperations() {
    std::vector<int32_t> operations;
    for (const auto& call : ReadJournal()) operations.push_back(call.operation);
    return operations;
}

std::vector<uint8_t> ExpectedLoginRecord(const std::string& address, uint16_t port, const std::string& user,
                                         const std::string& password) {
    std::vector<uint8_t> record(400, 0);
    std::memcpy(record.data(), address.data(), address.size());
    record[130] = static_cast<uint8_t>(port & 0xFF);
    record[131] = static_cast<uint8_t>(port >> 8);
    std::memcpy(record.data() + 132, user.data(), user.size());
    std::memcpy(record.data() + 196, password.data(), password.size());
    return record;
}

void ExpectLoginCall(const JournalCall& call, const std::string& address, uint16_t port,
                     const std::string& user, const std::string& password) {
    ASSERT_EQ(call.operation, STANDIN_OP_LOGIN);
    ASSERT_FALSE(call.records.empty());
    std::vector<uint8_t> blank = ExpectedLoginRecord(address, port, user, "");
    // The user name may run into the password field; the journal blanks it all.
    std::fill(blank.begin() + 196, blank.begin() + 260, uint8_t{0});
    EXPECT_EQ(call.records[0], blank);
    EXPECT_EQ(StandinJournalPasswordIs(call.index, password.data(), password.size()), 1)
        << "the login was not given the password " << password;
}

}  // namespace testsupport
