// Drives the login and thermometry exports' logic as sequences (start, stop,
// read, events, logins, logouts, with SDK failures anywhere) against a scripted
// SDK, and checks every answer against a model of the rules as it goes:
// - Read and Stop act on the newest record of the pair whose start succeeded,
//   or, when none of its starts succeeded, on the newest record of the pair;
// - a stopped subscription keeps answering Read with its last result until a
//   newer start succeeds; a new subscription answers 0 until its first data;
// - Stop asks the SDK only for a live subscription and returns its answer; a
//   stop the SDK confirmed answers 1 and a failed start 0 without asking (the
//   handle may be another subscription's by now); Read and Stop of a pair
//   never started answer 0 and touch nothing;
// - the status of a pair is that of the record Read answers with: start
//   failed, stopped, failing (a status other than success and no data since)
//   or running, its data events, whether any data came, and the newest 1002's
//   code (0 after any other status); while the SDK's start call runs, a pair
//   whose answering subscription does not run is starting, with nothing
//   received;
// - each rule's newest whole data event of the record Read answers with is what
//   ReadRule answers for that rule, and the rule list is its rules ascending,
//   counted beyond the buffer; a restart starts with no rules, a stop keeps
//   them; refusals (no such rule, an ID outside 0-255, a record too small)
//   write nothing;
// - the failure record changes exactly on a failed start, stop, login or logout;
// - unload stops every subscription still running.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <map>
#include <optional>
#include <vector>

#include "camera/login.hpp"
#include "core/platform/last_error.hpp"
#include "core/sdk_error_text.hpp"
#include "fuzz_support.hpp"
#include "thermometry/subscription_operations.hpp"
#include "thermometry/thermometry_condition.hpp"
#include "thermometry/thermometry_upload.hpp"

namespace {

using fuzzing::Check;
using orvane::thermometry::kThermometryCommand;
using orvane::thermometry::kUploadSize;

constexpr int32_t kStatusKind = 0;
constexpr int32_t kDataKind = 2;
constexpr uint32_t kSuccessStatus = 1000;
constexpr uint32_t kFailureStatus = 1002;
constexpr int32_t kUntouched = 0x7EADBEEF;

// What a status query answered.
struct StatusSeen {
    bool answered = false;
    int32_t state = kUntouched, events = kUntouched, since = kUntouched, code = kUntouched;
};

// What the next SDK call answers, and what the SDK saw.
struct Session {
    HcRemoteConfigCallback callback;
    void* userData;
    bool running;
};
struct SdkScript {
    int32_t startResult = 0;  // the handle, or a negative value
    int32_t answer = 1;       // of stop, login, logout
    uint32_t errorCode = 0;
    int calls = 0;
    int32_t stoppedHandle = 0;
    bool unloading = false;
    std::map<int32_t, Session> sessions;
    std::vector<int32_t> unloadStops;
    // Queried from inside the start call, as another host thread would.
    orvane::LibraryState* library = nullptr;
    StatusSeen duringStart;
} sdk;

StatusSeen QueryStatus(orvane::LibraryState& library, int32_t userId, int32_t channel) {
    StatusSeen seen;
    seen.answered = orvane::thermometry::Status(library, userId, channel, &seen.state, &seen.events,
                                                &seen.since, &seen.code);
    return seen;
}

int32_t HCNETSDK_CALL ScriptedStart(int32_t userId, uint32_t command, void* condition, uint32_t size,
                                    HcRemoteConfigCallback callback, void* userData) {
    ++sdk.calls;
    Check(command == kThermometryCommand && size == sizeof(orvane::thermometry::ThermometryCondition));
    Check(callback != nullptr && userData != nullptr && condition != nullptr);
    int32_t channel;
    std::memcpy(
        &channel,
        static_cast<const uint8_t*>(condition) + offsetof(orvane::thermometry::ThermometryCondition, channel),
        sizeof channel);
    sdk.duringStart = QueryStatus(*sdk.library, userId, channel);
    if (sdk.startResult < 0) {
        orvane::platform::SetLastError(sdk.errorCode);
        return sdk.startResult;
    }
    Check(sdk.sessions.count(sdk.startResult) == 0);
    sdk.sessions[sdk.startResult] = Session{callback, userData, true};
    return sdk.startResult;
}

int32_t HCNETSDK_CALL ScriptedStop(int32_t handle) {
    if (sdk.unloading) {
        sdk.unloadStops.push_back(handle);
        return 1;
    }
    ++sdk.calls;
    sdk.stoppedHandle = handle;
    const auto session = sdk.sessions.find(handle);
    const bool running = session != sdk.sessions.end() && session->second.running;
    if (sdk.answer == 0 || !running) {
        orvane::platform::SetLastError(sdk.errorCode);
        return 0;
    }
    session->second.running = false;
    return 1;
}

int32_t HCNETSDK_CALL ScriptedLogin(void*, void*) {
    ++sdk.calls;
    if (sdk.answer < 0) orvane::platform::SetLastError(sdk.errorCode);
    return sdk.answer;
}

int32_t HCNETSDK_CALL ScriptedLogout(int32_t) {
    ++sdk.calls;
    if (sdk.answer == 0) orvane::platform::SetLastError(sdk.errorCode);
    return sdk.answer;
}

orvane::sdk::SdkOps Sdk(bool ready) {
    orvane::sdk::SdkOps ops = fuzzing::BaseSdk(ready);
    ops.startRemoteConfig = &ScriptedStart;
    ops.stopRemoteConfig = &ScriptedStop;
    ops.login = &ScriptedLogin;
    ops.logout = &ScriptedLogout;
    return ops;
}
const orvane::sdk::SdkOps kReadySdk = Sdk(true);
const orvane::sdk::SdkOps kNotReadySdk = Sdk(false);

// What Read hands out.
struct Reading {
    int32_t date = 0;
    int32_t time = 0;
    uint32_t max = 0;
    uint32_t min = 0;
    uint32_t avg = 0;
    bool operator==(const Reading&) const = default;
};

// The model's record of one start.
struct ModelRecord {
    int32_t userId;
    int32_t channel;
    int32_t handle;
    int32_t dataEvents = 0;
    Reading newest;
    std::map<int32_t, OrvaneRuleReading> rules;  // each rule's newest whole event
    bool stopConfirmed = false;
    bool cameraFailing = false;
    int32_t cameraCode = 0;

