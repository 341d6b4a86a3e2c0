// Each measurement rule's newest result through the exports, as a host sees it:
// kept apart while Read gives the newest of any, the refusals that write
// nothing, the rule list against its capacity, short events, stop and restart.
#include <bit>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "support/host_library.hpp"
#include "support/log_support.hpp"

namespace testsupport {
namespace {

constexpr int32_t kChannel = 6;
constexpr uint32_t kTime = 0x60CA91C3;  // 2024-03-05 09:07:03
constexpr uint8_t kUntouched = 0xEE;

// A host's record with room past the 56 bytes, every byte marked.
struct HostReading {
    HostReading(int32_t size = sizeof(OrvaneRuleReading)) {
        std::memset(bytes, kUntouched, sizeof bytes);
        std::memcpy(bytes, &size, 4);
    }
    OrvaneRuleReading* get() { return reinterpret_cast<OrvaneRuleReading*>(bytes); }
    OrvaneRuleReading value() const {
        OrvaneRuleReading r;
        std::memcpy(&r, bytes, sizeof r);
        return r;
    }
    bool UntouchedFrom(std::size_t offset) const {
        for (std::size_t i = offset; i < sizeof bytes; ++i) {
            if (bytes[i] != kUntouched) return false;
        }
        return true;
    }
    alignas(4) uint8_t bytes[64];
};

class HostRulesTest : public HostLibraryTest {
protected:
    void SetUp() override {
        HostLibraryTest::SetUp();
        StandinSetStreaming(0);
        Load();
        userId = exports.CamLogin(STANDIN_CAMERA_ADDRESS, STANDIN_CAMERA_PORT, STANDIN_CAMERA_USER,
                                  STANDIN_CAMERA_PASSWORD, 0);
        ASSERT_GE(userId, 0);
        ASSERT_EQ(exports.CamThermometryStart(userId, kChannel, 0), 1);
    }
    void Fire(const BlockFields& fields, size_t size = 440) {
        const std::vector<uint8_t> block = MakeBlock(fields, size);
        ASSERT_EQ(StandinFireChannelEvent(userId, kChannel, 2, block.data(), static_cast<int32_t>(size)), 1);
    }
    std::vector<int32_t> Rules() {
        int32_t ids[kRuleCapacity];
        const int32_t count = exports.CamThermometryRules(userId, kChannel, ids, kRuleCapacity, 0);
        return count < 0 ? std::vector<int32_t>{-1} : std::vector<int32_t>(ids, ids + count);
    }
    OrvaneBool ReadRule(int32_t ruleId, HostReading& reading) {
        return exports.CamThermometryReadRule(userId, kChannel, ruleId, reading.get(), 0);
    }

