// Binds the SDK at load time, so that the library links, and loads, on a machine
// with no SDK: a host then gets the SDK-not-started failure from every export
// that needs it instead of a loader error.
#include <dlfcn.h>

#include <atomic>
#include <string>

#include "core/platform/sdk_binding.hpp"

namespace orvane::sdk {
namespace {

constexpr char kSdkFileName[] = "libHCNetSDK.so";

// The folder this library was loaded from, with a trailing slash; empty when the
// loader does not say.
std::string LibraryFolder() {
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&ShippedSdk), &info) == 0 || info.dli_fname == nullptr) return "";
    const std::string path(info.dli_fname);
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

template <class Function>
bool Resolve(void* handle, Function& slot, const char* name) noexcept {
    slot = reinterpret_cast<Function>(::dlsym(handle, name));
    return slot != nullptr;
}

class SdkBinding {
public:
    SdkBinding() noexcept {
        try {
            // Beside the library, as Windows would find the DLL, then the
            // loader's own search (LD_LIBRARY_PATH, the cache, the system folders).
            const std::string folder = LibraryFolder();
            if (!folder.empty()) handle_ = ::dlopen((folder + kSdkFileName).c_str(), RTLD_NOW | RTLD_LOCAL);
        } catch (...) {
            // Out of memory: try the loader's search alone.
        }
        if (handle_ == nullptr) handle_ = ::dlopen(kSdkFileName, RTLD_NOW | RTLD_LOCAL);
        if (handle_ == nullptr) return;
        bool all = true;
#define ORVANE_SDK_RESOLVE(result, name, member, params) all = Resolve(handle_, ops_.member, #name) && all;
        HCNETSDK_OPERATION_LIST(ORVANE_SDK_RESOLVE)
#undef ORVANE_SDK_RESOLVE
        if (!all) {
            // A library of that name that is not the SDK we need: none of it is called.
            ::dlclose(handle_);
            handle_ = nullptr;
        }
    }
    // Unloading the library lets go of the SDK, as the static import does on
    // Windows, unless a call may still be inside it.
    ~SdkBinding() {
        if (handle_ != nullptr && !keepMapped_.load(std::memory_order_acquire)) ::dlclose(handle_);
    }
    void KeepMapped() noexcept { keepMapped_.store(true, std::memory_order_release); }
    SdkBinding(const SdkBinding&) = delete;
    SdkBinding& operator=(const SdkBinding&) = delete;

    const SdkOps* Table() const noexcept { return handle_ != nullptr ? &ops_ : nullptr; }

private:
    void* handle_ = nullptr;
    SdkOps ops_{};
    std::atomic<bool> keepMapped_{false};
};

// Bound on first use, which is the library state's construction at load;
// destroyed after that state, so the SDK stays mapped through its unload.
SdkBinding& Binding() noexcept {
    static SdkBinding binding;
    return binding;
}

}  // namespace

const SdkOps* ShippedSdk() noexcept { return Binding().Table(); }

void KeepSdkMapped() noexcept { Binding().KeepMapped(); }

}  // namespace orvane::sdk
