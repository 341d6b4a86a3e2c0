#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "core/library_state.hpp"
#include "core/platform/last_error.hpp"
#include "core/sdk_error_text.hpp"
#include "support/standin_fixture.hpp"
#include "support/subscription_support.hpp"

namespace orvane {
namespace {

using testsupport::CallsOf;
using testsupport::JournalOperations;
using testsupport::StartRecord;

class LibraryStateTest : public testsupport::StandinTest {
protected:
    std::unique_ptr<LibraryState> Load() { return std::make_unique<LibraryState>(sdk::importedSdk()); }
};

TEST_F(LibraryStateTest, LoadStartsTheSdkOnceAndNothingElse) {
    auto library = Load();
    EXPECT_TRUE(library->SdkReady());
    EXPECT_EQ(JournalOperations(), std::vector<int32_t>{STANDIN_OP_INIT});
    EXPECT_TRUE(library->LastFailureText().empty());
}

TEST_F(LibraryStateTest, FailedSdkStartLeavesTheLibraryNotReady) {
    StandinScriptResult(STANDIN_OP_INIT, 0, 41);
    auto library = Load();
    EXPECT_FALSE(library->SdkReady());
    // Whatever the thread's last-error value holds, the text says the SDK did not start.
    platform::SetLastError(7);
    library->RecordFailure();
    EXPECT_EQ(library->LastFailureText(), kSdkNotReadyText);
    EXPECT_EQ(library->LastFailureCode(), kSdkNotReadyCode);
}

// No SDK to bind: neither load nor unload calls anything, and failures say the
// SDK did not start. (The exports' refusals are tested on the built library.)
TEST_F(LibraryStateTest, WithNoSdkNothingIsCalledAndTheSdkCountsAsNotStarted) {
    auto library = std::make_unique<LibraryState>(static_cast<const sdk::SdkOps*>(nullptr));
    EXPECT_FALSE(library->SdkBound());
    EXPECT_FALSE(library->SdkReady());
    platform::SetLastError(7);
    library->RecordFailure();
    EXPECT_EQ(library->LastFailureText(), kSdkNotReadyText);
    library.reset();
    EXPECT_TRUE(JournalOperations().empty());
}

TEST_F(LibraryStateTest, UnloadWithoutSubscriptionsOnlyCleansUp) {
    Load().reset();
    EXPECT_EQ(JournalOperations(), (std::vector<int32_t>{STANDIN_OP_INIT, STANDIN_OP_CLEANUP}));
}

TEST_F(LibraryStateTest, UnloadCleansUpFirstThenStopsEachLiveSubscriptionInOrder) {
    auto library = Load();
    auto& list = library->Subscriptions();
    StartRecord(list, 1, 2, 5);
    StartRecord(list, 1, 2, -3);  // a failed start beside a running one
    StartRecord(list, 7, 1, 0);
    StartRecord(list, 7, 2, 4);
    StartRecord(list, 7, 3, 9);
    StartRecord(list, 7, 3, 2);   // supersedes 9, which runs on until unload
    StartRecord(list, 8, 1, -1);  // only failed starts
    // Confirmed stopped: its handle may be another subscription's by now.
    ASSERT_EQ(list.Stop(7, 2, [](int32_t) { return true; }),
              thermometry::SubscriptionList::StopResult::Stopped);
    library.reset();
    std::vector<int32_t> expected{STANDIN_OP_INIT, STANDIN_OP_CLEANUP};
    expected.resize(6, STANDIN_OP_STOP_REMOTE_CONFIG);
    EXPECT_EQ(JournalOperations(), expected);
    std::vector<int64_t> stopped;
    for (const auto& call : CallsOf(STANDIN_OP_STOP_REMOTE_CONFIG)) stopped.push_back(call.arguments[0]);
    EXPECT_EQ(stopped, (std::vector<int64_t>{5, 0, 9, 2}));
}

// The two ends at a process's end, with the subscriptions above and a start
// held inside the SDK (its pair's lock held, as by a thread the system ended):
// after the threads were ended, the SDK is shut down and each live subscription
// stopped without waiting for that lock; with a call still inside, nothing at
// all is called in the SDK.
TEST_F(LibraryStateTest, EndsAtProcessEndCallWhatTheyMustAndWaitForNoLock) {
    struct Case {
        void (LibraryState::*end)();
        std::vector<int64_t> stopped;
    };
    for (const Case& c : {Case{&LibraryState::EndWithThreadsEnded, {5, 0, 9, 2}},
                          Case{&LibraryState::EndWithCallInside, {}}}) {
        StandinReset();
        StandinJournalClear();
        auto library = Load();
        auto& list = library->Subscriptions();
        StartRecord(list, 1, 2, 5);
        StartRecord(list, 1, 2, -3);
        StartRecord(list, 7, 1, 0);
        StartRecord(list, 7, 2, 4);
        StartRecord(list, 7, 3, 9);
        StartRecord(list, 7, 3, 2);
        ASSERT_EQ(list.Stop(7, 2, [](int32_t) { return true; }),
                  thermometry::SubscriptionList::StopResult::Stopped);
        std::atomic<bool> inside{false}, release{false};
        std::thread held([&] {
            list.Start(9, 9, [&](thermometry::ThermometrySubscription&) {
                inside = true;
                while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
                return false;
            });
        });
        while (!inside) std::this_thread::yield();
        ((*library).*c.end)();
        std::vector<int32_t> expected{STANDIN_OP_INIT};
        if (!c.stopped.empty()) expected.push_back(STANDIN_OP_CLEANUP);
        expected.resize(expected.size() + c.stopped.size(), STANDIN_OP_STOP_REMOTE_CONFIG);
        EXPECT_EQ(JournalOperations(), expected);
        std::vector<int64_t> stopped;
        for (const auto& call : CallsOf(STANDIN_OP_STOP_REMOTE_CONFIG)) stopped.push_back(call.arguments[0]);
        EXPECT_EQ(stopped, c.stopped);
        EXPECT_FALSE(library->SdkReady());
        release = true;
        held.join();
    }
}

TEST_F(LibraryStateTest, RecordFailureDescribesTheThreadsLastError) {
    auto library = Load();
    EXPECT_EQ(library->LastFailureCode(), 0);
    const struct {
        uint32_t code;
        std::u16string text;
    } cases[] = {
        {0, u"没有错误。"},
        {1, u"用户名密码错误。注册时输入的用户名或者密码错误。 "},
        {114, u"设备配置核心组件加载失败。 "},
        {115, u"错误码{code}"},
        {121, u"单独加载组件时，组件与core版本不匹配。 "},
        {188, u"连接尚未建立或连接无效 "},
        {189, u"错误码{code}"},
        {0xFFFFFFFFu, u"错误码{code}"},
    };
    for (const auto& c : cases) {
        platform::SetLastError(c.code);
        library->RecordFailure();
        EXPECT_EQ(library->LastFailureText(), c.text) << "code " << c.code;
        EXPECT_EQ(library->LastFailureCode(), static_cast<int32_t>(c.code));
    }
}

TEST_F(LibraryStateTest, EachThreadRecordsItsOwnCode) {
    auto library = Load();
    std::thread other([&] {
        platform::SetLastError(7);
        library->RecordFailure();
    });
    other.join();
    EXPECT_EQ(library->LastFailureText(), DescribeSdkError(7));
    platform::SetLastError(23);
    library->RecordFailure();
    EXPECT_EQ(library->LastFailureText(), DescribeSdkError(23));
}

TEST_F(LibraryStateTest, SubscriptionsKeepTheirAddressesAndTheNewestStartedAnswers) {
    auto library = Load();
    auto& list = library->Subscriptions();
    auto& first = StartRecord(list, 3, 1, 1000);
    std::vector<thermometry::ThermometrySubscription*> records{&first};
    // Each start beside a running one takes a record of its own.
    for (int i = 0; i < 100; ++i) records.push_back(&StartRecord(list, 3, i % 5, i));
    EXPECT_EQ(list.Find(3, 1), records[97]);
    EXPECT_EQ(list.Find(3, 2), records[98]);
    // A failed start beside the running one (channel 4): that one keeps answering.
    records.push_back(&StartRecord(list, 3, 4, -1));
    EXPECT_EQ(list.Find(3, 4), records[100]);
    EXPECT_EQ(list.Find(4, 1), nullptr);
    int index = 0;
    list.ForEach([&](auto& record) { EXPECT_EQ(&record, records[index++]); });
    EXPECT_EQ(index, 102);
}

TEST_F(LibraryStateTest, AppendsFromManyThreadsAreAllKept) {
    auto library = Load();
    auto& list = library->Subscriptions();
    constexpr int kThreads = 4, kPerThread = 250;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kPerThread; ++i) {
                auto& record = StartRecord(list, t, i, i);
                ASSERT_EQ(list.Find(t, i), &record);
            }
        });
    }
    for (auto& thread : threads) thread.join();
    int count = 0;
    list.ForEach([&](auto&) { ++count; });
    EXPECT_EQ(count, kThreads * kPerThread);
}

}  // namespace
}  // namespace orvane