    static constexpr int32_t kRuleCapacity = 16;
    int32_t userId = -1;
};

BlockFields Box(uint8_t rule, float max, uint16_t preset = 0) {
    BlockFields fields;
    fields.time = kTime;
    fields.ruleId = rule;
    fields.calibType = 1;
    fields.presetNo = preset;
    fields.max = max;
    fields.min = max - 10;
    fields.avg = max - 5;
    fields.diff = 10;
    fields.unit = 0;
    fields.dataType = 1;
    return fields;
}

TEST_F(HostRulesTest, EachRulesNewestIsKeptApartWhileReadGivesTheNewestOfAny) {
    BlockFields point;
    point.time = kTime + 1;
    point.ruleId = 1;
    point.calibType = 0;
    point.presetNo = 7;
    point.point = 36.5f;
    point.unit = 2;
    point.dataType = 3;
    Fire(Box(2, 80.0f, 1));
    Fire(point);
    Fire(Box(3, 50.0f));
    Fire(Box(2, 90.0f, 1));
    Fire(Box(9, 99.0f), 439);  // short: counts for Read, belongs to no rule

    uint32_t max = 0;
    ASSERT_EQ(exports.CamThermometryRead(userId, kChannel, nullptr, nullptr, &max, nullptr, nullptr, 0), 1);
    EXPECT_EQ(max, std::bit_cast<uint32_t>(90.0f)) << "a short event keeps the previous block for Read";
    EXPECT_EQ(Rules(), (std::vector<int32_t>{1, 2, 3}));

    HostReading box;
    ASSERT_EQ(ReadRule(2, box), 1);
    const OrvaneRuleReading b = box.value();
    EXPECT_EQ(b.size, 56);
    EXPECT_EQ(std::vector<int32_t>({b.date, b.time, b.ruleId, b.calibrationType, b.presetNo, b.unit,
                                    b.dataType, b.dataEvents}),
              std::vector<int32_t>({20240305, 90703, 2, 1, 1, 0, 1, 2}));
    EXPECT_EQ(std::vector<uint32_t>({b.point, b.max, b.min, b.avg, b.diff}),
              std::vector<uint32_t>({0, std::bit_cast<uint32_t>(90.0f), std::bit_cast<uint32_t>(80.0f),
                                     std::bit_cast<uint32_t>(85.0f), std::bit_cast<uint32_t>(10.0f)}));
    EXPECT_TRUE(box.UntouchedFrom(56));

    HostReading pointReading;
    ASSERT_EQ(ReadRule(1, pointReading), 1);
    const OrvaneRuleReading p = pointReading.value();
    EXPECT_EQ(std::vector<int32_t>(
                  {p.time, p.ruleId, p.calibrationType, p.presetNo, p.unit, p.dataType, p.dataEvents}),
              std::vector<int32_t>({90704, 1, 0, 7, 2, 3, 1}));
    EXPECT_EQ(p.point, std::bit_cast<uint32_t>(36.5f));
    EXPECT_EQ(p.max, 0u);

    HostReading line;
    ASSERT_EQ(ReadRule(3, line), 1);
    EXPECT_EQ(line.value().max, std::bit_cast<uint32_t>(50.0f));
    EXPECT_EQ(line.value().dataEvents, 1);
}

TEST_F(HostRulesTest, RefusalsWriteNothing) {
    Fire(Box(0, 40.0f));
    Fire(Box(255, 41.0f));
    HostReading reading;
    ASSERT_EQ(ReadRule(255, reading), 1);
    ASSERT_EQ(ReadRule(0, reading), 1);
    const struct {
        const char* what;
        int32_t channel, ruleId, size;
        bool nullReading;
    } refused[] = {
        {"a rule not seen", kChannel, 4, 56, false},          {"a rule ID below 0", kChannel, -1, 56, false},
        {"a rule ID above 255", kChannel, 256, 56, false},    {"a size below 56", kChannel, 0, 55, false},
        {"a negative size", kChannel, 0, -56, false},         {"a null reading", kChannel, 0, 56, true},
        {"a pair never started", kChannel + 1, 0, 56, false},
    };
    for (const auto& c : refused) {
        HostReading untouched(c.size);
        OrvaneRuleReading* target = c.nullReading ? nullptr : untouched.get();
        EXPECT_EQ(exports.CamThermometryReadRule(userId, c.channel, c.ruleId, target, 0), 0) << c.what;
        EXPECT_TRUE(untouched.UntouchedFrom(4)) << c.what;
    }
    HostReading larger(64);
    EXPECT_EQ(ReadRule(0, larger), 1);
    EXPECT_TRUE(larger.UntouchedFrom(56));
    EXPECT_EQ(exports.CamLastFailureCode(0), 0) << "no refusal records a failure";
}

TEST_F(HostRulesTest, TheListCountsBeyondItsCapacity) {
    for (uint8_t rule : {200, 3, 17, 250}) Fire(Box(rule, 30.0f));
    const struct {
        int32_t capacity;
        bool nullBuffer;
        std::vector<int32_t> written;
    } cases[] = {
        {8, false, {3, 17, 200, 250}}, {2, false, {3, 17}}, {0, false, {}}, {-1, false, {}}, {8, true, {}},
    };
    for (const auto& c : cases) {
        std::vector<int32_t> ids(8, -7);
        EXPECT_EQ(
            exports.CamThermometryRules(userId, kChannel, c.nullBuffer ? nullptr : ids.data(), c.capacity, 0),
            4)
            << c.capacity;
        std::vector<int32_t> expected = c.written;
        expected.resize(8, -7);
        EXPECT_EQ(ids, expected) << c.capacity;
    }
    std::vector<int32_t> ids(2, -7);
    EXPECT_EQ(exports.CamThermometryRules(userId, kChannel + 1, ids.data(), 2, 0), -1);
    EXPECT_EQ(ids, (std::vector<int32_t>{-7, -7}));
}

// A stop keeps the rules; a restart starts with none, counts each rule afresh
// and answers with the new subscription's rules; a refused restart gives the
// old ones back.
TEST_F(HostRulesTest, StopKeepsTheRulesAndARestartStartsWithNone) {
    Fire(Box(4, 59.0f));
    Fire(Box(4, 60.0f));
    ASSERT_EQ(exports.CamThermometryStop(userId, kChannel, 0), 1);
    HostReading reading;
    EXPECT_EQ(ReadRule(4, reading), 1);
    EXPECT_EQ(Rules(), (std::vector<int32_t>{4}));

    ASSERT_EQ(exports.CamThermometryStart(userId, kChannel, 0), 1);
    EXPECT_EQ(Rules(), (std::vector<int32_t>{}));
    HostReading none;
    EXPECT_EQ(ReadRule(4, none), 0);
    EXPECT_TRUE(none.UntouchedFrom(4));

    Fire(Box(4, 61.0f));
    Fire(Box(5, 70.0f));
    Fire(Box(5, 71.0f));
    EXPECT_EQ(Rules(), (std::vector<int32_t>{4, 5}));
    HostReading fresh;
    ASSERT_EQ(ReadRule(5, fresh), 1);
    EXPECT_EQ(fresh.value().dataEvents, 2);
    ASSERT_EQ(ReadRule(4, fresh), 1);
    EXPECT_EQ(fresh.value().dataEvents, 1) << "the rule's count carried over the restart";

    ASSERT_EQ(exports.CamThermometryStop(userId, kChannel, 0), 1);
    StandinScriptResult(STANDIN_OP_START_REMOTE_CONFIG, -1, 23);
    ASSERT_EQ(exports.CamThermometryStart(userId, kChannel, 0), 0);
    EXPECT_EQ(Rules(), (std::vector<int32_t>{4, 5}))
        << "a refused restart answers as the subscription it replaced";
}

}  // namespace
}  // namespace testsupport

