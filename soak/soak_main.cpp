// A soak of the library as a host runs it for months, against the stand-in SDK:
// 64 thermometry subscriptions; SDK threads firing data events whose time word
// and readings all carry a sequence number; host threads mixing reads, restarts
// of subscriptions, PTZ queries, logins and logouts. It checks that every read is
// one whole event and never older than one read before, that every start and
// stop succeeds and the newest subscription answers, that resident memory and
// open descriptors stay flat, and (given the path where the library writes its
// log: /tmp/orvane-drive-d/~log.txt on Linux) that every log line is whole and
// every data event was logged; then it measures the heap bytes one
// stop-and-start cycle keeps. Bounded in events and in time.
//
// --harsh turns on the world real cameras make: the SDK reuses handles (always),
// calls are slow, and a camera thread ends sessions from the camera's side and
// reboots the camera now and then; host threads restart what ended and log in
// again after a reboot, under user IDs that other logins held before (the
// stand-in gives the lowest free one). It also checks that no stop ever ended
// another pair's subscription (the stand-in counts the sessions each pair's
// stops ended), that every live subscription could be stopped, and that every
// refused start came after a reboot that dropped its login.
//   orvane_soak [--harsh] [--events N] [--seconds S] [--cycles N] [--sdk-threads N]
//               [--log FILE [--rotate COMMAND --rotations N]] [--rss-slack-mb N]
// --rotate runs COMMAND (up to N times) while events flow, as an operator's log
// rotation would; the log check then reads the log and every generation left.
//   orvane_soak --long      (1,000,000 events, up to 30 minutes)
#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "dynamic_library.hpp"
#include "event_code.hpp"
#include "hcnetsdk_standin.h"
#include "log_check.hpp"
#include "log_rotation.hpp"
#include "orvane_exports.hpp"
#include "process_usage.hpp"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kThreads = 8;         // SDK threads, and host threads
constexpr int kPairsPerThread = 8;  // 64 subscriptions
constexpr int kPairs = kThreads * kPairsPerThread;
constexpr int32_t kDataKind = 2;

struct Options {
    uint64_t events = 100000;
    double seconds = 300;
    uint64_t cycles = 20000;
    uint64_t rssSlackMb = 16;
    std::string log;
    std::string rotate;  // a command that rotates the log, run while events flow
    int rotations = 0;
    int sdkThreads = kThreads;  // how many SDK threads deliver events
    bool harsh = false;
};

bool ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--long") {
            options.events = 1000000;
            options.seconds = 1800;
            options.cycles = 100000;
        } else if (arg == "--events" && hasValue) {
            options.events = std::strtoull(argv[++i], nullptr, 10);
        } else if (arg == "--seconds" && hasValue) {
            options.seconds = std::strtod(argv[++i], nullptr);
        } else if (arg == "--cycles" && hasValue) {
            options.cycles = std::strtoull(argv[++i], nullptr, 10);
        } else if (arg == "--rss-slack-mb" && hasValue) {
            options.rssSlackMb = std::strtoull(argv[++i], nullptr, 10);
        } else if (arg == "--harsh") {
            options.harsh = true;
        } else if (arg == "--log" && hasValue) {
            options.log = argv[++i];
        } else if (arg == "--rotate" && hasValue) {
            options.rotate = argv[++i];
        } else if (arg == "--rotations" && hasValue) {
            options.rotations = std::atoi(argv[++i]);
        } else if (arg == "--sdk-threads" && hasValue) {
            options.sdkThreads = std::clamp(std::atoi(argv[++i]), 1, kThreads);
        } else {
            std::fprintf(
                stderr,
                "usage: %s [--long] [--harsh] [--events N] [--seconds S] [--cycles N] "
                "[--log FILE [--rotate COMMAND --rotations N]] [--sdk-threads N] [--rss-slack-mb N]\n",
                argv[0]);
            return false;
        }
    }
    return true;
}

