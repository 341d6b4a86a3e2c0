#include "control_folder.hpp"

#include <algorithm>
#include <charconv>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "camera.hpp"
#include "hcnetsdk_standin.h"
#include "platform/leak_check.hpp"
#include "platform/process_end.hpp"

namespace standin {
namespace {

namespace fs = std::filesystem;

constexpr auto kLookInterval = std::chrono::milliseconds(100);

std::string_view trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

// A whole word as a decimal number of type T, or nothing.
template <typename T>
std::optional<T> numberOf(const std::string& word) {
    T value{};
    const char* const last = word.data() + word.size();
    const auto parsed = std::from_chars(word.data(), last, value);
    if (parsed.ec != std::errc() || parsed.ptr != last) return std::nullopt;
    return value;
}

// "rules ADDRESS CHANNEL KIND...": the channel's rules from then on, IDs 1, 2, ...
// in order, each a point, box or line at preset 0; no kind gives back the
// channel's rules out of the box. False for a malformed line.
bool setRules(const std::vector<std::string>& words, int32_t channel) {
    std::vector<StandinRule> rules;
    for (std::size_t i = 3; i < words.size(); ++i) {
        const std::string& kind = words[i];
        const int32_t type = kind == "point" ? 0 : kind == "box" ? 1 : kind == "line" ? 2 : -1;
        if (type < 0) return false;
        rules.push_back(StandinRule{static_cast<int32_t>(rules.size() + 1), type, 0});
    }
    return StandinSetRules(words[1].c_str(), channel, rules.data(), static_cast<int32_t>(rules.size())) == 1;
}

// Carries out one command, its words split at blanks; false for an unknown or
// malformed one.
bool runCommand(const std::vector<std::string>& words) {
    const std::optional<SiteIndex> host = words.size() >= 2 ? SiteCameras::hostOf(words[1]) : std::nullopt;
    if (!host) return false;
    const std::string& verb = words[0];
    const char* const address = words[1].c_str();
    if (words.size() == 2) {
        if (verb == "reboot") {
            StandinRebootCamera(address);
        } else if (verb == "offline") {
            // Refused first, so that no login slips in between the reboot and the refusal.
            camera().logins.setOffline(*host, true);
            StandinRebootCamera(address);
        } else if (verb == "online") {
            camera().logins.setOffline(*host, false);
        } else {
            return false;
        }
        return true;
    }
    const std::optional<int32_t> channel = numberOf<int32_t>(words[2]);
    if (!channel) return false;
    if (verb == "rules") return setRules(words, *channel);
    if (verb == "end" && words.size() <= 4) {
        constexpr uint32_t kReceiveTimeout = STANDIN_ERROR_RECEIVE_TIMEOUT;
        const std::optional<uint32_t> code =
            words.size() == 4 ? numberOf<uint32_t>(words[3]) : kReceiveTimeout;
        if (code) camera().remoteConfigs.endChannel(*host, *channel, *code);
        return code.has_value();
    }
    if ((verb == "silent" || verb == "stream") && words.size() == 3) {
        return StandinSetChannelSilent(address, *channel, verb == "silent" ? 1 : 0) == 1;
    }
    return false;
}

// Carries out one line of a command file; an unknown or malformed line is
// ignored with one line on standard error naming `file`.
void runControlLine(std::string_view line, const std::string& file) {
    std::vector<std::string> words;
    std::istringstream in{std::string(line)};
    for (std::string word; in >> word;) words.push_back(word);
    if (words.empty() || runCommand(words)) return;
    constexpr std::size_t kShown = 200;
    line = trimmed(line);
    std::fprintf(stderr, "HCNetSDK stand-in: ignored control line in %s: %.*s\n", file.c_str(),
                 static_cast<int>(std::min(line.size(), kShown)), line.data());
}

class ControlFolder {
public:
    void start(std::string folder) {
        std::lock_guard lifecycle(lifecycle_);
        if (thread_.joinable()) return;
        {
            std::lock_guard lock(mutex_);
            stopRequested_ = false;
            finished_ = false;
        }
        folder_ = std::move(folder);
        // The files already there before the SDK's first call returns, so that
        // rules set by them apply to the first subscriptions.
        lookSafely();
        thread_ = std::thread([this] { run(); });
    }

    void stop() {
        std::lock_guard lifecycle(lifecycle_);
        if (!thread_.joinable()) return;
        const bool ownThread = thread_.get_id() == std::this_thread::get_id();
        {
            std::unique_lock lock(mutex_);
            stopRequested_ = true;
            changed_.notify_all();
            if (!ownThread) changed_.wait(lock, [this] { return finished_; });
        }
        platform::releaseFinishedThread(thread_);
    }

private:
    void run() {
        for (;;) {
            {
                std::unique_lock lock(mutex_);
                if (changed_.wait_for(lock, kLookInterval, [this] { return stopRequested_; })) break;
            }
            lookSafely();
        }
        std::lock_guard lock(mutex_);
        finished_ = true;
        changed_.notify_all();
    }

    void lookSafely() {
        try {
            lookOnce();
        } catch (...) {
            // Out of memory: the files stay for the next look.
        }
    }

    // Every `*.cmd` file of the folder, in name order, each deleted when done.
    void lookOnce() {
        std::error_code error;
        std::vector<fs::path> commands;
        for (fs::directory_iterator it(folder_, error), end; !error && it != end; it.increment(error)) {
            const fs::path& path = it->path();
            if (path.extension() == ".cmd" && it->is_regular_file(error)) commands.push_back(path);
        }
        std::sort(commands.begin(), commands.end());
        std::set<fs::path> present(commands.begin(), commands.end());
        // A file that could not be deleted is not carried out twice.
        std::erase_if(undeletable_, [&](const fs::path& path) { return present.count(path) == 0; });
        for (const fs::path& path : commands) {
            if (undeletable_.count(path) != 0) continue;
            std::ifstream file(path, std::ios::binary);
            if (!file) continue;  // gone meanwhile
            const std::string name = path.filename().string();
            for (std::string line; std::getline(file, line);) runControlLine(line, name);
            file.close();
            if (!fs::remove(path, error) && error) {
                std::fprintf(stderr, "HCNetSDK stand-in: cannot delete control file %s\n", name.c_str());
                undeletable_.insert(path);
            }
        }
    }

    std::mutex lifecycle_;  // start and stop
    std::string folder_;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool stopRequested_ = false;
    bool finished_ = false;
    std::set<fs::path> undeletable_;  // the watching thread's own
};

ControlFolder& controlFolder() {
    static ControlFolder* folder = [] {  // never destroyed: its thread may outlive static destructors
        auto* made = new ControlFolder;
        platform::keepForever(made);
        return made;
    }();
    return *folder;
}

}  // namespace

void startControlFolder() {
    const char* folder = std::getenv("HCNETSDK_STANDIN_CONTROL");
    if (folder != nullptr && *folder != '\0') controlFolder().start(folder);
}

void stopControlFolder() { controlFolder().stop(); }

}  // namespace standin
