#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "core/failure_record.hpp"

namespace orvane {
namespace {

TEST(FailureRecord, HoldsOnlyTheLatestText) {
    FailureRecord record;
    EXPECT_TRUE(record.Text().empty());
    record.Replace(u"first");
    record.Replace(u"second");
    EXPECT_EQ(record.Text(), u"second");
    record.Release();
    EXPECT_TRUE(record.Text().empty());
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
                record.Replace(t % 2 == 0 ? a : b);
                const std::u16string seen = record.Text();
                ASSERT_TRUE(seen == a || seen == b);
            }
        });
    }
    for (auto& thread : threads) thread.join();
    const std::u16string last = record.Text();
    EXPECT_TRUE(last == a || last == b);
}

}  // namespace
}  // namespace orvane