// A host thread changes its pairs' user ID when it logs in again after a reboot.
struct Pair {
    std::atomic<int32_t> userId{-1};
    int32_t channel = 0;
};

// Shared by all threads; every count only grows.
struct Tally {
    std::atomic<uint64_t> delivered{0};    // data events the SDK handed to a subscription
    std::atomic<uint64_t> undelivered{0};  // fired while the pair had no running subscription
    std::atomic<uint64_t> reads{0};
    std::atomic<uint64_t> readsWithData{0};
    std::atomic<uint64_t> tornReads{0};
    std::atomic<uint64_t> backwardReads{0};  // older than a read before it
    std::atomic<uint64_t> restarts{0};
    std::atomic<uint64_t> failedStops{0};
    std::atomic<uint64_t> failedStarts{0};
    std::atomic<uint64_t> ptzQueries{0};
    std::atomic<uint64_t> failedPtz{0};
    std::atomic<uint64_t> logins{0};
    std::atomic<uint64_t> failedLogins{0};
    std::atomic<uint64_t> cameraEnds{0};  // sessions the camera ended (harsh)
    std::atomic<uint64_t> reboots{0};
    std::atomic<uint64_t> startsRefused{0};  // after a reboot dropped the login (harsh)
    std::atomic<uint64_t> reusedIds{0};      // logins under an ID another host thread had
};

class Soak {
public:
    Soak(const hostloader::OrvaneExports& lib, const Options& options) : lib_(lib), options_(options) {}

    bool Prepare() {
        if (options_.harsh) {
            StandinSetCallDelay(STANDIN_OP_START_REMOTE_CONFIG, 1);
            StandinSetCallDelay(STANDIN_OP_STOP_REMOTE_CONFIG, 1);
            StandinSetCallDelay(STANDIN_OP_LOGIN, 2);
        }
        for (int t = 0; t < kThreads; ++t) {
            for (int c = 0; c < kPairsPerThread; ++c) pairs_[t * kPairsPerThread + c].channel = c + 1;
            if (!LogInAgain(t)) return false;
            for (int c = 0; c < kPairsPerThread; ++c) {
                if (!live_[t * kPairsPerThread + c]) return false;
            }
        }
        return true;
    }

    // Harsh: the camera thread is stopped; every host logs in again and restarts
    // its subscriptions, so that each pair runs once more.
    void Settle() {
        for (int t = 0; t < kThreads; ++t) DropPairs(t);
        staleHosts_ = 0;
        settledReboots_ = tally_.reboots.load();
        for (int t = 0; t < kThreads; ++t) {
            handledReboots_[t] = settledReboots_.load();
            needsLogin_[t] = !LogInAgain(t);
        }
    }

    // The pairs whose subscriptions were ended by stops other than their own
    // (the stand-in's count of sessions a pair's stops ended differs from the
    // number of the host's stops of that pair's live subscription).
    uint64_t StopsOfOtherPairs() {
        std::lock_guard guard(stopsLock_);
        uint64_t wrong = 0;
        for (const auto& key : startedPairs_) {
            const auto found = hostStops_.find(key);
            const uint64_t expected = found == hostStops_.end() ? 0 : found->second;
            if (StandinStopsOfPair(key.first, key.second) != expected) ++wrong;
        }
        return wrong;
    }

    // Runs SDK and host threads until `events` more data events were delivered
    // or the time is up; false when the time ran out first.
    bool Run(uint64_t events, Clock::time_point deadline) {
        const uint64_t target = tally_.delivered.load() + events;
        std::atomic<bool> hostsStop{false};
        std::atomic<bool> timedOut{false};
        std::vector<std::thread> threads;
        for (int t = 0; t < options_.sdkThreads; ++t) {
            threads.emplace_back(
                [this, t, target, deadline, &timedOut] { SdkThread(t, target, deadline, timedOut); });
        }
        std::vector<std::thread> hosts;
        for (int t = 0; t < kThreads; ++t) {
            hosts.emplace_back([this, t, &hostsStop] { HostThread(t, hostsStop); });
        }
        if (options_.harsh) hosts.emplace_back([this, &hostsStop] { CameraThread(hostsStop); });
        for (auto& thread : threads) thread.join();
        hostsStop = true;
        for (auto& thread : hosts) thread.join();
        StandinJournalClear();
        return !timedOut;
    }

