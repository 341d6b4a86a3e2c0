// The stand-in's control interface for tests and the demo.
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "camera.hpp"
#include "hcnetsdk_standin.h"

using namespace standin;

extern "C" {

void StandinReset(void) { camera().reset(); }

void StandinScriptResult(int32_t operation, int32_t result, uint32_t errorCode) {
    camera().scripts.push(operation, ScriptedResult{result, errorCode});
}

void StandinScriptClear(void) { camera().scripts.clear(); }

size_t StandinJournalSize(void) { return camera().journal.size(); }

void StandinJournalClear(void) { camera().journal.clear(); }

int32_t StandinJournalOperation(size_t index) { return camera().journal.entry(index).operation; }

int64_t StandinJournalArgument(size_t index, size_t slot) {
    const JournalEntry entry = camera().journal.entry(index);
    return slot < entry.arguments.size() ? entry.arguments[slot] : 0;
}

int32_t StandinJournalRecord(size_t index, size_t record, void* out, size_t capacity) {
    const JournalEntry entry = camera().journal.entry(index);
    if (record >= entry.records.size()) return -1;
    const auto& bytes = entry.records[record];
    const size_t copied = bytes.size() < capacity ? bytes.size() : capacity;
    if (out != nullptr && copied != 0) std::memcpy(out, bytes.data(), copied);
    return static_cast<int32_t>(bytes.size());
}

int32_t StandinJournalPasswordIs(size_t index, const void* password, size_t length) {
    const Journal& journal = camera().journal;
    const JournalEntry entry = journal.entry(index);
    if (!entry.passwordDigest) return -1;
    if (length > kLoginPasswordSize || (length != 0 && password == nullptr)) return 0;
    uint8_t field[kLoginPasswordSize] = {};
    if (length != 0) std::memcpy(field, password, length);
    const bool same = journal.passwordDigest(field, sizeof field) == *entry.passwordDigest;
    std::memset(field, 0, sizeof field);
    return same ? 1 : 0;
}

int32_t StandinFireEvent(int32_t handle, int32_t kind, const void* buffer, int32_t length) {
    return camera().remoteConfigs.fire(handle, kind, buffer, length) ? 1 : 0;
}

int32_t StandinFireChannelEvent(int32_t userId, int32_t channel, int32_t kind, const void* buffer,
                                int32_t length) {
    return camera().remoteConfigs.fireNewest(userId, channel, kind, buffer, length) ? 1 : 0;
}

void StandinSetStreaming(int32_t enabled) { camera().remoteConfigs.setStreaming(enabled != 0); }

int32_t StandinSetRules(const char* address, int32_t channel, const StandinRule* rules, int32_t count) {
    const std::optional<SiteIndex> host = address == nullptr ? std::nullopt : SiteCameras::hostOf(address);
    if (!host || count < 0 || count > 256 || (rules == nullptr && count > 0)) return 0;
    std::vector<MeasureRule> kept;
    for (int32_t i = 0; i < count; ++i) {
        const StandinRule& rule = rules[i];
        if (rule.id < 0 || rule.id > 255 || rule.calibrationType < 0 || rule.calibrationType > 2 ||
            rule.presetNo < 0 || rule.presetNo > 65535) {
            return 0;
        }
        kept.push_back(MeasureRule{static_cast<uint8_t>(rule.id), static_cast<uint8_t>(rule.calibrationType),
                                   static_cast<uint16_t>(rule.presetNo)});
    }
    camera().site.setRules(*host, channel, std::move(kept));
    return 1;
}

int32_t StandinIsInitialised(void) { return camera().initialised.load() ? 1 : 0; }

void StandinPtzSetPosition(uint16_t pan, uint16_t tilt, uint16_t zoom) {
    camera().ptz.setPosition(HeadPosition{pan, tilt, zoom});
}

void StandinPtzGetPosition(uint16_t* pan, uint16_t* tilt, uint16_t* zoom) {
    const HeadPosition position = camera().ptz.position();
    if (pan != nullptr) *pan = position.pan;
    if (tilt != nullptr) *tilt = position.tilt;
    if (zoom != nullptr) *zoom = position.zoom;
}

int32_t StandinPtzIsMoving(void) { return camera().ptz.isMoving() ? 1 : 0; }

void StandinClockFreeze(void) { camera().clock.freeze(); }

void StandinClockAdvance(uint32_t milliseconds) { camera().clock.advance(milliseconds); }

}  // extern "C"
