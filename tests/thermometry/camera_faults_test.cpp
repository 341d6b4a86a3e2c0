// The stand-in's camera as rough as a real one: handles reused as table
// indexes, sessions ended from the camera's side, reboots, slow calls.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/platform/last_error.hpp"
#include "hcnetsdk.h"
#include "support/hang_watchdog.hpp"
#include "support/platform/environment.hpp"
#include "support/standin_fixture.hpp"

namespace testsupport {
namespace {

namespace fs = std::filesystem;

constexpr uint32_t kThermometryCommand = 3629;
constexpr auto kPatience = std::chrono::seconds(20);

// What the camera delivered to one session: kinds and the status words.
struct Delivered {
    std::mutex lock;
    std::vector<std::vector<uint32_t>> statuses;
    int data = 0;
    std::vector<std::pair<int, int>> rules;  // of the data events: rule ID, calibration type
    std::vector<float> readings;             // of the data events: the value at offset 48
};

void HCNETSDK_CALL Record(int32_t kind, void* buffer, int32_t length, void* context) {
    auto& delivered = *static_cast<Delivered*>(context);
    std::lock_guard guard(delivered.lock);
    if (kind != 0) {
        ++delivered.data;
        if (length >= 52) {
            const auto* block = static_cast<const uint8_t*>(buffer);
            delivered.rules.emplace_back(block[44], block[45]);
            float reading = 0;
            std::memcpy(&reading, block + 48, sizeof reading);
            delivered.readings.push_back(reading);
        }
        return;
    }
    std::vector<uint32_t> words(static_cast<std::size_t>(length) / 4);
    if (!words.empty()) std::memcpy(words.data(), buffer, words.size() * 4);
    delivered.statuses.push_back(words);
}

// How many statuses and data events a session has got so far.
std::pair<std::size_t, int> Seen(Delivered& delivered) {
    std::lock_guard guard(delivered.lock);
    return {delivered.statuses.size(), delivered.data};
}

// Whether the session gets more data events than `before` within kPatience.
bool GetsData(Delivered& delivered, int before = 0) {
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (Seen(delivered).second <= before) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

// A folder of control files in the system's temporary folder, named by
// HCNETSDK_STANDIN_CONTROL for as long as it lives.
class ControlFolder {
public:
    ControlFolder() {
        fs::create_directories(path);
        SetEnvironment("HCNETSDK_STANDIN_CONTROL", path.string().c_str());
    }
    ~ControlFolder() {
        SetEnvironment("HCNETSDK_STANDIN_CONTROL", nullptr);
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
    // The file appears whole under its ".cmd" name, as a script makes it.
    void Drop(const std::string& name, const std::string& text) const {
        std::ofstream(path / (name + ".tmp"), std::ios::binary) << text;
        fs::rename(path / (name + ".tmp"), path / (name + ".cmd"));
    }
    // Whether the stand-in has carried the file out (deleted it) within kPatience.
    bool Taken(const std::string& name) const {
        const auto deadline = std::chrono::steady_clock::now() + kPatience;
        while (fs::exists(path / (name + ".cmd"))) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return true;
    }

    const fs::path path =
        fs::temp_directory_path() /
        ("standin-control-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
};

// A callback that, once entered, waits until the test releases it.
struct Blocking {
    std::mutex lock;
    std::condition_variable changed;
    bool entered = false, released = false;

    static void HCNETSDK_CALL Callback(int32_t, void*, int32_t, void* context) {
        auto& b = *static_cast<Blocking*>(context);
        std::unique_lock guard(b.lock);
        b.entered = true;
        b.changed.notify_all();
        b.changed.wait(guard, [&] { return b.released; });
    }
    void WaitEntered() {
        std::unique_lock guard(lock);
        changed.wait(guard, [&] { return entered; });
    }
    void Release() {
        const std::lock_guard guard(lock);
        released = true;
        changed.notify_all();
    }
};

class CameraFaultsTest : public StandinTest {
protected:
    void SetUp() override {
        StandinTest::SetUp();
        StandinSetStreaming(0);
        ASSERT_NE(NET_DVR_Init(), 0);
        userId = LogIn();
        ASSERT_GE(userId, 0);
    }
    void TearDown() override {
        NET_DVR_Cleanup();
        StandinTest::TearDown();
    }
    static int32_t LogIn(const char* address = STANDIN_CAMERA_ADDRESS) {
        auto record =
            ExpectedLoginRecord(address, STANDIN_CAMERA_PORT, STANDIN_CAMERA_USER, STANDIN_CAMERA_PASSWORD);
        std::vector<uint8_t> device(344);
        return NET_DVR_Login_V40(record.data(), device.data());
    }
    int32_t StartSession(int32_t user, int32_t channel, Delivered& delivered) {
        return Start(user, channel, &Record, &delivered);
    }
    // Channel 1 of the fixture's login, with a callback that blocks once entered.
    int32_t StartBlockedSession(Blocking& blocking) {
        return Start(userId, 1, &Blocking::Callback, &blocking);
    }
    static int32_t Start(int32_t user, int32_t channel, decltype(&Blocking::Callback) callback,
                         void* context) {
        std::vector<uint8_t> condition(72, 0);
        condition[0] = 72;
        std::memcpy(&condition[4], &channel, 4);
        return NET_DVR_StartRemoteConfig(user, kThermometryCommand, condition.data(), 72, callback, context);
    }
    static bool Fire(int32_t handle) {
        std::vector<uint8_t> block(440, 0);
        return StandinFireEvent(handle, 2, block.data(), 440) == 1;
    }

    int32_t userId = -1;
};

TEST_F(CameraFaultsTest, HandlesAreTheLowestFreeAndEachStopNamesThePairItEnded) {
    Delivered delivered[4];
    EXPECT_EQ(StartSession(userId, 1, delivered[0]), 0);
    EXPECT_EQ(StartSession(userId, 2, delivered[1]), 1);
    EXPECT_EQ(StartSession(userId, 3, delivered[2]), 2);
    const struct {
        int32_t stopHandle;
        int32_t result;
        int32_t endedChannel;  // -1: none
    } stops[] = {{1, 1, 2}, {1, 0, -1}, {-1, 0, -1}, {0, 1, 1}};
    for (const auto& stop : stops) {
        StandinJournalClear();
        EXPECT_EQ(NET_DVR_StopRemoteConfig(stop.stopHandle), stop.result) << stop.stopHandle;
        const auto calls = CallsOf(STANDIN_OP_STOP_REMOTE_CONFIG);
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0].arguments[1], stop.endedChannel < 0 ? -1 : userId);
        EXPECT_EQ(calls[0].arguments[2], stop.endedChannel);
    }
    // 0 and 1 are free again: the lowest first.
    EXPECT_EQ(StartSession(userId, 4, delivered[3]), 0);
    EXPECT_EQ(StartSession(userId, 4, delivered[3]), 1);
    EXPECT_EQ(StandinChannelSession(userId, 4), 1);  // the newest of the pair
    EXPECT_EQ(StandinStopsOfPair(userId, 2), 1u);
    EXPECT_EQ(StandinStopsOfPair(userId, 4), 0u);
}

TEST_F(CameraFaultsTest, TheCameraEndsSessionsWithAStatus) {
    const struct {
        const char* name;
        uint32_t status, code;
        int32_t continuing;
        std::vector<uint32_t> words;
        bool runsOn;
    } cases[] = {
        {"a transient failure", STANDIN_STATUS_FAILED, 23, 1, {1002, 23}, true},
        {"a failure", STANDIN_STATUS_FAILED, 7, 0, {1002, 7}, false},
        {"the end", STANDIN_STATUS_FINISHED, 0, 0, {1001}, false},
    };
    for (const auto& c : cases) {
        Delivered delivered;
        const int32_t handle = StartSession(userId, 1, delivered);
        ASSERT_EQ(handle, 0) << c.name;
        EXPECT_EQ(StandinEndSession(handle, c.status, c.code, c.continuing), 1) << c.name;
        EXPECT_EQ(delivered.statuses, std::vector<std::vector<uint32_t>>{c.words}) << c.name;
        EXPECT_EQ(Fire(handle), c.runsOn) << c.name;
        EXPECT_EQ(StandinEndSession(handle, c.status, c.code, 0), c.runsOn ? 1 : 0) << c.name;
        // The handle stays held until the host stops it; the stop succeeds.
        EXPECT_EQ(StandinChannelSession(userId, 1), -1) << c.name;
        EXPECT_EQ(NET_DVR_StopRemoteConfig(handle), 1) << c.name;
    }
}

TEST_F(CameraFaultsTest, ARebootEndsSessionsAndLoginsOfThatCameraOnly) {
    Delivered delivered[2];
    ASSERT_EQ(StartSession(userId, 1, delivered[0]), 0);
    ASSERT_EQ(StartSession(userId, 2, delivered[1]), 1);
    StandinRebootCamera("192.0.2.99");  // another camera: nothing changes
    EXPECT_TRUE(Fire(0));
    StandinRebootCamera(STANDIN_CAMERA_ADDRESS);
    for (auto& d : delivered) {
        EXPECT_EQ(
            d.statuses,
            (std::vector<std::vector<uint32_t>>{{STANDIN_STATUS_FAILED, STANDIN_ERROR_RECEIVE_TIMEOUT}}));
    }
    EXPECT_FALSE(Fire(0));
    Delivered after;
    EXPECT_EQ(StartSession(userId, 3, after), -1);
    EXPECT_EQ(orvane::platform::LastError(), static_cast<uint32_t>(STANDIN_ERROR_NO_SUCH_USER));
    EXPECT_EQ(NET_DVR_Logout(userId), 0);
    const int32_t again = LogIn();
    EXPECT_EQ(again, userId);                     // the reboot freed it: the lowest free ID again
    EXPECT_EQ(StartSession(again, 3, after), 2);  // 0 and 1 are held until stopped
    EXPECT_EQ(NET_DVR_StopRemoteConfig(0), 1);
    StandinRebootCamera(nullptr);  // every camera
    EXPECT_EQ(after.statuses.size(), 1u);
}

// A start racing a reboot is either ended by it or refused: no session keeps
// running on a login the reboot dropped.
TEST_F(CameraFaultsTest, NoSessionOutlivesTheLoginARebootDropped) {
    std::atomic<bool> rebooting{true};
    std::thread rebooter([&] {
        while (rebooting) StandinRebootCamera(STANDIN_CAMERA_ADDRESS);
    });
    std::vector<std::pair<int32_t, int32_t>> started;  // user ID, handle
    std::vector<Delivered> delivered(4000);
    for (Delivered& d : delivered) {
        const int32_t user = LogIn();
        const int32_t handle = user < 0 ? -1 : StartSession(user, 1, d);
        if (handle >= 0) started.emplace_back(user, handle);
    }
    rebooting = false;
    rebooter.join();
    Delivered probe;
    for (const auto& [user, handle] : started) {
        const bool running = Fire(handle);
        const int32_t another = StartSession(user, 2, probe);
        EXPECT_FALSE(running && another < 0) << "session " << handle << " runs on dropped login " << user;
        if (another >= 0) NET_DVR_StopRemoteConfig(another);
        NET_DVR_StopRemoteConfig(handle);
    }
}

TEST_F(CameraFaultsTest, SlowCallsTakeAtLeastTheirDelay) {
    StandinSetCallDelay(STANDIN_OP_LOGOUT, 60);
    const auto before = std::chrono::steady_clock::now();
    EXPECT_EQ(NET_DVR_Logout(userId), 1);
    EXPECT_GE(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(60));
    StandinSetCallDelay(-1, 0);
    EXPECT_GE(LogIn(), 0);
}

// User IDs are table indexes too: a login gets the lowest one free, also one a
// logout or a reboot freed.
TEST_F(CameraFaultsTest, UserIdsAreTheLowestFree) {
    EXPECT_EQ(userId, 0);
    EXPECT_EQ(LogIn(), 1);
    EXPECT_EQ(LogIn(), 2);
    EXPECT_EQ(NET_DVR_Logout(1), 1);
    EXPECT_EQ(LogIn(), 1);
    EXPECT_EQ(LogIn(), 3);
    StandinRebootCamera(STANDIN_CAMERA_ADDRESS);
    EXPECT_EQ(LogIn(), 0);
    EXPECT_EQ(LogIn(), 1);
}

// Only 192.0.2.N, 198.51.100.N and 203.0.113.N with N from 0 to 255 in plain
// decimal answer, to a login as to the control functions that take an address.
TEST_F(CameraFaultsTest, OnlyTheSiteAddressesAnswer) {
    const struct {
        const char* address;
        bool answers;
    } cases[] = {{"192.0.2.0", true},      {"192.0.2.7", true},       {"192.0.2.255", true},
                 {"198.51.100.0", true},   {"198.51.100.7", true},    {"198.51.100.255", true},
                 {"203.0.113.0", true},    {"203.0.113.7", true},     {"203.0.113.255", true},
                 {"192.0.2.07", false},    {"192.0.2.007", false},    {"192.0.2.00", false},
                 {"192.0.2.256", false},   {"192.0.2.", false},       {"192.0.2.1x", false},
                 {"192.0.2.-1", false},    {"192.0.3.7", false},      {" 192.0.2.7", false},
                 {"198.51.100.07", false}, {"198.51.100.999", false}, {"198.51.100.", false},
                 {"198.51.101.7", false},  {"198.51.100.7 ", false},  {"198.51.100.7.1", false},
                 {"203.0.113.00", false},  {"203.0.113.256", false},  {"203.0.113.+7", false},
                 {"203.0.114.7", false},   {"203.0.113.7x", false},   {"203.0.113", false},
                 {"0203.0.113.7", false},  {"203.000.113.7", false},  {"10.0.0.7", false}};
    for (const auto& c : cases) {
        auto record =
            ExpectedLoginRecord(c.address, STANDIN_CAMERA_PORT, STANDIN_CAMERA_USER, STANDIN_CAMERA_PASSWORD);
        std::vector<uint8_t> device(344);
        const int32_t user = NET_DVR_Login_V40(record.data(), device.data());
        EXPECT_EQ(user >= 0, c.answers) << c.address;
        if (user >= 0) {
            EXPECT_EQ(NET_DVR_Logout(user), 1);
        }
        EXPECT_EQ(StandinSetRules(c.address, 1, nullptr, 0), c.answers ? 1 : 0) << c.address;
        EXPECT_EQ(StandinSetChannelSilent(c.address, 1, 0), c.answers ? 1 : 0) << c.address;
    }
}

// Cameras of the three ranges with the same last number, and a neighbour: each
// streams readings of its own, and a control line aimed at one acts on it alone.
TEST_F(CameraFaultsTest, EachRangeHasCamerasOfItsOwn) {
    HangWatchdog watchdog(std::chrono::seconds(60), "EachRangeHasCamerasOfItsOwn");
    const ControlFolder control;
    NET_DVR_Cleanup();
    ASSERT_NE(NET_DVR_Init(), 0);  // looking into the folder
    StandinSetStreaming(1);
    const struct {
        const char* address;
        bool rebooted;
    } cameras[] = {
        {"192.0.2.7", false}, {"198.51.100.7", false}, {"203.0.113.7", true}, {"203.0.113.8", false}};
    Delivered delivered[std::size(cameras)];
    struct CleanupFirst {
        ~CleanupFirst() { NET_DVR_Cleanup(); }
    } cleanupFirst;
    for (std::size_t i = 0; i < std::size(cameras); ++i) {
        const int32_t user = LogIn(cameras[i].address);
        ASSERT_GE(user, 0) << cameras[i].address;
        ASSERT_GE(StartSession(user, 1, delivered[i]), 0) << cameras[i].address;
        ASSERT_TRUE(GetsData(delivered[i])) << cameras[i].address;
    }
    float first[std::size(cameras)] = {};  // each session's first reading
    for (std::size_t i = 0; i < std::size(cameras); ++i) {
        std::lock_guard guard(delivered[i].lock);
        first[i] = delivered[i].readings.at(0);
        EXPECT_GT(first[i], 15.0f) << cameras[i].address;
        EXPECT_LT(first[i], 55.0f) << cameras[i].address;
        for (std::size_t j = 0; j < i; ++j) EXPECT_NE(first[i], first[j]) << cameras[i].address;
    }
    control.Drop("reboot", "reboot 203.0.113.7\n");
    ASSERT_TRUE(control.Taken("reboot"));
    const std::vector<std::vector<uint32_t>> reboot{{1000},
                                                    {STANDIN_STATUS_FAILED, STANDIN_ERROR_RECEIVE_TIMEOUT}};
    for (std::size_t i = 0; i < std::size(cameras); ++i) {
        std::lock_guard guard(delivered[i].lock);
        EXPECT_EQ(delivered[i].statuses == reboot, cameras[i].rebooted) << cameras[i].address;
    }
}

// The journal keeps the newest calls only, and no password: the login record's
// copy has the field blank, and the password can only be compared.
TEST_F(CameraFaultsTest, TheJournalIsBoundedAndKeepsNoPassword) {
    StandinJournalClear();
    ASSERT_EQ(LogIn(), 1);
    const auto logins = CallsOf(STANDIN_OP_LOGIN);
    ASSERT_EQ(logins.size(), 1u);
    const std::string password = STANDIN_CAMERA_PASSWORD;
    const auto& record = logins[0].records[0];
    EXPECT_EQ(std::search(record.begin(), record.end(), password.begin(), password.end()), record.end());
    EXPECT_EQ(StandinJournalPasswordIs(0, password.data(), password.size()), 1);
    EXPECT_EQ(StandinJournalPasswordIs(0, "orvane-dem", 10), 0);
    EXPECT_EQ(StandinJournalPasswordIs(0, "", 0), 0);
    for (int32_t i = 0; i < STANDIN_JOURNAL_CAPACITY + 10; ++i) NET_DVR_Logout(-100 - i);
    EXPECT_EQ(StandinJournalSize(), static_cast<size_t>(STANDIN_JOURNAL_CAPACITY));
    EXPECT_EQ(StandinJournalOperation(0), STANDIN_OP_LOGOUT);
    EXPECT_EQ(StandinJournalArgument(0, 0), -100 - 10);  // the login and ten logouts made room
    EXPECT_EQ(StandinJournalPasswordIs(0, password.data(), password.size()), -1);
}

// One delay for every operation (-1): each kind of call waits it.
TEST_F(CameraFaultsTest, ADelayForEveryOperationSlowsEachOfThem) {
    StandinSetCallDelay(-1, 30);
    const std::function<void()> calls[] = {
        [] { NET_DVR_Logout(-1); },
        [] { NET_DVR_PTZControlWithSpeed_Other(-1, 1, 1, 0, 1); },
        [] { NET_DVR_StopRemoteConfig(-1); },
        [] { LogIn(); },
    };
    for (const auto& call : calls) {
        const auto before = std::chrono::steady_clock::now();
        call();
        EXPECT_GE(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(30));
    }
    StandinSetCallDelay(-1, 0);
}

// Stops of a session whose callback is still running: a second stop of the
// handle fails, a start meanwhile gets another handle (the stopping session
// still holds its own), and the stop ends only its session.
TEST_F(CameraFaultsTest, AStopWaitingForItsCallbackEndsOnlyItsSession) {
    // A start that took the handle of a stop still under way would wait with it.
    HangWatchdog watchdog(std::chrono::seconds(30), "AStopWaitingForItsCallbackEndsOnlyItsSession");
    Blocking blocking;
    const int32_t old = StartBlockedSession(blocking);
    ASSERT_EQ(old, 0);
    std::thread firing([&] { Fire(old); });
    blocking.WaitEntered();
    std::atomic<int32_t> firstStop{-1}, secondStop{-1};
    std::atomic<uint32_t> secondError{0};
    std::thread stopping([&] { firstStop = NET_DVR_StopRemoteConfig(old); });
    while (StandinChannelSession(userId, 1) != -1) std::this_thread::yield();  // the stop has begun
    std::thread stoppingAgain([&] {
        secondStop = NET_DVR_StopRemoteConfig(old);
        secondError = orvane::platform::LastError();
    });
    // Give the second stop time to reach the session while the first waits
    // (it is journalled before it acts); a wrong stop would wait too.
    while (CallsOf(STANDIN_OP_STOP_REMOTE_CONFIG).size() < 2) std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    Delivered fresh;
    const int32_t newer = StartSession(userId, 2, fresh);
    EXPECT_EQ(newer, 1);
    blocking.Release();
    stopping.join();
    stoppingAgain.join();
    firing.join();
    EXPECT_EQ(firstStop.load(), 1);
    EXPECT_EQ(secondStop.load(), 0);
    EXPECT_EQ(secondError.load(), static_cast<uint32_t>(STANDIN_ERROR_INVALID_HANDLE));
    EXPECT_TRUE(Fire(newer));
    EXPECT_EQ(StandinChannelSession(userId, 2), newer);
    EXPECT_EQ(StandinStopsOfPair(userId, 1), 1u);
    EXPECT_EQ(StandinStopsOfPair(userId, 2), 0u);
    // Now the old handle is free, and a stop of it does not touch the newer session.
    Delivered reusing;
    EXPECT_EQ(StartSession(userId, 3, reusing), old);
    EXPECT_EQ(NET_DVR_StopRemoteConfig(old), 1);
    EXPECT_TRUE(Fire(newer));
    EXPECT_EQ(StandinStopsOfPair(userId, 2), 0u);
}

// A stop that waited for its callback and answers late, after a cleanup forgot
// its session and a new start took the same handle: it ends nothing of the new
// session.
TEST_F(CameraFaultsTest, ALateStopLeavesTheSessionThatTookItsHandle) {
    HangWatchdog watchdog(std::chrono::seconds(30), "ALateStopLeavesTheSessionThatTookItsHandle");
    Blocking blocking;
    const int32_t old = StartBlockedSession(blocking);
    ASSERT_EQ(old, 0);
    std::thread firing([&] { Fire(old); });
    blocking.WaitEntered();
    StandinHoldStops(1);
    std::atomic<int32_t> stopped{-1};
    std::thread stopping([&] { stopped = NET_DVR_StopRemoteConfig(old); });
    while (StandinChannelSession(userId, 1) != -1) std::this_thread::yield();  // the stop waits
    blocking.Release();
    firing.join();
    EXPECT_NE(NET_DVR_Cleanup(), 0);
    EXPECT_NE(NET_DVR_Init(), 0);
    userId = LogIn();
    Delivered fresh;
    EXPECT_EQ(StartSession(userId, 2, fresh), old);
    StandinHoldStops(0);
    stopping.join();
    EXPECT_EQ(stopped.load(), 1);
    EXPECT_TRUE(Fire(old)) << "the late stop ended the session that took its handle";
    EXPECT_EQ(StandinChannelSession(userId, 2), old);
}

// Commands from outside the process: files dropped into the folder that
// HCNETSDK_STANDIN_CONTROL names, carried out in name order while the SDK is
// initialised, each deleted when done.
TEST_F(CameraFaultsTest, ControlFilesRebootAndTakeCamerasOfflineAndOnline) {
    HangWatchdog watchdog(std::chrono::seconds(60), "ControlFilesRebootAndTakeCamerasOfflineAndOnline");
    const ControlFolder control;
    const fs::path& folder = control.path;
    const auto drop = [&](const std::string& name, const std::string& text) { control.Drop(name, text); };
    const auto taken = [&](const std::string& name) { return control.Taken(name); };
    const auto logIn = [](const char* address) {
        auto record =
            ExpectedLoginRecord(address, STANDIN_CAMERA_PORT, STANDIN_CAMERA_USER, STANDIN_CAMERA_PASSWORD);
        std::vector<uint8_t> device(344);
        const int32_t user = NET_DVR_Login_V40(record.data(), device.data());
        return user >= 0 ? 0u : orvane::platform::LastError();
    };
    const char* const cameras[] = {"192.0.2.64", "192.0.2.66"};

    // Files there before the SDK starts are carried out before its start
    // returns, in name order: the later "online" wins; the rules apply to the
    // first session.
    NET_DVR_Cleanup();
    drop("1-first", "offline 192.0.2.66\nrules 192.0.2.64 2 point box\n");
    drop("2-then", "online 192.0.2.66\r\n");
    ASSERT_NE(NET_DVR_Init(), 0);
    EXPECT_FALSE(fs::exists(folder / "1-first.cmd") || fs::exists(folder / "2-then.cmd"));
    EXPECT_EQ(logIn("192.0.2.66"), 0u);
    {
        StandinSetStreaming(1);
        Delivered streamed;
        const int32_t handle = StartSession(LogIn(), 2, streamed);  // (the cleanup ended userId)
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        for (bool enough = false; !enough && std::chrono::steady_clock::now() < deadline;) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            std::lock_guard guard(streamed.lock);
            enough = streamed.data >= 2;
        }
        NET_DVR_StopRemoteConfig(handle);
        StandinSetStreaming(0);
        ASSERT_GE(streamed.rules.size(), 2u);
        EXPECT_EQ(streamed.rules[0], std::make_pair(1, 0));  // the first tick: a point, then a box
        EXPECT_EQ(streamed.rules[1], std::make_pair(2, 1));
    }

    const struct {
        const char* commands;
        bool ended[2];        // each camera's session ended by a reboot
        uint32_t refused[2];  // each camera's login error afterwards, 0 when it succeeds
    } steps[] = {
        {"reboot 192.0.2.64\n", {true, false}, {0, 0}},
        {"offline 192.0.2.66\n", {false, true}, {0, STANDIN_ERROR_CONNECT}},
        {"offline 192.0.2.66\nreboot 192.0.2.0377\nwake 192.0.2.64\nreboot\nreboot 192.0.2.64 now\n\n"
         "rules 192.0.2.64 1 circle\nrules 192.0.2.64 x point\n",
         {false, false},
         {0, STANDIN_ERROR_CONNECT}},
        {"online 192.0.2.66\n", {false, false}, {0, 0}},
        {"offline 192.0.2.64\nreboot 192.0.2.66", {true, true}, {STANDIN_ERROR_CONNECT, 0}},
        {"online 192.0.2.64\n", {false, false}, {0, 0}},
    };
    Delivered deliveredOfSteps[std::size(steps)][2];  // as long as the sessions
    for (std::size_t index = 0; index < std::size(steps); ++index) {
        const auto& step = steps[index];
        Delivered(&delivered)[2] = deliveredOfSteps[index];
        for (int i = 0; i < 2; ++i) {
            auto record = ExpectedLoginRecord(cameras[i], STANDIN_CAMERA_PORT, STANDIN_CAMERA_USER,
                                              STANDIN_CAMERA_PASSWORD);
            std::vector<uint8_t> device(344);
            const int32_t user = NET_DVR_Login_V40(record.data(), device.data());
            if (user >= 0) StartSession(user, 1, delivered[i]);
        }
        drop("step", step.commands);
        ASSERT_TRUE(taken("step")) << step.commands;
        for (int i = 0; i < 2; ++i) {
            const std::vector<std::vector<uint32_t>> reboot{
                {STANDIN_STATUS_FAILED, STANDIN_ERROR_RECEIVE_TIMEOUT}};
            std::lock_guard guard(delivered[i].lock);
            EXPECT_EQ(delivered[i].statuses == reboot, step.ended[i]) << step.commands << cameras[i];
            EXPECT_EQ(logIn(cameras[i]), step.refused[i]) << step.commands << cameras[i];
        }
    }
    // A reset brings every camera back online.
    drop("last", "offline 192.0.2.64\n");
    ASSERT_TRUE(taken("last"));
    StandinReset();
    EXPECT_EQ(logIn("192.0.2.64"), 0u);

    // Once the SDK is cleaned up, files stay where they are.
    NET_DVR_Cleanup();
    drop("late", "offline 192.0.2.64\n");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_TRUE(fs::exists(folder / "late.cmd"));
}

// "end" ends a channel's sessions from the camera's side, those of every login
// to the camera, and leaves the logins; "silent" stalls a channel's stream,
// also for sessions started later, until "stream". Other channels and cameras
// stream on.
TEST_F(CameraFaultsTest, ControlFilesEndOrStallAChannelsStream) {
    HangWatchdog watchdog(std::chrono::seconds(120), "ControlFilesEndOrStallAChannelsStream");
    const ControlFolder control;
    NET_DVR_Cleanup();
    ASSERT_NE(NET_DVR_Init(), 0);
    StandinSetStreaming(1);
    const int32_t users[] = {LogIn("192.0.2.64"), LogIn("192.0.2.64"), LogIn("192.0.2.66")};
    // Two logins to one camera on its channel 1, another channel of it, another camera.
    constexpr std::size_t kPairs = 4;
    const struct {
        int login;
        int32_t channel;
    } pairs[kPairs] = {{0, 1}, {1, 1}, {0, 2}, {2, 1}};
    enum class Fate { kStreams, kEnded, kStalls };
    constexpr Fate S = Fate::kStreams, E = Fate::kEnded, Q = Fate::kStalls;
    const struct {
        const char* commands;
        Fate fates[kPairs];
        uint32_t code;  // of an end
    } steps[] = {
        {"end 192.0.2.64\nend 192.0.2.64 x\nend 192.0.2.64 1 -3\nend 192.0.2.64 1 2 3\nend 192.0.2.640 1\n"
         "silent 192.0.2.64\nsilent 192.0.2.64 1 2\nstream 192.0.2.64 one\nsilent 192.0.3.64 1\n",
         {S, S, S, S},
         0},
        {"end 192.0.2.64 1 23\n", {E, E, S, S}, 23},
        {"end 192.0.2.64 1\n", {E, E, S, S}, STANDIN_ERROR_RECEIVE_TIMEOUT},
        {"silent 192.0.2.64 1\n", {Q, Q, S, S}, 0},  // the last: stalled until "stream" below
    };
    Delivered delivered[std::size(steps)][std::size(pairs)];
    Delivered later[std::size(steps)][std::size(pairs)];  // sessions started after the step's commands
    // No callback may outlive the records above, also when an assertion ends the test.
    struct CleanupFirst {
        ~CleanupFirst() { NET_DVR_Cleanup(); }
    } cleanupFirst;
    int32_t handles[std::size(pairs)] = {};
    for (std::size_t step = 0; step < std::size(steps); ++step) {
        const auto& s = steps[step];
        for (std::size_t i = 0; i < std::size(pairs); ++i) {
            if (step > 0) NET_DVR_StopRemoteConfig(handles[i]);
            handles[i] = StartSession(users[pairs[i].login], pairs[i].channel, delivered[step][i]);
            ASSERT_GE(handles[i], 0);
            ASSERT_TRUE(GetsData(delivered[step][i])) << s.commands << i;
        }
        control.Drop("step", s.commands);
        ASSERT_TRUE(control.Taken("step")) << s.commands;
        std::pair<std::size_t, int> seen[std::size(pairs)];
        for (std::size_t i = 0; i < std::size(pairs); ++i) seen[i] = Seen(delivered[step][i]);
        for (std::size_t i = 0; i < std::size(pairs); ++i) {
            if (s.fates[i] != Fate::kStreams) {
                EXPECT_GE(StartSession(users[pairs[i].login], pairs[i].channel, later[step][i]), 0);
            }
        }
        std::this_thread::sleep_for(3 * std::chrono::milliseconds(STANDIN_STREAM_INTERVAL_MS));
        for (std::size_t i = 0; i < std::size(pairs); ++i) {
            Delivered& d = delivered[step][i];
            const std::string where = std::string(s.commands) + " session " + std::to_string(i);
            switch (s.fates[i]) {
                case Fate::kStreams:
                    EXPECT_TRUE(GetsData(d, seen[i].second)) << where;
                    break;
                case Fate::kEnded: {
                    std::lock_guard guard(d.lock);
                    EXPECT_EQ(d.statuses,
                              (std::vector<std::vector<uint32_t>>{{1000}, {STANDIN_STATUS_FAILED, s.code}}))
                        << where;
                    EXPECT_EQ(d.data, seen[i].second) << where;
                    // The login stays, and a new start of the channel streams.
                    EXPECT_TRUE(GetsData(later[step][i])) << where;
                    break;
                }
                case Fate::kStalls:
                    EXPECT_EQ(Seen(d), seen[i]) << where;
                    EXPECT_EQ(Seen(later[step][i]), std::make_pair(std::size_t{0}, 0)) << where;
                    break;
            }
        }
    }
    // The stall ends: the running sessions stream again, and one started
    // meanwhile first gets its start's status.
    const std::size_t last = std::size(steps) - 1;
    control.Drop("go-on", "stream 192.0.2.64 1\n");
    ASSERT_TRUE(control.Taken("go-on"));
    for (std::size_t i = 0; i < std::size(pairs); ++i) {
        if (steps[last].fates[i] != Fate::kStalls) continue;
        Delivered& running = delivered[last][i];
        EXPECT_TRUE(GetsData(running, Seen(running).second)) << i;
        Delivered& started = later[last][i];
        EXPECT_TRUE(GetsData(started)) << i;
        std::lock_guard guard(started.lock);
        EXPECT_EQ(started.statuses, std::vector<std::vector<uint32_t>>{{1000}}) << i;
    }
}

// The stall in process: only a site address is taken; a reset lets every channel go on.
TEST_F(CameraFaultsTest, AStallOfAChannelNeedsASiteAddressAndEndsWithAReset) {
    const struct {
        const char* address;
        int32_t result;
    } cases[] = {{"192.0.2.64", 1}, {"192.0.2.256", 0}, {"192.0.3.64", 0}, {nullptr, 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(StandinSetChannelSilent(c.address, 1, 1), c.result) << (c.address ? c.address : "null");
    }
    StandinReset();  // streaming again, and no login
    Delivered delivered;
    struct CleanupFirst {
        ~CleanupFirst() { NET_DVR_Cleanup(); }
    } cleanupFirst;
    ASSERT_GE(StartSession(LogIn(), 1, delivered), 0);
    EXPECT_TRUE(GetsData(delivered));
}

}  // namespace
}  // namespace testsupport
