// Who else may read a password file: a Windows service refuses one that
// accounts besides its own, the file's owner and the administrators may read.
#pragma once

#include <string>

namespace orvane_cli::platform {

// The first account that the file's permissions let read it, other than the
// file's owner, SYSTEM, the Administrators group and this process's own
// account (its user, or its service SID, NT SERVICE\NAME): "BUILTIN\Users",
// say; empty when there is none. `error` when the permissions cannot be read.
// On Linux empty: the systemd unit hands the password over as a credential
// that only the service reads (docs/monitoring/orvane-serve.service).
std::string OtherPasswordFileReader(const std::string& path, std::string& error);

}  // namespace orvane_cli::platform
