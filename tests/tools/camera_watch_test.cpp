// The camera-watching core over the loaded library and the stand-in: one
// scenario host, the watch's clock run by the test (data arrives in real time,
// at 200 ms), each camera fault injected the way a real camera shows it.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <tuple>
#include <vector>

#include "support/standin_fixture.hpp"
#include "watch/camera_watch.hpp"
#include "watch/login_pace.hpp"
#include "watch/login_workers.hpp"
#include "watch/user_id_registry.hpp"

namespace orvane_cli {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

constexpr const char* kRulesCamera = "192.0.2.66";  // point 1, box 2, line 3

class WatchScenario : public testsupport::StandinTest {
protected:
    void SetUp() override {
        StandinTest::SetUp();
        std::string error;
        ASSERT_TRUE(library.Load(error)) << error;
    }
    void TearDown() override {
        for (auto& camera : cameras) camera->End(true);
        StandinTest::TearDown();
    }

    CameraWatch& Watch(const std::string& address, const std::vector<int32_t>& channels = {1}) {
        cameras.push_back(std::make_unique<CameraWatch>(address, channels, login, settings));
        return *cameras.back();
    }
    // A poll at `now`, its job run at once; the job it ran.
    CameraJob Round(CameraWatch& camera, Milliseconds now) {
        const CameraJob job = camera.Poll(now);
        if (job == CameraJob::kLogIn) camera.LogInAndSubscribe(now);
        if (job == CameraJob::kRestart) camera.RestartMarked(now);
        return job;
    }
    // Rounds every 100 ms of the watch's clock up to `until`: when each login was tried, in seconds.
    std::vector<double> LoginTries(CameraWatch& camera, Milliseconds until) {
        std::vector<double> tries;
        for (milliseconds now(0); now <= until; now += milliseconds(100)) {
            if (Round(camera, now) == CameraJob::kLogIn) tries.push_back(now.count() / 1000.0);
        }
        return tries;
    }
    static void WaitForData() { std::this_thread::sleep_for(milliseconds(700)); }
    std::vector<std::string> Log() {
        const std::lock_guard lock(logMutex);
        return log;
    }
    std::vector<LogEvent> Events() {
        const std::lock_guard lock(logMutex);
        return events;
    }