    // One more event for every pair, then a read of each must return exactly it:
    // the newest subscription answers. Returns the pairs that did not.
    uint64_t CheckNewestAnswers() {
        uint64_t wrong = 0;
        for (int p = 0; p < kPairs; ++p) {
            const uint32_t sequence = ++sequences_[p];
            if (!Fire(p, sequence)) {
                ++wrong;
                continue;
            }
            int32_t date = 0, time = 0;
            uint32_t maxBits = 0, minBits = 0, avgBits = 0;
            const bool answered = lib_.CamThermometryRead(pairs_[p].userId, pairs_[p].channel, &date, &time,
                                                          &maxBits, &minBits, &avgBits, 0) == 1;
            const soak::DecodedSequence read = soak::DecodeRead(date, time, maxBits, minBits, avgBits);
            if (!answered || !read.Whole() || read.fromTime != sequence) ++wrong;
        }
        return wrong;
    }

    // Stops and restarts subscriptions `cycles` times, with one event each.
    void Cycle(uint64_t cycles) {
        for (uint64_t i = 0; i < cycles; ++i) {
            const int p = static_cast<int>(i % kPairs);
            Restart(p);
            Fire(p, ++sequences_[p]);
            if (i % 4096 == 0) StandinJournalClear();
        }
        StandinJournalClear();
    }

    const Tally& Counts() const { return tally_; }

private:
    bool Fire(int p, uint32_t sequence) {
        const auto block = soak::BlockOf(sequence, static_cast<uint8_t>(p));
        if (StandinFireChannelEvent(pairs_[p].userId, pairs_[p].channel, kDataKind, block.data(),
                                    static_cast<int32_t>(block.size())) == 1) {
            ++tally_.delivered;
            return true;
        }
        ++tally_.undelivered;
        return false;
    }

    // SDK thread t delivers the events of host thread t's pairs, one pair after
    // another, each pair's sequence numbers counting up.
    void SdkThread(int t, uint64_t target, Clock::time_point deadline, std::atomic<bool>& timedOut) {
        for (uint64_t round = 0; tally_.delivered.load(std::memory_order_relaxed) < target; ++round) {
            if (round % 256 == 0 && Clock::now() > deadline) {
                timedOut = true;
                return;
            }
            const int p = t * kPairsPerThread + static_cast<int>(round % kPairsPerThread);
            const uint32_t sequence = ++sequences_[p];
            if (sequence >= soak::kSequenceLimit) {
                timedOut = true;
                return;
            }
            Fire(p, sequence);
        }
    }

    // Stops the pair's subscription; one the host started must stop. Counts the
    // stops of live subscriptions per pair, for StopsOfOtherPairs.
    void StopPair(int p) {
        const int32_t userId = pairs_[p].userId.load();
        const bool stopped = lib_.CamThermometryStop(userId, pairs_[p].channel, 0) == 1;
        if (!live_[p]) return;  // its start failed: nothing to stop
        if (!stopped) {
            ++tally_.failedStops;
            return;
        }
        live_[p] = false;
        std::lock_guard guard(stopsLock_);
        ++hostStops_[{userId, pairs_[p].channel}];
    }

