// What asks orvane serve to read its --config file again. POSIX: SIGHUP
// (`systemctl reload`, `kill -HUP`). Windows has no such signal: there a
// change of the file itself (its modification time or size) asks, once it has
// held still for one look, so that a file caught half written is not read.
#pragma once

#include <string>

namespace orvane_cli::platform {

class ReloadRequests {
public:
    // From now on a request is noted (POSIX: SIGHUP no longer ends the process).
    explicit ReloadRequests(std::string path);
    // Whether a reload was asked for since the previous call; looked at once
    // per poll of the cameras.
    bool Take();

private:
    std::string path_;
    unsigned long seen_ = 0;  // POSIX: the signals counted so far
    std::string loaded_;      // Windows: the file's stamp when last read, and the latest look's
    std::string looked_;
};

}  // namespace orvane_cli::platform
