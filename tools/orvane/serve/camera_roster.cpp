#include "serve/camera_roster.hpp"

#include <algorithm>

#include "render/output.hpp"

namespace orvane_cli::serve {

CameraRoster::CameraRoster(const WatchSettings& settings, std::shared_ptr<PasswordSource> servicePassword,
                           FleetWatch& fleet, StateStore& store, ServiceLog& log)
    : settings_(settings),
      servicePassword_(std::move(servicePassword)),
      fleet_(fleet),
      store_(store),
      log_(log) {}

std::string CameraRoster::Problem(const std::vector<CameraSetup>& cameras, bool servicePassword) {
    for (const CameraSetup& camera : cameras) {
        const std::string named =
            camera.where.empty() ? camera.address : camera.where + ": " + camera.address;
        std::string password;
        if (!camera.passwordFile.empty() && !ReadPasswordFile(camera.passwordFile, password))
            return named + ": cannot read its password_file " + camera.passwordFile;
        if (camera.passwordFile.empty() && !servicePassword)
            return named + ": no password: give it a password_file, or give the service one (password-file)";
    }
    return "";
}

CameraRoster::Entry CameraRoster::Watch(const CameraSetup& setup) {
    std::shared_ptr<PasswordSource> password = servicePassword_;
    if (!setup.passwordFile.empty()) {
        std::shared_ptr<PasswordSource>& own = ownPasswords_[setup.passwordFile];
        if (!own) {
            std::string read;
            ReadPasswordFile(setup.passwordFile, read);  // one that fails now is read again at each poll
            own = std::make_shared<PasswordSource>(read, setup.passwordFile);
        }
        password = own;
    }
    auto watch = std::make_shared<CameraWatch>(setup.address, setup.channels,
                                               LoginSettings{setup.port, setup.user, password}, settings_);
    const std::size_t key = nextKey_++;
    fleet_.Add(key, watch);
    return {key, setup, std::move(watch)};
}

void CameraRoster::Retire(const Entry& entry) {
    fleet_.Remove(entry.key, [&log = log_](CameraWatch& camera) { EndWatch(camera, log); });
}

CameraRoster::Changes CameraRoster::Apply(const std::vector<CameraSetup>& cameras,
                                          const std::string& source) {
    Changes changes;
    const std::size_t firstNew = nextKey_;
    std::vector<Entry> kept;
    for (const CameraSetup& setup : cameras) {
        const auto old = std::find_if(entries_.begin(), entries_.end(),
                                      [&](const Entry& e) { return e.setup.address == setup.address; });
        if (old != entries_.end() && old->setup.SameLogin(setup)) {
            kept.push_back(std::move(*old));
            kept.back().setup = setup;  // its place in the file may have moved
            entries_.erase(old);
            continue;
        }
        if (old != entries_.end()) {
            log_.Write({LogLevel::kInfo,
                        setup.address + " changed in " + source +
                            ": ending its login, then logging in again with its new settings",
                        setup.address});
            Retire(*old);
            entries_.erase(old);
            ++changes.restarted;
        } else if (!source.empty()) {
            log_.Write({LogLevel::kInfo, setup.address + " added in " + source, setup.address});
            ++changes.added;
        }
        kept.push_back(Watch(setup));
    }
    for (const Entry& gone : entries_) {
        log_.Write({LogLevel::kInfo, gone.setup.address + " removed from " + source + ": ending its login",
                    gone.setup.address});
        Retire(gone);
        ++changes.removed;
    }
    entries_ = std::move(kept);
    std::erase_if(ownPasswords_, [](const auto& entry) { return entry.second.use_count() == 1; });

    // A new watch is not polled yet, so its view may be taken here; a kept
    // one's may be a worker's at this moment, and the store has it already.
    std::vector<std::pair<std::size_t, CameraView>> views;
    for (const Entry& entry : entries_) {
        views.emplace_back(entry.key, entry.key >= firstNew
                                          ? entry.watch->View(Milliseconds::zero(), FleetWatch::UnixNow())
                                          : CameraView{});
    }
    store_.SetCameras(views);
    return changes;
}

void EndWatch(CameraWatch& camera, ServiceLog& log) {
    if (!camera.up()) return;
    const CameraWatch::Ending ending = camera.End(true);
    log.Write(
        {ending.stopped && ending.loggedOut ? LogLevel::kInfo : LogLevel::kWarn,
         std::string(ending.stopped ? "stopped the subscriptions of "
                                    : "stopping a subscription failed on ") +
             camera.address() +
             (ending.loggedOut ? "; logged out" : "; logging out failed: " + FailureLine(ending.failure)),
         camera.address()});
}

}  // namespace orvane_cli::serve