    int32_t State() const {
        if (handle < 0) return 3;
        if (stopConfirmed) return 2;
        return cameraFailing ? 4 : 1;
    }
    bool Live() const { return handle >= 0 && !stopConfirmed; }
    // What a status query of its pair answers.
    void CheckStatus(const StatusSeen& seen) const {
        Check(seen.answered && seen.state == State() && seen.events == dataEvents && seen.code == cameraCode);
        Check(dataEvents == 0 ? seen.since == -1 : seen.since >= 0);
    }
};

// The reading a block gives, decoded by the SDK's packing of the time word.
Reading ReadingOf(const uint8_t* block) {
    uint32_t word;
    std::memcpy(&word, block + 8, 4);
    const auto field = [word](unsigned low, unsigned width) {
        return static_cast<int32_t>((word >> low) & ((1u << width) - 1u));
    };
    Reading reading;
    reading.date = (2000 + field(26, 6)) * 10000 + field(22, 4) * 100 + field(17, 5);
    reading.time = field(12, 5) * 10000 + field(6, 6) * 100 + field(0, 6);
    std::memcpy(&reading.max, block + 180, 4);
    std::memcpy(&reading.min, block + 184, 4);
    std::memcpy(&reading.avg, block + 188, 4);
    return reading;
}

// What ReadRule hands out for a whole block, `events` being its rule's count.
OrvaneRuleReading RuleReadingOf(const uint8_t* block, int32_t events) {
    const Reading reading = ReadingOf(block);
    OrvaneRuleReading rule{};
    rule.size = sizeof rule;
    rule.date = reading.date;
    rule.time = reading.time;
    rule.ruleId = block[44];
    rule.calibrationType = block[45];
    rule.presetNo = block[46] | block[47] << 8;
    rule.unit = block[312];
    rule.dataType = block[313];
    std::memcpy(&rule.point, block + 48, 4);
    rule.max = reading.max;
    rule.min = reading.min;
    rule.avg = reading.avg;
    std::memcpy(&rule.diff, block + 192, 4);
    rule.dataEvents = events;
    return rule;
}

bool SameBytes(const OrvaneRuleReading& a, const OrvaneRuleReading& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

class Model {
public:
    std::vector<ModelRecord> records;  // in start order

    // The record Read and Stop act on, or null.
    ModelRecord* Answering(int32_t userId, int32_t channel) {
        ModelRecord* newest = nullptr;
        for (auto it = records.rbegin(); it != records.rend(); ++it) {
            if (it->userId != userId || it->channel != channel) continue;
            if (it->handle >= 0) return &*it;
            if (newest == nullptr) newest = &*it;
        }
        return newest;
    }
    ModelRecord* ByHandle(int32_t handle) {
        for (ModelRecord& record : records) {
            if (record.handle == handle) return &record;
        }
        return nullptr;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzing::ByteReader input(data, size);
    const bool ready = (input.Byte() & 7) != 0;
    sdk = SdkScript{};
    Model model;
    int32_t nextHandle = 0;
    // Room for every length an event below reports (up to kUploadSize + 255):
    // the SDK's buffer always holds the length it reports.
    std::vector<uint8_t> block(kUploadSize + 256);
    {
        orvane::LibraryState library(ready ? kReadySdk : kNotReadySdk, fuzzing::CheckedDiscardingLog());
        sdk.library = &library;
        for (int step = 0; step < 64 && !input.Empty(); ++step) {
            const uint8_t op = input.Byte();
            const uint8_t pair = input.Byte();
            const int32_t userId = pair & 3;
            const int32_t channel = (pair >> 2) & 3;
            sdk.errorCode = input.Byte();
            sdk.calls = 0;
            orvane::platform::SetLastError(9999);
            library.RecordFailure();
            const std::u16string before = library.LastFailureText();
            const std::u16string failed =
                ready ? orvane::DescribeSdkError(sdk.errorCode) : std::u16string(orvane::kSdkNotReadyText);
            bool recorded = false;

            switch ((op & 0x7F) % 7) {
                case 0: {  // start, accepted or refused
                    sdk.startResult = (op & 0x80) != 0 ? -1 - (op & 0x0F) : nextHandle++;
                    const ModelRecord* before = model.Answering(userId, channel);
                    sdk.duringStart = StatusSeen{};
                    const bool started = orvane::thermometry::Start(library, userId, channel);
                    Check(sdk.calls == 1 && started == (sdk.startResult >= 0));
                    if (before != nullptr && before->Live()) {
                        before->CheckStatus(sdk.duringStart);  // it answers until the new one started
                    } else {
                        const StatusSeen& seen = sdk.duringStart;
                        Check(seen.answered && seen.state == 5 && seen.events == 0 && seen.since == -1 &&
                              seen.code == 0);
                    }
                    model.records.push_back(ModelRecord{userId, channel, sdk.startResult, 0, Reading{}, {}});
                    recorded = !started;
                    break;
                }
                case 1: {  // stop, confirmed or refused
                    sdk.answer = (op & 0x80) != 0 ? 0 : 1;
                    ModelRecord* target = model.Answering(userId, channel);
                    // The SDK confirms only the stop of a session that runs.
                    const auto session =
                        target == nullptr ? sdk.sessions.end() : sdk.sessions.find(target->handle);
                    const bool wasRunning = session != sdk.sessions.end() && session->second.running;
                    const bool stopped = orvane::thermometry::Stop(library, userId, channel);
                    if (target == nullptr || target->handle < 0) {
                        Check(!stopped && sdk.calls == 0);
                        break;
                    }
                    if (target->stopConfirmed) {
                        Check(stopped && sdk.calls == 0);
                        break;
                    }
                    Check(sdk.calls == 1 && sdk.stoppedHandle == target->handle);
                    Check(stopped == (sdk.answer != 0 && wasRunning));
                    target->stopConfirmed = stopped;
                    recorded = !stopped;
                    break;
                }
                case 2: {  // read
                    Reading cells{kUntouched, kUntouched, kUntouched, kUntouched, kUntouched};
                    const bool answered =
                        orvane::thermometry::Read(library, userId, channel, &cells.date, &cells.time,
                                                  &cells.max, &cells.min, &cells.avg);
                    const ModelRecord* target = model.Answering(userId, channel);
                    if (target == nullptr) {
                        Check(!answered &&
                              cells == (Reading{kUntouched, kUntouched, kUntouched, kUntouched, kUntouched}));
                    } else {
                        Check(answered == (target->dataEvents > 0) && cells == target->newest);
                    }
                    // One rule's reading: a rule of the few the events use, or
                    // an ID outside 0-255; a record too small now and then.
                    const uint8_t which = input.Byte();
                    const int32_t ruleId = (which & 0x80) != 0 ? which * 3 - 500 : which & 7;
                    OrvaneRuleReading rule;
                    std::memset(&rule, 0x5A, sizeof rule);
                    rule.size = (which & 0x40) != 0 && (which & 0x80) == 0 ? 55 : 56;
                    OrvaneRuleReading untouched = rule;
                    const bool ruleAnswered =
                        orvane::thermometry::ReadRule(library, userId, channel, ruleId, &rule);
                    const auto kept = target == nullptr || rule.size < 56
                                          ? std::map<int32_t, OrvaneRuleReading>{}
                                          : target->rules;
                    const auto found = kept.find(ruleId);
                    Check(ruleAnswered == (found != kept.end()));
                    Check(SameBytes(rule, ruleAnswered ? found->second : untouched));
                    // The rule list, against a buffer of 0 to 8 cells (-1: none).
                    const int32_t capacity = static_cast<int32_t>(input.Byte() % 10) - 1;
                    int32_t ids[9];
                    std::fill(std::begin(ids), std::end(ids), kUntouched);
                    const int32_t count = orvane::thermometry::Rules(library, userId, channel, ids, capacity);
                    Check(count == (target == nullptr ? -1 : static_cast<int32_t>(target->rules.size())));
                    int32_t cell = 0;
                    if (target != nullptr) {
                        for (const auto& entry : target->rules) {
                            if (cell >= capacity) break;
                            Check(ids[cell++] == entry.first);
                        }
                    }
                    for (; cell < 9; ++cell) Check(ids[cell] == kUntouched);
                    break;
                }
                case 3: {  // an event on one of the running sessions
                    std::vector<int32_t> running;
                    for (const auto& [handle, session] : sdk.sessions) {
                        if (session.running) running.push_back(handle);
                    }
                    if (running.empty()) break;
                    const int32_t handle = running[pair % running.size()];
                    const uint8_t shape = input.Byte();
                    for (std::size_t i = 0; i < 24; ++i) block[(i * 37 + shape) % kUploadSize] = input.Byte();
                    std::memcpy(block.data() + 180, block.data() + 8, 4);  // readings move with the time
                    block[188] ^= shape;
                    block[44] = input.Byte() & 7;  // one of a few rules
                    int32_t kind = kDataKind;
                    int32_t length = static_cast<int32_t>(kUploadSize);
                    const uint8_t* buffer = block.data();
                    switch (shape % 6) {
                        case 0:
                            break;
                        case 1:
                            length = static_cast<int32_t>(kUploadSize) + shape;
                            break;
                        case 2:
                            length = shape;
                            break;  // too short to keep
                        case 3:
                            buffer = nullptr;
                            break;  // no buffer at all
                        case 4:
                            kind = kStatusKind;
                            length = 4 + 4 * ((shape >> 5) & 1);  // with or without its code
                            if ((shape & 0x40) != 0) std::memcpy(block.data(), &kFailureStatus, 4);
                            break;
                        default:
                            kind = 1 + (shape & 0x10);
                            break;  // a kind the library does not know
                    }
                    const Session session = sdk.sessions[handle];
                    session.callback(kind, const_cast<uint8_t*>(buffer), length, session.userData);
                    ModelRecord* record = model.ByHandle(handle);
                    Check(record != nullptr);
                    if (kind == kDataKind) {
                        ++record->dataEvents;
                        record->cameraFailing = false;
                        if (buffer != nullptr && length >= static_cast<int32_t>(kUploadSize)) {
                            record->newest = ReadingOf(buffer);
                            const auto known = record->rules.find(buffer[44]);
                            const int32_t events =
                                known == record->rules.end() ? 1 : known->second.dataEvents + 1;
                            record->rules[buffer[44]] = RuleReadingOf(buffer, events);
                        }
                    } else if (kind == kStatusKind) {
                        uint32_t words[2];
                        std::memcpy(words, buffer, sizeof words);
                        if (words[0] != kSuccessStatus) {
                            record->cameraFailing = true;
                            record->cameraCode = words[0] == kFailureStatus && length >= 8
                                                     ? static_cast<int32_t>(words[1])
                                                     : 0;
                        }
                    }
                    break;
                }
                case 4: {  // login
                    sdk.answer = (op & 0x80) != 0 ? -1 - (op & 0x0F) : op & 0x3F;
                    const int32_t result = orvane::camera::Login(library, "192.0.2.64", 8000, "admin", "pw");
                    Check(result == (ready ? sdk.answer : -1) && sdk.calls == (ready ? 1 : 0));
                    recorded = result < 0;
                    break;
                }
                case 6: {  // status
                    const StatusSeen seen = QueryStatus(library, userId, channel);
                    const ModelRecord* target = model.Answering(userId, channel);
                    if (target == nullptr) {
                        Check(!seen.answered && seen.state == kUntouched && seen.events == kUntouched &&
                              seen.since == kUntouched && seen.code == kUntouched);
                    } else {
                        target->CheckStatus(seen);
                    }
                    break;
                }
                default: {  // logout
                    sdk.answer = (op & 0x80) != 0 ? 0 : 1;
                    const bool out = orvane::camera::Logout(library, userId);
                    Check(sdk.calls == 1 && out == (sdk.answer != 0));
                    recorded = !out;
                    break;
                }
            }
            Check(library.LastFailureText() == (recorded ? failed : before));
        }
        sdk.unloading = true;
    }
    // Unload asked for every subscription still running, once each. Not in start
    // order: a restart may reuse a record of its pair that no subscription uses
    // any more, and unload goes through the records in the order they were made.
    std::vector<int32_t> expected;
    for (const ModelRecord& record : model.records) {
        if (record.handle >= 0 && sdk.sessions[record.handle].running) expected.push_back(record.handle);
    }
    std::vector<int32_t> asked;
    for (int32_t handle : sdk.unloadStops) {
        if (handle >= 0 && sdk.sessions[handle].running) asked.push_back(handle);
    }
    std::sort(asked.begin(), asked.end());
    Check(asked == expected);  // handles are given out rising, so expected is sorted
    return 0;
}
