// Admits export calls while the library state lives, and lets its destruction
// wait for the calls still running. exit() in one host thread destroys the
// library while other host threads may be inside exports: without the gate they
// would go on reading freed memory. The gate itself is never destroyed (its
// members are trivially destructible and it is constant-initialised), so a call
// that arrives after the library ended still finds it and fails at once.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>

namespace orvane {

// What happens to a call between the gate's first look and its count: nothing
// in the library. A test puts a pause of its own there, to hold a call at that
// point while the gate closes and drains.
struct NoEntryPause {
    constexpr void BeforeCount() const noexcept {}
};

template <class EntryPause>
class BasicExportGate {
public:
    constexpr BasicExportGate() noexcept = default;
    constexpr explicit BasicExportGate(EntryPause pause) noexcept : pause_(pause) {}
    BasicExportGate(const BasicExportGate&) = delete;
    BasicExportGate& operator=(const BasicExportGate&) = delete;

    // Enters: false once the library is ending (the export then fails at once).
    bool Enter() noexcept {
        // Once closed, refused without touching the count: host threads calling
        // in a loop would otherwise keep it above zero, and the drain would
        // wait out its limit with no call inside.
        if (closed_.load(std::memory_order_seq_cst)) return false;
        pause_.BeforeCount();
        // Counted before the check, so that a closing gate either sees this call
        // or this call sees the gate closed.
        inFlight_.fetch_add(1, std::memory_order_seq_cst);
        if (!closed_.load(std::memory_order_seq_cst)) return true;
        Leave();
        return false;
    }
    void Leave() noexcept { inFlight_.fetch_sub(1, std::memory_order_release); }

    // Admits no more calls; those inside go on.
    void Close() noexcept { closed_.store(true, std::memory_order_seq_cst); }

    // Admits no more calls and waits, at most `limit`, for those inside to
    // leave; true when they all did, false when one is still inside.
    bool CloseAndDrain(std::chrono::milliseconds limit) noexcept {
        Close();
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (inFlight_.load(std::memory_order_seq_cst) != 0) {
            if (std::chrono::steady_clock::now() >= deadline) return false;
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        return true;
    }

private:
    std::atomic<uint32_t> inFlight_{0};
    std::atomic<bool> closed_{false};
    [[no_unique_address]] EntryPause pause_{};
};

using ExportGate = BasicExportGate<NoEntryPause>;

// Runs one call through the gate; without entry, the call's failure value.
class GateEntry {
public:
    explicit GateEntry(ExportGate& gate) noexcept : gate_(gate), entered_(gate.Enter()) {}
    ~GateEntry() {
        if (entered_) gate_.Leave();
    }
    GateEntry(const GateEntry&) = delete;
    GateEntry& operator=(const GateEntry&) = delete;
    bool Entered() const noexcept { return entered_; }

private:
    ExportGate& gate_;
    bool entered_;
};

}  // namespace orvane
