// Which camera holds which user ID. An SDK gives the ID of a login that ended
// (a camera that rebooted drops its logins) to the next login, whichever camera
// that is for. A camera whose login was dropped still holds the old number, and
// any call it made with it would act on the other camera's login: its readings
// would be taken for this camera's, its stop would end the other camera's
// subscription. So:
//   - a login that returns an ID another camera holds tells that camera it has
//     lost its login (Claim), and it never uses the number again; the new
//     owner stops what that camera's subscriptions left on the number (the
//     library keeps a subscription's record until it is stopped);
//   - calls that use an ID the camera holds (starts, stops, logouts) never run
//     while a login is in progress (CallScope against LoginScope), since that
//     login may be handed the very number. Logins run at once with each other,
//     and so do such calls. Once one side waits, no more of the running side
//     come in: the turn passes as soon as those running are done, and every
//     one that waited then comes in together, so neither side starves the other.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

namespace orvane_cli {

class UserIdRegistry {
public:
    enum Side { kLogins = 0, kCalls = 1 };
    // Held around calls of one side.
    template <Side kSide>
    class Scope {
    public:
        explicit Scope(UserIdRegistry& registry) : registry_(registry) { registry_.Enter(kSide); }
        ~Scope() { registry_.Leave(kSide); }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        UserIdRegistry& registry_;
    };
    // Held around a login call.
    using LoginScope = Scope<kLogins>;
    // Held around calls with an ID a camera holds.
    using CallScope = Scope<kCalls>;

    // A login for the owner of `lost`, which subscribes `channels`, returned
    // `userId` (called inside the login's LoginScope, so that no call sees the
    // ID unclaimed): the owner holds it from now on (its `lost` is cleared), and
    // a camera that held it before has lost its login (its flag is set). That
    // camera's channels in that case: it leaves its subscriptions on the ID to
    // the new owner to stop.
    std::optional<std::vector<int32_t>> Claim(int32_t userId, std::atomic<bool>& lost,
                                              std::vector<int32_t> channels);
    // The owner of `lost` no longer holds `userId` (it logged out or forgot it).
    void Release(int32_t userId, const std::atomic<bool>& lost);

private:
    void Enter(Side side);
    void Leave(Side side);

    std::mutex mutex_;
    std::condition_variable changed_;
    int active_[2] = {0, 0};
    int waiting_[2] = {0, 0};
    // Waiters of a side let in when the other side's turn ended, not yet in.
    int admitted_[2] = {0, 0};
    struct Owner {
        std::atomic<bool>* lost;
        std::vector<int32_t> channels;
    };
    std::map<int32_t, Owner> owners_;
};

}  // namespace orvane_cli