    // Starts the pair under its host thread's login. Other threads see the
    // pair's user ID only once the start succeeded: until then the ID's
    // stopped subscription of an earlier login answers reads of the pair.
    void StartPair(int p) {
        const int t = p / kPairsPerThread;
        const int32_t userId = loginIds_[t];
        live_[p] = lib_.CamThermometryStart(userId, pairs_[p].channel, 0) == 1;
        {
            std::lock_guard guard(stopsLock_);
            startedPairs_.insert({userId, pairs_[p].channel});
        }
        pairs_[p].userId = live_[p] ? userId : -1;
        if (live_[p]) return;
        // A reboot that began after the login did refuse the start; any other
        // refusal is a fault.
        const bool rebootSinceLogin = rebootsBegun_.load() > loginReboots_[t];
        ++(options_.harsh && rebootSinceLogin ? tally_.startsRefused : tally_.failedStarts);
    }

    void Restart(int p) {
        StopPair(p);
        StartPair(p);
        ++tally_.restarts;
    }

    // Stops host thread t's subscriptions and leaves its pairs without a login,
    // so that no thread uses an ID that a new login may be given.
    void DropPairs(int t) {
        for (int c = 0; c < kPairsPerThread; ++c) {
            const int p = t * kPairsPerThread + c;
            StopPair(p);
            pairs_[p].userId = -1;
        }
    }

    // Logs host thread t in (again) and starts its pairs' subscriptions under
    // the new login.
    bool LogInAgain(int t) {
        int32_t userId = -1;
        for (int attempt = 0; attempt < 100 && userId < 0; ++attempt) {
            loginReboots_[t] = tally_.reboots.load();
            userId = lib_.CamLogin(STANDIN_CAMERA_ADDRESS, STANDIN_CAMERA_PORT, STANDIN_CAMERA_USER,
                                   STANDIN_CAMERA_PASSWORD, 0);
        }
        if (userId < 0) return false;
        if (userId < static_cast<int32_t>(idOwners_.size())) {
            const int before = idOwners_[static_cast<std::size_t>(userId)].exchange(t + 1);
            if (before != 0 && before != t + 1) ++tally_.reusedIds;
        }
        loginIds_[t] = userId;
        for (int c = 0; c < kPairsPerThread; ++c) StartPair(t * kPairsPerThread + c);
        return true;
    }

    // Harsh, at the top of each host step: after a reboot the thread drops its
    // pairs (their login is gone and its ID free), then waits until every
    // thread has done so before it logs in again, since a new login may be
    // given any freed ID. False while it waits.
    bool FollowReboots(int t) {
        if (const uint64_t reboots = tally_.reboots.load(); reboots != handledReboots_[t]) {
            DropPairs(t);
            handledReboots_[t] = reboots;
            needsLogin_[t] = true;
            std::lock_guard guard(loginLock_);
            if (--staleHosts_ == 0) settledReboots_ = reboots;
        }
        if (needsLogin_[t]) {
            if (settledReboots_.load() < handledReboots_[t]) return false;
            needsLogin_[t] = !LogInAgain(t);
        }
        return !needsLogin_[t];
    }

    // Harsh: ends random sessions from the camera's side (a transient failure
    // that streams on, a failure, or the end) and reboots the camera now and
    // then; flags what ended for its host thread.
    void CameraThread(const std::atomic<bool>& stop) {
        std::mt19937 random(20261207);
        std::uniform_int_distribution<int> anyPair(0, kPairs - 1);
        constexpr uint64_t kRebootEvery = 150;
        for (uint64_t op = 1; !stop.load(std::memory_order_relaxed); ++op) {
            // A whole millisecond: the Windows build rounds a shorter sleep down
            // to none, which turned the camera into a reboot storm under wine.
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            if (op % kRebootEvery == 0) {
                // Not while hosts still hold IDs of the previous reboot's logins.
                std::lock_guard guard(loginLock_);
                if (staleHosts_ != 0) continue;
                ++rebootsBegun_;
                StandinRebootCamera(STANDIN_CAMERA_ADDRESS);
                staleHosts_ = kThreads;
                ++tally_.reboots;
                continue;
            }
            const int p = anyPair(random);
            const int32_t handle = StandinChannelSession(pairs_[p].userId.load(), pairs_[p].channel);
            if (handle < 0) continue;
            const int kind = static_cast<int>(random() % 3);
            const uint32_t status = kind == 2 ? STANDIN_STATUS_FINISHED : STANDIN_STATUS_FAILED;
            if (StandinEndSession(handle, status, 23, kind == 0 ? 1 : 0) == 1) {
                ++tally_.cameraEnds;
                if (kind != 0) ended_[p] = true;
            }
        }
    }

