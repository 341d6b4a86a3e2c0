#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "core/failure_record.hpp"

namespace orvane {
namespace {

TEST(FailureRecord, HoldsOnlyTheLatestText) {
    FailureRecord record;
    EXPECT_TRUE(record.Text().empty());
    EXPECT_EQ(record.Code(), 0);
    record.Replace(u"first", 7);
    record.Replace(u"second", -1);
    EXPECT_EQ(record.Text(), u"second");
    EXPECT_EQ(record.Code(), -1);
    record.Release();
    EXPECT_TRUE(record.Text().empty());
    EXPECT_EQ(record.Code(), 0);
}

TEST(FailureRecord, SimultaneousReplacementsLeaveOneWholeText) {
    FailureRecord record;
    // Long enough to live on the heap, so a torn or doubly freed text would show.
    const std::u16string a(200, u'a');
    const std::u16string b(300, u'b');
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 2000; ++i) {
                record.Replace(t % 2 == 0 ? a : b, t % 2 == 0 ? 1 : 2);
                const std::u16string seen = record.Text();
                ASSERT_TRUE(seen == a || seen == b);
                const int32_t code = record.Code();
                ASSERT_TRUE(code == 1 || code == 2);
            }
        });
    }
    for (auto& thread : threads) thread.join();
    const std::u16string last = record.Text();
    EXPECT_TRUE(last == a || last == b);
}

// What CopyTo leaves in a host's buffer of 8 units, all 0xAAAA before the call:
// `written` text units and a terminating 0, or nothing at all (written -1). The
// result is the full length every time.
TEST(FailureRecord, CopiesIntoHostBuffers) {
    struct Case {
        const char16_t* text;
        bool nullBuffer;
        int32_t capacity;
        int written;
    };
    const Case cases[] = {
        {u"", false, 8, 0},  // empty record: a terminator only
        {u"", false, 0, -1},
        {u"abcde", false, 8, 5},   // room to spare
        {u"abcde", false, 6, 5},   // exactly the text and its terminator
        {u"abcde", false, 5, 4},   // one unit short: cut, still terminated
        {u"abcde", false, 1, 0},   // room for the terminator alone
        {u"abcde", false, 0, -1},  // no room: nothing written
        {u"abcde", false, -1, -1},
        {u"abcde", false, INT32_MIN, -1},
        {u"abcde", true, 8, -1},         // no buffer: only the length
        {u"错误码{code}", false, 4, 3},  // units are UTF-16 units
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "capacity " << c.capacity << (c.nullBuffer ? " null" : ""));
        FailureRecord record;
        const std::u16string text(c.text);
        if (!text.empty()) record.Replace(text, 1);
        std::array<uint16_t, 8> buffer;
        buffer.fill(0xAAAA);
        EXPECT_EQ(record.CopyTo(c.nullBuffer ? nullptr : buffer.data(), c.capacity),
                  static_cast<int32_t>(text.size()));
        std::array<uint16_t, 8> expected;
        expected.fill(0xAAAA);
        if (c.written >= 0) {
            std::copy_n(text.begin(), c.written, expected.begin());
            expected[static_cast<size_t>(c.written)] = 0;
        }
        EXPECT_EQ(buffer, expected);
        EXPECT_EQ(record.Text(), text);  // reading never changes the record
    }
}

// Readers copy while writers replace: every copy is one whole text, terminated
// right after it, whichever text it is.
TEST(FailureRecord, CopiesOneWholeTextWhileOthersReplaceIt) {
    FailureRecord record;
    const std::u16string a(200, u'a');
    const std::u16string b(300, u'b');
    std::atomic<bool> done{false};
    std::vector<std::thread> writers;
    for (int t = 0; t < 2; ++t) {
        writers.emplace_back([&, t] {
            for (int i = 0; i < 2000; ++i) record.Replace(t % 2 == 0 ? a : b, t);
        });
    }
    std::vector<std::thread> readers;
    for (int t = 0; t < 2; ++t) {
        readers.emplace_back([&] {
            std::vector<uint16_t> buffer(400);
            while (!done.load()) {
                const int32_t length = record.CopyTo(buffer.data(), 400);
                if (length == 0) continue;  // before the first replacement
                ASSERT_TRUE(length == 200 || length == 300);
                const uint16_t letter = length == 200 ? u'a' : u'b';
                ASSERT_EQ(std::count(buffer.begin(), buffer.begin() + length, letter), length);
                ASSERT_EQ(buffer[static_cast<size_t>(length)], 0);
            }
        });
    }
    for (auto& thread : writers) thread.join();
    done = true;
    for (auto& thread : readers) thread.join();
}

}  // namespace
}  // namespace orvane
