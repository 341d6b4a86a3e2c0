// The server's caps on connections and on the memory of the answers being written.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "serve/connection_table.hpp"

namespace orvane_cli::serve {
namespace {

// Four connections at most, two from one peer. Each case opens its
// connections in order (a peer, and whether it is busy, or idle again after
// a request), then asks for room for a newcomer.
TEST(ConnectionTable, RoomForANewcomer) {
    enum Kind { kIdle, kBusy, kIdleAgain };
    struct Held {
        const char* peer;
        Kind kind;
    };
    const struct {
        const char* what;
        std::vector<Held> held;
        const char* newcomer;
        bool admitted;
        std::optional<std::size_t> drop;  // index into `held`
    } cases[] = {
        {"room", {{"a", kBusy}}, "b", true, std::nullopt},
        {"the peer full, one idle", {{"a", kBusy}, {"a", kIdle}}, "a", true, 1},
        {"the peer full, none idle", {{"a", kBusy}, {"a", kBusy}}, "a", false, std::nullopt},
        {"the peer full: its own idle one, not an older other's",
         {{"b", kIdle}, {"a", kIdle}, {"a", kBusy}},
         "a",
         true,
         1},
        {"another peer full: no matter", {{"a", kIdle}, {"a", kIdle}}, "b", true, std::nullopt},
        {"all full: the longest idle of all",
         {{"a", kBusy}, {"b", kIdle}, {"c", kIdle}, {"d", kBusy}},
         "e",
         true,
         1},
        {"all full, none idle",
         {{"a", kBusy}, {"b", kBusy}, {"c", kBusy}, {"d", kBusy}},
         "e",
         false,
         std::nullopt},
        {"idle again counts from then",
         {{"a", kIdleAgain}, {"b", kIdle}, {"c", kBusy}, {"d", kBusy}},
         "e",
         true,
         1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ConnectionTable table(4, 2);
        std::vector<ConnectionTable::Id> ids;
        for (const Held& held : c.held) {
            ids.push_back(table.Open(held.peer));
            if (held.kind != kIdle) table.SetIdle(ids.back(), false);
        }
        for (std::size_t i = 0; i < c.held.size(); ++i) {
            if (c.held[i].kind == kIdleAgain) table.SetIdle(ids[i], true);
        }
        const ConnectionTable::Room room = table.RoomFor(c.newcomer);
        EXPECT_EQ(room.admitted, c.admitted);
        EXPECT_EQ(room.drop, c.drop ? std::optional(ids[*c.drop]) : std::nullopt);
        // Closing the dropped one (or any) makes room without a drop.
        table.Close(room.drop ? *room.drop : ids.back());
        table.Close(room.drop ? *room.drop : ids.back());
        EXPECT_EQ(table.RoomFor(c.newcomer).drop, std::nullopt);
        EXPECT_TRUE(table.RoomFor(c.newcomer).admitted);
    }
}

// A 64 MiB budget: a shared body counts once however many answers send it;
// a large answer leaves the last 8 MiB to small ones (1 MiB at most); the
// end of a burst above 8 MiB is told once.
TEST(ResponseBudget, CountsSharedBodiesOnce) {
    constexpr std::size_t kMiB = std::size_t{1} << 20;
    const char shared = 0, large = 0, over = 0, small = 0;
    const struct {
        bool take;
        const char* body;
        std::size_t size;
        bool result;
        std::size_t inFlight;
    } steps[] = {
        {true, &shared, 20 * kMiB, true, 20 * kMiB},
        {true, &shared, 20 * kMiB, true, 20 * kMiB},
        {true, &large, 36 * kMiB, true, 56 * kMiB},
        {true, &over, kMiB + 1, false, 56 * kMiB},
        {true, &small, kMiB, true, 57 * kMiB},
        {false, &shared, 0, false, 57 * kMiB},
        {false, &shared, 0, false, 37 * kMiB},
        {false, &large, 0, false, kMiB},
        {false, &small, 0, true, 0},
        {true, &small, kMiB, true, kMiB},
        {false, &small, 0, false, 0},
    };
    ResponseBudget budget(64 * kMiB);
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        SCOPED_TRACE("step " + std::to_string(i));
        const auto& s = steps[i];
        EXPECT_EQ(s.take ? budget.Take(s.body, s.size) : budget.Give(s.body), s.result);
        EXPECT_EQ(budget.inFlight(), s.inFlight);
    }
}

}  // namespace
}  // namespace orvane_cli::serve