    void Read(int p, std::array<uint32_t, kPairs>& lastSeen) {
        int32_t date = 0, time = 0;
        uint32_t maxBits = 0, minBits = 0, avgBits = 0;
        ++tally_.reads;
        if (lib_.CamThermometryRead(pairs_[p].userId, pairs_[p].channel, &date, &time, &maxBits, &minBits,
                                    &avgBits, 0) != 1) {
            return;
        }
        ++tally_.readsWithData;
        const soak::DecodedSequence read = soak::DecodeRead(date, time, maxBits, minBits, avgBits);
        if (!read.Whole()) {
            if (tally_.tornReads++ < 5) {
                std::fprintf(stderr, "torn read of pair %d: time %u, max %u, min %u, avg %u\n", p,
                             read.fromTime, read.fromMax, read.fromMin, read.fromAvg);
            }
            return;
        }
        if (read.fromTime < lastSeen[p]) {
            if (tally_.backwardReads++ < 5) {
                std::fprintf(stderr, "pair %d went back from %u to %u\n", p, lastSeen[p], read.fromTime);
            }
        }
        lastSeen[p] = std::max(lastSeen[p], read.fromTime);
    }

    // Host thread t owns the starts and stops of its eight pairs; it reads any pair.
    void HostThread(int t, const std::atomic<bool>& stop) {
        std::mt19937 random(static_cast<uint32_t>(20261207 + t));
        std::uniform_int_distribution<int> perMille(0, 999);
        std::uniform_int_distribution<int> anyPair(0, kPairs - 1);
        std::uniform_int_distribution<int> ownPair(0, kPairsPerThread - 1);
        std::array<uint32_t, kPairs> lastSeen{};
        for (uint64_t op = 0; !stop.load(std::memory_order_relaxed); ++op) {
            if (options_.harsh) {
                if (!FollowReboots(t)) {
                    std::this_thread::yield();
                    continue;
                }
                for (int p = t * kPairsPerThread; p < (t + 1) * kPairsPerThread; ++p) {
                    if (ended_[p].exchange(false)) Restart(p);
                }
            }
            const int32_t userId = loginIds_[t];
            // Mostly reads, as a polling host does; a restart in a thousand calls.
            const int pick = perMille(random);
            if (pick < 900) {
                Read(anyPair(random), lastSeen);
            } else if (pick < 901) {
                Restart(t * kPairsPerThread + ownPair(random));
            } else if (pick < 990) {
                int32_t values[6];
                const bool answered =
                    pick % 2 == 0 ? lib_.CamPTZGetCurrent(userId, &values[0], &values[1], &values[2], 0) == 1
                                  : lib_.CamPTZGetScope(userId, &values[0], &values[1], &values[2],
                                                        &values[3], &values[4], &values[5], 0) == 1;
                ++tally_.ptzQueries;
                if (!answered) ++tally_.failedPtz;
            } else {
                // A login of its own, which takes the lowest free ID: not while
                // IDs that a reboot freed are still held by their old pairs.
                std::lock_guard guard(loginLock_);
                if (staleHosts_ == 0) {
                    const int32_t login = lib_.CamLogin(STANDIN_CAMERA_ADDRESS, STANDIN_CAMERA_PORT,
                                                        STANDIN_CAMERA_USER, STANDIN_CAMERA_PASSWORD, 0);
                    ++tally_.logins;
                    if (login < 0 || lib_.CamLogout(login, 0) != 1) ++tally_.failedLogins;
                }
            }
            // The stand-in journals every SDK call; the soak never reads it.
            if (t == 0 && op % 8192 == 0) StandinJournalClear();
        }
    }

