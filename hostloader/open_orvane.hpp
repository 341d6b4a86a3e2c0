// Loading OrvaneLib together with the camera SDK it needs, and saying which file
// is missing and where it was looked for when either cannot be had.
#pragma once

#include <string>

#include "dynamic_library.hpp"

namespace hostloader {

// The SDK library's file name on this platform (HCNetSDK.dll, libHCNetSDK.so).
std::string SdkFileName();

// Loads OrvaneLib by name, as a host does, and makes sure the SDK came with it.
// False with a reason naming the missing file and the folders searched. On
// Linux the library itself loads without the SDK (and then refuses every camera
// call); this refuses it, since nothing could work.
bool OpenOrvaneLib(DynamicLibrary& library, std::string& error);

}  // namespace hostloader
