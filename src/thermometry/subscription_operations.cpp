#include "thermometry/subscription_operations.hpp"

#include "core/failure_protocol.hpp"
#include "thermometry/event_handler.hpp"
#include "thermometry/thermometry_condition.hpp"

namespace orvane::thermometry {
namespace {

// Starts the record's remote configuration, with the record itself as the
// callback's context, and keeps the handle whatever its sign.
bool StartSubscription(const sdk::SdkOps& sdk, ThermometrySubscription& record) {
    ThermometryCondition condition{};
    condition.size = sizeof condition;
    condition.channel = record.Channel();
    condition.mode = 0;
    const int32_t handle = sdk.startRemoteConfig(record.UserId(), kThermometryCommand, &condition,
                                                 sizeof condition, &OnThermometryEvent, &record);
    record.SetHandle(handle);
    return handle >= 0;
}

template <class Cell>
void WriteIfGiven(Cell* cell, Cell value) noexcept {
    if (cell != nullptr) *cell = value;
}

}  // namespace

bool Start(LibraryState& library, int32_t userId, int32_t channel) {
    if (!Ready<readiness::kThermometryStart>(library)) return false;
    // The record is in the list before the SDK can call back with it. The handle
    // is the result, so the call is made by StartSubscription; a refusal is
    // recorded straight after it, while the last-error value is the SDK's.
    return library.Subscriptions().Start(userId, channel, [&](ThermometrySubscription& record) {
        return StartSubscription(library.Sdk(), record) || RefuseWithLastError(library);
    });
}

bool Stop(LibraryState& library, int32_t userId, int32_t channel) noexcept {
    if (!Ready<readiness::kThermometryStop>(library)) return false;
    const auto result = library.Subscriptions().Stop(userId, channel, [&](int32_t handle) {
        return CallSdk(library, &sdk::SdkOps::stopRemoteConfig, handle);
    });
    return result == SubscriptionList::StopResult::Stopped;
}

bool Read(LibraryState& library, int32_t userId, int32_t channel, int32_t* date, int32_t* time,
          uint32_t* maxBits, uint32_t* minBits, uint32_t* avgBits) noexcept {
    if (!Ready<readiness::kThermometryRead>(library)) return false;
    const ThermometrySubscription* record = library.Subscriptions().Find(userId, channel);
    if (record == nullptr) return false;
    const MeasurementSnapshot snapshot = record->Snapshot();
    WriteIfGiven(date, (snapshot.year * 100 + snapshot.month) * 100 + snapshot.day);
    WriteIfGiven(time, (snapshot.hour * 100 + snapshot.minute) * 100 + snapshot.second);
    WriteIfGiven(maxBits, snapshot.maxBits);
    WriteIfGiven(minBits, snapshot.minBits);
    WriteIfGiven(avgBits, snapshot.avgBits);
    return snapshot.eventCount > 0;
}

bool Status(LibraryState& library, int32_t userId, int32_t channel, int32_t* state, int32_t* dataEvents,
            int32_t* msSinceData, int32_t* cameraCode) noexcept {
    const ThermometrySubscription* record = library.Subscriptions().Find(userId, channel);
    if (record == nullptr) return false;
    const SubscriptionStatus status = record->Status();
    WriteIfGiven(state, static_cast<int32_t>(status.state));
    WriteIfGiven(dataEvents, status.dataEvents);
    WriteIfGiven(msSinceData, status.msSinceData);
    WriteIfGiven(cameraCode, status.cameraCode);
    return true;
}

bool ReadRule(LibraryState& library, int32_t userId, int32_t channel, int32_t ruleId,
              OrvaneRuleReading* reading) noexcept {
    if (reading == nullptr || reading->size < static_cast<int32_t>(sizeof(OrvaneRuleReading))) return false;
    const ThermometrySubscription* record = library.Subscriptions().Find(userId, channel);
    RuleSnapshot rule;
    if (record == nullptr || !record->Rules().Read(ruleId, rule)) return false;
    reading->date = rule.date;
    reading->time = rule.time;
    reading->ruleId = rule.ruleId;
    reading->calibrationType = rule.calibrationType;
    reading->presetNo = rule.presetNo;
    reading->unit = rule.unit;
    reading->dataType = rule.dataType;
    reading->point = rule.pointBits;
    reading->max = rule.maxBits;
    reading->min = rule.minBits;
    reading->avg = rule.avgBits;
    reading->diff = rule.diffBits;
    reading->dataEvents = rule.dataEvents;
    return true;
}

int32_t Rules(LibraryState& library, int32_t userId, int32_t channel, int32_t* ruleIds,
              int32_t capacity) noexcept {
    const ThermometrySubscription* record = library.Subscriptions().Find(userId, channel);
    return record == nullptr ? -1 : record->Rules().List(ruleIds, capacity);
}

}  // namespace orvane::thermometry