    const hostloader::OrvaneExports& lib_;
    const Options& options_;
    std::array<Pair, kPairs> pairs_{};
    std::array<uint32_t, kPairs> sequences_{};       // each written by one SDK thread at a time
    std::array<bool, kPairs> live_{};                // each kept by the pair's host thread
    std::array<std::atomic<bool>, kPairs> ended_{};  // by the camera, to be restarted
    // Harsh reboots: per host thread, its latest login and the reboot count
    // when it began,
    // the latest reboot it followed and whether it still has to log in again
    // (each kept by its thread, and by the main thread between runs).
    std::array<int32_t, kThreads> loginIds_{};
    std::array<std::atomic<int>, 64> idOwners_{};  // host thread + 1 of each user ID's latest login
    std::array<uint64_t, kThreads> loginReboots_{};
    std::array<uint64_t, kThreads> handledReboots_{};
    std::array<bool, kThreads> needsLogin_{};
    // Guards reboots against logins of other IDs: host threads that still hold
    // IDs the latest reboot freed, and the reboot count once none does.
    std::mutex loginLock_;
    std::atomic<int> staleHosts_{0};
    std::atomic<uint64_t> settledReboots_{0};
    std::atomic<uint64_t> rebootsBegun_{0};  // counted before the reboot, tally_.reboots after
    std::mutex stopsLock_;
    std::map<std::pair<int32_t, int32_t>, uint64_t> hostStops_;
    std::set<std::pair<int32_t, int32_t>> startedPairs_;
    Tally tally_;
};

double Mb(uint64_t bytes) { return static_cast<double>(bytes) / (1024.0 * 1024.0); }

