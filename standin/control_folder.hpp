// Commands to the simulated cameras from outside the process that loaded the
// stand-in: text files a script drops into the folder that the environment
// variable HCNETSDK_STANDIN_CONTROL names (hcnetsdk_standin.h states the format).
#pragma once

namespace standin {

// Starts looking into the folder while the SDK is initialised: called by
// NET_DVR_Init; does nothing when the variable is unset or a watch runs already.
void startControlFolder();
// Stops looking; returns when no command of the folder runs or will run.
// Called by NET_DVR_Cleanup.
void stopControlFolder();

}  // namespace standin