namespace testsupport {
namespace {

// The stand-in's multi-rule cameras, streaming, through the exports.
class HostSiteRulesTest : public HostLibraryTest {
protected:
    int32_t LogIn(const char* address) {
        return exports.CamLogin(address, STANDIN_CAMERA_PORT, STANDIN_CAMERA_USER, STANDIN_CAMERA_PASSWORD,
                                0);
    }
    // The rules of the pair once `count` of them arrived (or what arrived
    // within ten seconds).
    std::vector<int32_t> RulesOnceArrived(int32_t userId, int32_t channel, std::size_t count) {
        std::vector<int32_t> ids(8, -1);
        for (int wait = 0; wait < 1000; ++wait) {
            const int32_t found = exports.CamThermometryRules(userId, channel, ids.data(), 8, 0);
            if (found >= static_cast<int32_t>(count)) {
                ids.resize(static_cast<std::size_t>(found));
                return ids;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return {};
    }
};

TEST_F(HostSiteRulesTest, TheSiteHasAThreeRuleCameraAndRulesCanBeSet) {
    const StandinRule set[] = {{7, 0, 3}, {8, 1, 3}};
    ASSERT_EQ(StandinSetRules("192.0.2.64", 2, set, 2), 1);
    const struct {
        const char* what;
        const char* address;
        const StandinRule* rules;
        int32_t count;
    } refused[] = {
        {"outside the site", "192.0.3.1", set, 1},
        {"no address", nullptr, set, 1},
        {"null rules", "192.0.2.64", nullptr, 1},
        {"a negative count", "192.0.2.64", set, -1},
    };
    for (const auto& c : refused) EXPECT_EQ(StandinSetRules(c.address, 2, c.rules, c.count), 0) << c.what;
    for (const StandinRule bad : {StandinRule{256, 0, 0}, StandinRule{1, 3, 0}, StandinRule{1, 0, 65536}}) {
        EXPECT_EQ(StandinSetRules("192.0.2.64", 2, &bad, 1), 0);
    }
    Load();
    const int32_t multi = LogIn("192.0.2.66");
    const int32_t single = LogIn("192.0.2.64");
    ASSERT_GE(multi, 0);
    ASSERT_GE(single, 0);
    ASSERT_EQ(exports.CamThermometryStart(multi, 1, 0), 1);
    ASSERT_EQ(exports.CamThermometryStart(single, 1, 0), 1);
    ASSERT_EQ(exports.CamThermometryStart(single, 2, 0), 1);
    EXPECT_EQ(RulesOnceArrived(multi, 1, 3), (std::vector<int32_t>{1, 2, 3}));
    EXPECT_EQ(RulesOnceArrived(single, 1, 1), (std::vector<int32_t>{1}));
    EXPECT_EQ(RulesOnceArrived(single, 2, 2), (std::vector<int32_t>{7, 8}));

    const struct {
        int32_t userId, channel, ruleId, calibrationType, presetNo;
    } expected[] = {{multi, 1, 1, 0, 0},  {multi, 1, 2, 1, 0},  {multi, 1, 3, 2, 0},
                    {single, 1, 1, 2, 0}, {single, 2, 7, 0, 3}, {single, 2, 8, 1, 3}};
    for (const auto& e : expected) {
        HostReading reading;
        ASSERT_EQ(exports.CamThermometryReadRule(e.userId, e.channel, e.ruleId, reading.get(), 0), 1);
        const OrvaneRuleReading r = reading.value();
        EXPECT_EQ(std::vector<int32_t>({r.ruleId, r.calibrationType, r.presetNo}),
                  std::vector<int32_t>({e.ruleId, e.calibrationType, e.presetNo}));
        const float point = std::bit_cast<float>(r.point), max = std::bit_cast<float>(r.max),
                    min = std::bit_cast<float>(r.min);
        if (e.calibrationType == 0) {
            EXPECT_GT(point, 15.0f) << e.ruleId;
            EXPECT_EQ(std::vector<uint32_t>({r.max, r.min, r.avg, r.diff}), std::vector<uint32_t>(4, 0))
                << e.ruleId;
        } else {
            EXPECT_GT(min, 15.0f) << e.ruleId;
            EXPECT_GT(max, min) << e.ruleId;
            EXPECT_EQ(std::bit_cast<float>(r.diff), max - min) << e.ruleId;
        }
    }
}

}  // namespace
}  // namespace testsupport
