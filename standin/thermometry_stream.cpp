#include "thermometry_stream.hpp"

#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "platform/local_time.hpp"
#include "platform/process_end.hpp"
#include "trace_file.hpp"

namespace standin {
namespace {

constexpr uint32_t kStatusSuccess = 1000;
constexpr uint32_t kStatusFailed = 1002;
constexpr uint32_t kCameraBusy = 23;
constexpr std::size_t kBlockSize = 440;
constexpr uint8_t kPointRule = 0;

// How every session of this process streams, for programs tested from outside
// the process (docs/simulator.md): as a working camera, silent after its start,
// or failed by the camera at once.
enum class StreamMode { kNormal, kSilent, kFailing };

StreamMode streamModeOfEnvironment() {
    const char* mode = std::getenv("HCNETSDK_STANDIN_STREAM");
    if (mode == nullptr) return StreamMode::kNormal;
    if (std::strcmp(mode, "silent") == 0) return StreamMode::kSilent;
    if (std::strcmp(mode, "failing") == 0) return StreamMode::kFailing;
    return StreamMode::kNormal;
}

void putWord(std::vector<uint8_t>& block, std::size_t offset, uint32_t value) {
    for (int i = 0; i < 4; ++i) block[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

void putFloat(std::vector<uint8_t>& block, std::size_t offset, float value) {
    putWord(block, offset, std::bit_cast<uint32_t>(value));
}

uint32_t packTime(const platform::LocalTime& t) {
    const auto year = static_cast<uint32_t>(t.year < 2000 ? 0 : t.year - 2000) & 0x3Fu;
    return year << 26 | static_cast<uint32_t>(t.month) << 22 | static_cast<uint32_t>(t.day) << 17 |
           static_cast<uint32_t>(t.hour) << 12 | static_cast<uint32_t>(t.minute) << 6 |
           static_cast<uint32_t>(t.second);
}

}  // namespace

std::vector<uint8_t> ThermometryStream::measurementBlock(uint32_t sequence, int32_t channel,
                                                         const CameraTraits& camera,
                                                         const MeasureRule& rule) {
    std::vector<uint8_t> block(kBlockSize, 0);
    putWord(block, 0, static_cast<uint32_t>(channel));
    putWord(block, 8, packTime(platform::localTimeNow()));
    block[44] = rule.id;
    block[45] = rule.calibrationType;
    block[46] = static_cast<uint8_t>(rule.presetNo);
    block[47] = static_cast<uint8_t>(rule.presetNo >> 8);
    // A scene that warms and cools slowly, around 30 degrees; each rule looks
    // at a spot of its own.
    const int ruleShift = static_cast<int>(rule.id) - 1;
    const double phase = static_cast<double>(sequence) * 0.35 + camera.readingPhase() + ruleShift * 2.1;
    const double base = camera.temperatureOffset() + ruleShift * 4.5;
    block[312] = 0;  // degrees Celsius
    block[313] = 0;
    if (rule.calibrationType == kPointRule) {
        putFloat(block, 48, static_cast<float>(base + 31.0 + 2.5 * std::sin(phase)));
        return block;
    }
    const float max = static_cast<float>(base + 36.0 + 3.5 * std::sin(phase));
    const float min = static_cast<float>(base + 22.0 + 1.5 * std::cos(phase * 0.7));
    const float avg = (max + min) / 2.0f + static_cast<float>(0.4 * std::sin(phase * 2.3));
    putFloat(block, 48, avg);
    putFloat(block, 180, max);
    putFloat(block, 184, min);
    putFloat(block, 188, avg);
    putFloat(block, 192, max - min);
    return block;
}

ThermometryStream::ThermometryStream(Deliver deliver, int32_t channel, const CameraTraits& camera,
                                     std::vector<MeasureRule> rules)
    : deliver_(std::move(deliver)), channel_(channel), camera_(camera), rules_(std::move(rules)) {}

std::shared_ptr<ThermometryStream> ThermometryStream::launch(Deliver deliver, int32_t channel,
                                                             const CameraTraits& camera,
                                                             std::vector<MeasureRule> rules) {
    std::shared_ptr<ThermometryStream> stream(
        new ThermometryStream(std::move(deliver), channel, camera, std::move(rules)));
    // The thread keeps the stream alive for as long as it runs.
    stream->thread_ = std::thread([stream] { stream->run(); });
    return stream;
}

bool ThermometryStream::stopBeforeTick() {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, interval, [this] { return stopRequested_; });
}

void ThermometryStream::run() {
    static const StreamMode mode = streamModeOfEnvironment();
    const uint32_t failed[2] = {kStatusFailed, kCameraBusy};
    const uint32_t started = kStatusSuccess;
    // A stalled camera answers the start late, once it streams again.
    Delivery first = Delivery::kWithheld;
    do {
        first = mode == StreamMode::kFailing ? deliver_(kStatusKind, failed, sizeof failed)
                                             : deliver_(kStatusKind, &started, sizeof started);
    } while (first == Delivery::kWithheld && !stopBeforeTick());
    bool running = first == Delivery::kDelivered && mode == StreamMode::kNormal;
    if (!running && first != Delivery::kWithheld) {
        // Nothing more until the session is stopped.
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return stopRequested_; });
    }
    for (uint32_t sequence = 0; running && !stopBeforeTick(); ++sequence) {
        for (std::size_t i = 0; running && i < rules_.size(); ++i) {
            const std::vector<uint8_t> block = measurementBlock(sequence, channel_, camera_, rules_[i]);
            const Delivery delivery = deliver_(kDataKind, block.data(), static_cast<int32_t>(block.size()));
            running = delivery != Delivery::kEnded;
            if (delivery == Delivery::kDelivered) traceMeasurement(block);
        }
    }
    std::lock_guard lock(mutex_);
    finished_ = true;
    changed_.notify_all();
}

void ThermometryStream::finish() {
    std::unique_lock lock(mutex_);
    stopRequested_ = true;
    changed_.notify_all();
    const bool ownThread = thread_.get_id() == std::this_thread::get_id();
    if (!ownThread) changed_.wait(lock, [this] { return finished_; });
    lock.unlock();
    if (!thread_.joinable()) return;
    // Joined where the platform allows, so that no thread still runs the
    // stand-in's code when the library that loaded it unmaps it.
    platform::releaseFinishedThread(thread_);
}

}  // namespace standin
