// The pair index on its own: through many grows, every pair inserted before is
// found and no other is; a probe never runs past the table.
#include <gtest/gtest.h>

#include <cstdint>
#include <deque>

#include "thermometry/pair_index.hpp"

namespace orvane::thermometry {
namespace {

struct Entry {
    Entry(int32_t userIdValue, int32_t channelValue) : userId(userIdValue), channel(channelValue) {}
    const int32_t userId;
    const int32_t channel;
};

TEST(PairIndexTest, EveryEarlierPairIsFoundAfterEachInsert) {
    // Pairs that crowd the same slots: few user IDs, negative and extreme values.
    const int32_t userIds[] = {0, 1, -1, 7, INT32_MAX, INT32_MIN};
    std::deque<Entry> entries;
    for (int32_t channel = 0; entries.size() < 1000; ++channel) {
        for (int32_t userId : userIds) {
            if (entries.size() < 1000) entries.emplace_back(userId, channel % 2 == 0 ? channel : -channel);
        }
    }
    PairIndex<Entry> index;
    for (std::size_t inserted = 0; inserted < entries.size(); ++inserted) {
        Entry& entry = entries[inserted];
        ASSERT_EQ(index.Find(entry.userId, entry.channel), nullptr) << "before insert " << inserted;
        index.Insert(entry);
        for (std::size_t i = 0; i <= inserted; ++i) {
            ASSERT_EQ(index.Find(entries[i].userId, entries[i].channel), &entries[i])
                << "pair " << i << " lost after insert " << inserted;
        }
        ASSERT_EQ(index.Find(entry.userId, INT32_MIN + 1), nullptr) << "after insert " << inserted;
    }
}

}  // namespace
}  // namespace orvane::thermometry