    CameraLibrary library;
    UserIdRegistry userIds;
    std::shared_ptr<PasswordSource> password = std::make_shared<PasswordSource>(STANDIN_CAMERA_PASSWORD, "");
    LoginSettings login{STANDIN_CAMERA_PORT, STANDIN_CAMERA_USER, password};
    std::mutex logMutex;
    std::vector<std::string> log;
    std::vector<LogEvent> events;
    WatchSettings settings{library,
                           [this](const LogEvent& event) {
                               if (event.level == LogLevel::kDebug) return;  // as the default log
                               const std::lock_guard lock(logMutex);
                               log.push_back(event.message);
                               events.push_back(event);
                           },
                           userIds,
                           milliseconds(200),
                           kDefaultWrongPasswordPause,
                           [] { return 1.0; }};
    std::vector<std::unique_ptr<CameraWatch>> cameras;
};

// Refused logins are tried again after a pause by the kind of failure: it
// grows, up to 30 s for a camera off the network; a wrong password waits
// ten minutes, unless the password changes.
TEST_F(WatchScenario, RefusedLoginsWaitAPauseByTheirCause) {
    const struct {
        const char* what;
        uint32_t code;
        std::vector<double> tries;
    } cases[] = {
        {"off the network", 7, {0, 1, 3, 7, 15, 31, 61, 91}},
        {"refused otherwise", 23, {0, 1, 3, 7, 15, 31, 63}},
        {"wrong password", 1, {0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        StandinReset();
        for (int i = 0; i < 10; ++i) StandinScriptResult(STANDIN_OP_LOGIN, -1, c.code);
        CameraWatch& camera = Watch(STANDIN_CAMERA_ADDRESS);
        EXPECT_EQ(LoginTries(camera, seconds(100)), c.tries);
        EXPECT_FALSE(camera.View(seconds(100), 0).up);
    }
    // The wrong password's camera says so, and a new password is tried at once.
    EXPECT_EQ(cameras.back()->View(seconds(100), 0).login, LoginState::kWrongPassword);
    StandinScriptClear();
    const std::string file = testing::TempDir() + "orvane-watch-password";
    std::FILE* f = std::fopen(file.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs(STANDIN_CAMERA_PASSWORD "\n", f);
    std::fclose(f);
    PasswordSource fromFile("old", file);
    fromFile.Refresh();
    EXPECT_EQ(fromFile.generation(), 1u);
    EXPECT_EQ(fromFile.Get(), STANDIN_CAMERA_PASSWORD);
    password->Refresh();  // no file: no change
    EXPECT_EQ(password->generation(), 0u);
}

// A camera fails its subscription and refuses the restart (a reboot that left
// the login answering): the watch logs in again rather than restarting forever.
TEST_F(WatchScenario, ARestartRefusedWhileFailingLeadsToANewLogin) {
    CameraWatch& camera = Watch(STANDIN_CAMERA_ADDRESS);
    ASSERT_EQ(Round(camera, seconds(0)), CameraJob::kLogIn);
    ASSERT_EQ(StandinEndSession(StandinChannelSession(camera.userId(), 1), STANDIN_STATUS_FAILED, 10, 0), 1);
    StandinScriptResult(STANDIN_OP_START_REMOTE_CONFIG, -1, 23);
    EXPECT_EQ(Round(camera, seconds(1)), CameraJob::kRestart);
    const CameraView view = camera.View(seconds(1), 0);
    EXPECT_TRUE(view.up);
    EXPECT_EQ(view.loginsTotal, 2);
    EXPECT_EQ(testsupport::CallsOf(STANDIN_OP_LOGOUT).size(), 1u);
}

// Two cameras reboot; the SDK gives the first one's user ID to the second's
// new login. The first must never call or read with that ID again.
TEST_F(WatchScenario, AUserIdGivenToAnotherCameraIsNeverUsedAgain) {
    CameraWatch& first = Watch(STANDIN_CAMERA_ADDRESS, {1, 2});
    CameraWatch& second = Watch(kRulesCamera);
    Round(first, seconds(0));
    const int32_t id = first.userId();
    StandinRebootCamera(STANDIN_CAMERA_ADDRESS);
    Round(second, seconds(0));
    ASSERT_EQ(second.userId(), id);
    // The new owner stopped what the dropped login left on the ID, its channel 2 too.
    EXPECT_EQ(StandinStopsOfPair(id, 2), 1u);
    WaitForData();
    const std::size_t before = StandinJournalSize();
    EXPECT_EQ(first.Poll(seconds(1)), CameraJob::kLogIn);
    EXPECT_EQ(StandinJournalSize(), before);  // not a call: reads go through the library only
    const CameraView view = first.View(seconds(1), 0);
    EXPECT_FALSE(view.up);
    EXPECT_TRUE(view.channels[0].rules.empty());
}

// The camera ends its stream and sends nothing more while the login stays:
// its readings turn stale at once, the channel is silent after the limit, and
// the age of its data goes on growing over restarts. A restart that brings
// another rule set replaces the rules.
TEST_F(WatchScenario, ReadingsTurnStaleAndRulesFollowTheCamera) {
    CameraWatch& camera = Watch(kRulesCamera);
    Round(camera, seconds(0));
    WaitForData();
    Round(camera, seconds(1));
    CameraView view = camera.View(seconds(1), 1000);
    ASSERT_EQ(view.channels[0].rules.size(), 3u);
    EXPECT_TRUE(view.channels[0].rules[0].current);
    EXPECT_EQ(view.channels[0].state, kStateRunning);
    ASSERT_NE(view.channels[0].lastDataUnixSeconds, std::nullopt);
    EXPECT_LE(*view.channels[0].lastDataUnixSeconds, 1000);

    ASSERT_EQ(StandinSetChannelSilent(kRulesCamera, 1, 1), 1);
    Round(camera, seconds(5));
    view = camera.View(seconds(5), 0);
    EXPECT_EQ(view.channels[0].state, kStateRunning);
    EXPECT_TRUE(view.channels[0].rules[0].current);
    EXPECT_EQ(Round(camera, seconds(12)), CameraJob::kRestart);
    view = camera.View(seconds(13), 0);
    EXPECT_EQ(view.channels[0].state, kChannelSilent);
    EXPECT_GE(*view.channels[0].secondsSinceData, 12);  // not counted again from the restart
    ASSERT_EQ(view.channels[0].rules.size(), 3u);
    EXPECT_FALSE(view.channels[0].rules[0].current);
    EXPECT_GE(view.channels[0].secondsWithoutData, 12);

    // Back, measuring one other rule: after the next restart only that rule is left.
    const StandinRule seven{7, 1, 0};
    ASSERT_EQ(StandinSetRules(kRulesCamera, 1, &seven, 1), 1);
    ASSERT_EQ(StandinSetChannelSilent(kRulesCamera, 1, 0), 1);
    EXPECT_EQ(Round(camera, seconds(30)), CameraJob::kRestart);
    WaitForData();
    Round(camera, seconds(31));
    view = camera.View(seconds(31), 0);
    ASSERT_EQ(view.channels[0].rules.size(), 1u);
    EXPECT_EQ(view.channels[0].rules[0].reading.rule, 7);
    EXPECT_TRUE(view.channels[0].rules[0].current);
    EXPECT_EQ(view.channels[0].state, kStateRunning);

    // The camera ends the stream with a code: failing, and nothing current.
    ASSERT_EQ(StandinEndSession(StandinChannelSession(camera.userId(), 1), STANDIN_STATUS_FAILED, 23, 0), 1);
    StandinScriptResult(STANDIN_OP_START_REMOTE_CONFIG, -1, 23);
    camera.Poll(seconds(32));
    view = camera.View(seconds(32), 0);
    EXPECT_EQ(view.channels[0].state, kStateCameraFailing);
    EXPECT_FALSE(view.channels[0].rules[0].current);
}

// A camera taken off the network: its stream ends, the restart finds the
// login gone, and the login is refused. The log's first line names the
// network failure, and the channel's failure is not logged beside it.
TEST_F(WatchScenario, TheLogTellsTheCauseFirstAndEachChangeOnce) {
    CameraWatch& camera = Watch(STANDIN_CAMERA_ADDRESS);
    Round(camera, seconds(0));
    const std::size_t before = Log().size();
    StandinRebootCamera(STANDIN_CAMERA_ADDRESS);
    for (int i = 0; i < 10; ++i) StandinScriptResult(STANDIN_OP_LOGIN, -1, 7);
    for (milliseconds now = seconds(1); now <= seconds(20); now += milliseconds(200)) Round(camera, now);
    const std::vector<std::string> lines = Log();
    ASSERT_GT(lines.size(), before);
    EXPECT_NE(lines[before].find("error 7"), std::string::npos) << lines[before];
    EXPECT_EQ(lines.size(), before + 1) << lines.back();
    EXPECT_GE(camera.View(seconds(20), 0).loginFailures.at(7), 4);
    // Each event says how much it matters and what it is about.
    const std::vector<LogEvent> events = Events();
    const auto about = [](const LogEvent& e) { return std::tuple(e.level, e.camera, e.channel); };
    EXPECT_EQ(about(events[before - 1]), std::tuple(LogLevel::kInfo, STANDIN_CAMERA_ADDRESS, 1))
        << events[before - 1].message;
    EXPECT_EQ(about(events[before]), std::tuple(LogLevel::kWarn, STANDIN_CAMERA_ADDRESS, 0));
}

// Logins run beside each other on the workers: two that each wait for the
// other would never end if one held the queue while it ran.
TEST(LoginWorkers, RunJobsAtOnce) {
    std::mutex mutex;
    std::condition_variable changed;
    int arrived = 0, met = 0;
    {
        LoginWorkers workers(2);
        for (int i = 0; i < 2; ++i) {
            workers.Run([&] {
                std::unique_lock lock(mutex);
                ++arrived;
                changed.notify_all();
                if (changed.wait_for(lock, seconds(5), [&] { return arrived == 2; })) ++met;
                changed.notify_all();
            });
        }
        std::unique_lock lock(mutex);
        changed.wait_for(lock, seconds(12), [&] { return met == 2; });
    }
    EXPECT_EQ(met, 2);
}

// Logins asked for at once, from several workers, begin a pace's spacing apart.
TEST(LoginPace, SpacesTheBeginningsOfLogins) {
    LoginPace pace(200);
    std::mutex mutex;
    std::vector<LoginPace::Clock::time_point> slots;
    std::vector<std::thread> workers;
    for (int t = 0; t < 4; ++t) {
        workers.emplace_back([&] {
            for (int i = 0; i < 5; ++i) {
                const auto slot = pace.Wait();
                const std::lock_guard lock(mutex);
                slots.push_back(slot);
            }
        });
    }
    for (std::thread& worker : workers) worker.join();
    std::sort(slots.begin(), slots.end());
    ASSERT_EQ(slots.size(), 20u);
    for (std::size_t i = 1; i < slots.size(); ++i) EXPECT_GE(slots[i] - slots[i - 1], milliseconds(5)) << i;
}

// Logins that keep overlapping never keep a call out: once it waits, no new
// login comes in, and logins still run beside each other.
TEST(UserIdRegistry, ACallWaitingStopsNewLoginsAndLoginsOverlap) {
    UserIdRegistry registry;
    { const UserIdRegistry::CallScope earlier(registry); }  // the turn went to the logins when it ended
    std::atomic<int> entered{0}, inside{0}, mostInside{0};
    std::atomic<bool> stop{false};
    std::vector<std::thread> logins;
    for (int t = 0; t < 3; ++t) {
        logins.emplace_back([&] {
            for (int i = 0; i < 300 && !stop; ++i) {
                const UserIdRegistry::LoginScope login(registry);
                ++entered;
                const int now = ++inside;
                for (int most = mostInside; now > most && !mostInside.compare_exchange_weak(most, now);) {
                }
                std::this_thread::sleep_for(milliseconds(2));
                --inside;
            }
        });
    }
    while (entered < 20) std::this_thread::yield();
    const int before = entered;
    int after = 0;
    {
        const UserIdRegistry::CallScope call(registry);
        after = entered;
        EXPECT_EQ(inside, 0);
    }
    stop = true;
    for (std::thread& login : logins) login.join();
    // At most the logins already on their way in when the call came.
    EXPECT_LE(after - before, 3);
    EXPECT_GE(mostInside, 2);
}

}  // namespace
}  // namespace orvane_cli