int Verdict(const char* what, bool passed, int& failures) {
    std::printf("  %-48s %s\n", what, passed ? "ok" : "FAILED");
    if (!passed) ++failures;
    return failures;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) return 2;
    soak::SteadyAllocator();
    setvbuf(stdout, nullptr, _IOLBF, 0);

    hostloader::DynamicLibrary library;
    std::string error;
    if (!library.Open(hostloader::LibraryFileName(), error)) {
        std::fprintf(stderr, "cannot load the library: %s\n", error.c_str());
        return 1;
    }
    hostloader::OrvaneExports lib;
    if (!hostloader::ResolveOrvaneExports(library, lib)) {
        std::fprintf(stderr, "the library lacks exports\n");
        return 1;
    }
    StandinSetStreaming(0);
    // The library writes its log at one fixed place; the soak only looks there.
    // A log folder that is missing is made for the run, private to the user (the
    // library takes no folder that others may write), and removed after it.
    bool madeLogFolder = false;
    if (!options.log.empty()) {
        const std::filesystem::path folder = std::filesystem::path(options.log).parent_path();
        std::error_code error;
        if (!folder.empty() && !std::filesystem::exists(folder, error)) {
            madeLogFolder = std::filesystem::create_directory(folder, error);
            if (madeLogFolder)
                std::filesystem::permissions(folder, std::filesystem::perms::owner_all,
                                             std::filesystem::perm_options::replace, error);
        }
        if (!madeLogFolder)
            std::printf("  log folder %s existed: any other process of this user may add lines to it\n",
                        folder.string().c_str());
        std::filesystem::remove(options.log, error);
    }

    Soak soak(lib, options);
    if (!soak.Prepare()) {
        std::fprintf(stderr, "logging in or starting the subscriptions failed\n");
        return 1;
    }
    const Clock::time_point begin = Clock::now();
    const Clock::time_point deadline =
        begin + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(options.seconds));
    // A warm-up (a twentieth of the events) before the starting point, so that
    // every thread's first allocations are behind it.
    const uint64_t warmUp = std::max<uint64_t>(options.events / 20, 1);
    soak::LogRotation rotation(options.rotate, options.rotations);
    bool inTime = soak.Run(warmUp, deadline);
    // The stand-in journals every SDK call; its journal is no part of what the
    // library holds, so it is emptied before each measurement.
    StandinJournalClear();
    const soak::ProcessUsage start = soak::MeasureProcess();
    const Clock::time_point measuredBegin = Clock::now();
    const uint64_t deliveredBefore = soak.Counts().delivered.load();
    inTime = inTime && soak.Run(options.events - std::min(options.events, warmUp), deadline);
    const int rotations = rotation.Finish();
    const double seconds = std::chrono::duration<double>(Clock::now() - measuredBegin).count();
    const uint64_t measuredEvents = soak.Counts().delivered.load() - deliveredBefore;
    StandinJournalClear();
    const soak::ProcessUsage end = soak::MeasureProcess();
    if (options.harsh) soak.Settle();
    const uint64_t notNewest = soak.CheckNewestAnswers();

    // Bytes one stop-and-start cycle keeps: the heap in use before and after.
    const soak::ProcessUsage beforeCycles = soak::MeasureProcess();
    soak.Cycle(options.cycles);
    const soak::ProcessUsage afterCycles = soak::MeasureProcess();
    const double bytesPerCycle =
        options.cycles == 0
            ? 0.0
            : (static_cast<double>(afterCycles.heapBytes) - static_cast<double>(beforeCycles.heapBytes)) /
                  static_cast<double>(options.cycles);
    const double residentPerCycle = options.cycles == 0 ? 0.0
                                                        : (static_cast<double>(afterCycles.residentBytes) -
                                                           static_cast<double>(beforeCycles.residentBytes)) /
                                                              static_cast<double>(options.cycles);

    const uint64_t stopsOfOtherPairs = options.harsh ? soak.StopsOfOtherPairs() : 0;
    const Tally& counts = soak.Counts();
    std::printf("soak%s: %d subscriptions, %d SDK threads, %d host threads\n",
                options.harsh ? " (harsh)" : "", kPairs, kThreads, kThreads);
    if (options.harsh) {
        std::printf(
            "  camera-side ends %llu, reboots %llu, logins under another thread's former ID %llu, starts "
            "refused after a reboot %llu, pairs ended by another pair's stop %llu\n",
            static_cast<unsigned long long>(counts.cameraEnds.load()),
            static_cast<unsigned long long>(counts.reboots.load()),
            static_cast<unsigned long long>(counts.reusedIds.load()),
            static_cast<unsigned long long>(counts.startsRefused.load()),
            static_cast<unsigned long long>(stopsOfOtherPairs));
    }
    std::printf("  events delivered %llu (not delivered, pair restarting: %llu), %.0f events/s over %.2f s\n",
                static_cast<unsigned long long>(counts.delivered.load()),
                static_cast<unsigned long long>(counts.undelivered.load()),
                seconds > 0 ? static_cast<double>(measuredEvents) / seconds : 0.0, seconds);
    std::printf("  reads %llu (with data %llu), torn %llu, older than before %llu\n",
                static_cast<unsigned long long>(counts.reads.load()),
                static_cast<unsigned long long>(counts.readsWithData.load()),
                static_cast<unsigned long long>(counts.tornReads.load()),
                static_cast<unsigned long long>(counts.backwardReads.load()));
    std::printf(
        "  restarts %llu (failed stops %llu, failed starts %llu), PTZ queries %llu (failed %llu), "
        "logins %llu (failed %llu)\n",
        static_cast<unsigned long long>(counts.restarts.load()),
        static_cast<unsigned long long>(counts.failedStops.load()),
        static_cast<unsigned long long>(counts.failedStarts.load()),
        static_cast<unsigned long long>(counts.ptzQueries.load()),
        static_cast<unsigned long long>(counts.failedPtz.load()),
        static_cast<unsigned long long>(counts.logins.load()),
        static_cast<unsigned long long>(counts.failedLogins.load()));
    std::printf("  resident %.1f MB -> %.1f MB, open descriptors %llu -> %llu, heap %.1f MB -> %.1f MB\n",
                Mb(start.residentBytes), Mb(end.residentBytes),
                static_cast<unsigned long long>(start.openHandles),
                static_cast<unsigned long long>(end.openHandles), Mb(start.heapBytes), Mb(end.heapBytes));
    std::printf("  %llu stop-and-start cycles: %.1f heap bytes and %.1f resident bytes kept per cycle\n",
                static_cast<unsigned long long>(options.cycles), bytesPerCycle, residentPerCycle);

    int failures = 0;
    Verdict("every event within the time limit", inTime, failures);
    Verdict("every read one whole event", counts.tornReads == 0, failures);
    Verdict("no read older than one before it", counts.backwardReads == 0, failures);
    Verdict("the newest subscription answers every pair", notNewest == 0, failures);
    Verdict(options.harsh ? "every stop succeeded, every start but after a reboot"
                          : "every stop and start succeeded",
            counts.failedStops == 0 && counts.failedStarts == 0, failures);
    if (options.harsh) {
        Verdict("no stop ended another pair's subscription", stopsOfOtherPairs == 0, failures);
    } else {
        // (A rebooted camera refuses the old login's PTZ queries.)
        Verdict("every PTZ query, login and logout succeeded",
                counts.failedPtz == 0 && counts.failedLogins == 0, failures);
    }
    Verdict("resident memory flat",
            end.residentBytes <= start.residentBytes + options.rssSlackMb * 1024 * 1024, failures);
    Verdict("open descriptors flat", end.openHandles <= start.openHandles, failures);
    if (!options.log.empty()) {
        int files = 1;
        const soak::LogTally log = options.rotate.empty() ? soak::CheckLog(options.log)
                                                          : soak::CheckLogGenerations(options.log, files);
        const uint64_t delivered = counts.delivered.load();
        if (!options.rotate.empty()) {
            // Twice at least, so that a generation compressed a rotation late is there too.
            std::printf("  log rotated %d times (at most %d) while events flowed; %d files\n", rotations,
                        options.rotations, files);
            Verdict("log rotated twice or more while events flowed", rotations >= 2, failures);
        }
        std::printf(
            "  log %.1f MB: %llu dump lines, %llu parameter lines, %llu reading lines, %llu empty, %llu "
            "bad\n",
            Mb(log.bytes), static_cast<unsigned long long>(log.dumpLines),
            static_cast<unsigned long long>(log.parameterLines),
            static_cast<unsigned long long>(log.readingLines),
            static_cast<unsigned long long>(log.emptyLines), static_cast<unsigned long long>(log.badLines));
        if (!log.firstBad.empty()) std::printf("  first bad line: %s\n", log.firstBad.c_str());
        Verdict("every log line whole", log.readable && log.badLines == 0, failures);
        Verdict("every data event logged",
                log.dumpLines == delivered && log.parameterLines == delivered &&
                    log.readingLines == delivered && log.emptyLines == delivered,
                failures);
        std::error_code error;
        if (failures == 0) std::filesystem::remove(options.log, error);
        // Only when empty: a failed run leaves its log for a look.
        if (madeLogFolder) std::filesystem::remove(std::filesystem::path(options.log).parent_path(), error);
    }
    std::printf(
        "soak %s: %llu events, %llu reads, %llu torn, resident %.1f->%.1f MB, descriptors %llu->%llu, "
        "%.0f bytes/cycle, %.0f events/s\n",
        failures == 0 ? "passed" : "FAILED", static_cast<unsigned long long>(counts.delivered.load()),
        static_cast<unsigned long long>(counts.reads.load()),
        static_cast<unsigned long long>(counts.tornReads.load()), Mb(start.residentBytes),
        Mb(end.residentBytes), static_cast<unsigned long long>(start.openHandles),
        static_cast<unsigned long long>(end.openHandles), bytesPerCycle,
        seconds > 0 ? static_cast<double>(measuredEvents) / seconds : 0.0);
    return failures == 0 ? 0 : 1;
}
