// The ten SDK operations of the stand-in. Each call is journalled first, then
// answered by a queued script if there is one, else by the simulated camera.
#include <cstring>
#include <utility>

#include "camera.hpp"
#include "control_folder.hpp"
#include "hcnetsdk.h"
#include "hcnetsdk_standin.h"
#include "platform/last_error.hpp"
#include "platform/process_end.hpp"
#include "snapshot_writer.hpp"
#include "trace_file.hpp"

namespace standin {
namespace {

constexpr std::size_t kLoginRecordSize = 400;
constexpr std::size_t kDeviceInfoSize = 344;
constexpr std::size_t kPictureParamsSize = 4;
constexpr uint32_t kThermometryCommand = 3629;
constexpr uint32_t kThermometryConditionSize = 72;
constexpr std::size_t kLargestRecordCopy = 4096;

int64_t pointerValue(const void* pointer) {
    return static_cast<int64_t>(reinterpret_cast<std::uintptr_t>(pointer));
}

JournalEntry entryFor(int32_t operation, std::initializer_list<int64_t> arguments) {
    JournalEntry entry;
    entry.operation = operation;
    entry.arguments.assign(arguments);
    return entry;
}

// Journals the call, then answers it. `failureValue` is what the call returns when
// the SDK is not initialised.
template <class Act>
int32_t perform(JournalEntry entry, int32_t failureValue, Act act) {
    Camera& cam = camera();
    const int32_t operation = entry.operation;
    const JournalEntry traced{operation, entry.arguments, {}, std::nullopt};
    const uint64_t serial = cam.journal.append(std::move(entry));
    cam.delays.wait(operation);

    Outcome outcome;
    if (auto scripted = cam.scripts.take(operation)) {
        outcome = Outcome{scripted->result, scripted->errorCode, {}};
    } else if (operation != STANDIN_OP_INIT && operation != STANDIN_OP_CLEANUP && !cam.initialised.load()) {
        // (Cleanup has cleared the flag by now and answers for itself.)
        outcome = Outcome::failure(STANDIN_ERROR_NOT_INITIALISED, failureValue);
    } else {
        outcome = act(cam);
    }
    if (!outcome.journalNote.empty()) cam.journal.note(serial, outcome.journalNote);
    traceCall(traced, outcome.result);
    // Last, so that nothing after it can disturb the value the caller reads.
    if (outcome.errorCode != 0) platform::setLastError(outcome.errorCode);
    return outcome.result;
}

Outcome requireLogin(const Camera& cam, int32_t userId, int32_t failureValue = 0) {
    if (!cam.logins.isLoggedIn(userId)) return Outcome::failure(STANDIN_ERROR_NO_SUCH_USER, failureValue);
    return Outcome::success();
}

}  // namespace
}  // namespace standin

using namespace standin;

extern "C" {

int32_t HCNETSDK_CALL NET_DVR_Init(void) {
    const int32_t result =
        perform(entryFor(STANDIN_OP_INIT, {}), 0, [](Camera&) { return Outcome::success(); });
    if (result != 0) {
        camera().initialised = true;
        startControlFolder();
    }
    return result;
}

int32_t HCNETSDK_CALL NET_DVR_Cleanup(void) {
    if (platform::processEnding()) {
        // The other threads were ended where they stood, perhaps holding the
        // camera's locks: the call is traced, and nothing else is touched.
        traceCallAtProcessEnd(STANDIN_OP_CLEANUP, 1, 0, false);
        return 1;
    }
    // First, so that no command from outside runs while the camera winds down.
    stopControlFolder();
    Camera& cam = camera();
    const bool wasInitialised = cam.initialised.exchange(false);
    return perform(entryFor(STANDIN_OP_CLEANUP, {}), 0, [wasInitialised](Camera& c) {
        if (!wasInitialised) return Outcome::failure(STANDIN_ERROR_NOT_INITIALISED);
        c.remoteConfigs.stopAll();
        c.logins.reset();
        return Outcome::success();
    });
}

int32_t HCNETSDK_CALL NET_DVR_Login_V40(void* loginRecord, void* deviceInfo) {
    JournalEntry entry = entryFor(STANDIN_OP_LOGIN, {pointerValue(loginRecord), pointerValue(deviceInfo)});
    entry.records.push_back(copyBytes(loginRecord, kLoginRecordSize));
    if (std::vector<uint8_t>& copy = entry.records.back(); !copy.empty()) {
        // The journal keeps a digest of the password and blanks the field in its copy.
        uint8_t* const field = copy.data() + kLoginPasswordOffset;
        entry.passwordDigest = camera().journal.passwordDigest(field, kLoginPasswordSize);
        std::memset(field, 0, kLoginPasswordSize);
    }
    entry.records.push_back(copyBytes(deviceInfo, kDeviceInfoSize));
    return perform(std::move(entry), -1, [&](Camera& cam) {
        Outcome outcome = cam.logins.login(loginRecord);
        if (outcome.errorCode == 0 && deviceInfo != nullptr) {
            // A plausible device description: serial number text, one channel from 1.
            auto* info = static_cast<uint8_t*>(deviceInfo);
            std::memset(info, 0, kDeviceInfoSize);
            std::memcpy(info, "ORV-SIM-0001", 12);
        }
        return outcome;
    });
}

int32_t HCNETSDK_CALL NET_DVR_Logout(int32_t userId) {
    return perform(entryFor(STANDIN_OP_LOGOUT, {userId}), 0,
                   [&](Camera& cam) { return cam.logins.logout(userId); });
}

int32_t HCNETSDK_CALL NET_DVR_PTZControlWithSpeed_Other(int32_t userId, int32_t channel, uint32_t command,
                                                        uint32_t stop, uint32_t speed) {
    return perform(entryFor(STANDIN_OP_PTZ_CONTROL, {userId, channel, command, stop, speed}), 0,
                   [&](Camera& cam) {
                       Outcome login = requireLogin(cam, userId);
                       if (login.errorCode != 0) return login;
                       return cam.headOf(userId).control(channel, command, stop, speed);
                   });
}

int32_t HCNETSDK_CALL NET_DVR_PTZPreset_Other(int32_t userId, int32_t channel, uint32_t presetCommand,
                                              uint32_t presetIndex) {
    return perform(entryFor(STANDIN_OP_PTZ_PRESET, {userId, channel, presetCommand, presetIndex}), 0,
                   [&](Camera& cam) {
                       Outcome login = requireLogin(cam, userId);
                       if (login.errorCode != 0) return login;
                       return cam.headOf(userId).preset(channel, presetCommand, presetIndex);
                   });
}

int32_t HCNETSDK_CALL NET_DVR_GetDVRConfig(int32_t userId, uint32_t command, int32_t channel, void* outBuffer,
                                           uint32_t outSize, uint32_t* returnedSize) {
    JournalEntry entry = entryFor(STANDIN_OP_GET_CONFIG, {userId, command, channel, pointerValue(outBuffer),
                                                          outSize, pointerValue(returnedSize)});
    entry.records.push_back(copyBytes(returnedSize, sizeof(uint32_t)));
    return perform(std::move(entry), 0, [&](Camera& cam) {
        Outcome login = requireLogin(cam, userId);
        if (login.errorCode != 0) return login;
        return cam.headOf(userId).readConfig(command, outBuffer, outSize, returnedSize);
    });
}

int32_t HCNETSDK_CALL NET_DVR_CaptureJPEGPicture(int32_t userId, int32_t channel, void* pictureParams,
                                                 char* filePath) {
    JournalEntry entry = entryFor(STANDIN_OP_CAPTURE_JPEG,
                                  {userId, channel, pointerValue(pictureParams), pointerValue(filePath)});
    entry.records.push_back(copyBytes(pictureParams, kPictureParamsSize));
    entry.records.push_back(copyBytes(filePath, filePath == nullptr ? 0 : std::strlen(filePath)));
    return perform(std::move(entry), 0, [&](Camera& cam) {
        Outcome login = requireLogin(cam, userId);
        if (login.errorCode != 0) return login;
        if (pictureParams == nullptr || filePath == nullptr) {
            return Outcome::failure(STANDIN_ERROR_PARAMETER);
        }
        return writeSnapshot(cam.headOf(userId).position(), cam.traitsOf(userId), pictureParams, filePath);
    });
}

int32_t HCNETSDK_CALL NET_DVR_StartRemoteConfig(int32_t userId, uint32_t command, void* condition,
                                                uint32_t conditionSize, HcRemoteConfigCallback callback,
                                                void* userData) {
    JournalEntry entry =
        entryFor(STANDIN_OP_START_REMOTE_CONFIG,
                 {userId, command, pointerValue(condition), conditionSize,
                  pointerValue(reinterpret_cast<const void*>(callback)), pointerValue(userData)});
    entry.records.push_back(
        copyBytes(condition, conditionSize < kLargestRecordCopy ? conditionSize : kLargestRecordCopy));
    return perform(std::move(entry), -1, [&](Camera& cam) {
        Outcome login = requireLogin(cam, userId, -1);
        if (login.errorCode != 0) return login;
        if (command != kThermometryCommand) return Outcome::failure(STANDIN_ERROR_NOT_SUPPORTED, -1);
        if (condition == nullptr || conditionSize != kThermometryConditionSize) {
            return Outcome::failure(STANDIN_ERROR_PARAMETER, -1);
        }
        int32_t channel = 0;
        std::memcpy(&channel, static_cast<const uint8_t*>(condition) + 4, sizeof channel);
        const CameraTraits traits = cam.traitsOf(userId);
        return cam.remoteConfigs.start(cam.logins, userId, channel, traits,
                                       cam.site.rules(traits.host, channel), callback, userData);
    });
}

int32_t HCNETSDK_CALL NET_DVR_StopRemoteConfig(int32_t handle) {
    if (platform::processEnding()) {
        // As in NET_DVR_Cleanup.
        traceCallAtProcessEnd(STANDIN_OP_STOP_REMOTE_CONFIG, 1, handle, true);
        return 1;
    }
    return perform(entryFor(STANDIN_OP_STOP_REMOTE_CONFIG, {handle}), 0,
                   [&](Camera& cam) { return cam.remoteConfigs.stop(handle); });
}

}  // extern "C"
