#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "password_file_access.hpp"
#include "wide_text_win.hpp"

namespace orvane_cli::platform {
namespace {

using SidBytes = std::vector<BYTE>;

SidBytes CopyOfSid(PSID sid) {
    SidBytes bytes(::GetLengthSid(sid));
    ::CopySid(static_cast<DWORD>(bytes.size()), bytes.data(), sid);
    return bytes;
}

SidBytes WellKnown(WELL_KNOWN_SID_TYPE type) {
    SidBytes bytes(SECURITY_MAX_SID_SIZE);
    DWORD size = static_cast<DWORD>(bytes.size());
    if (::CreateWellKnownSid(type, nullptr, bytes.data(), &size) == 0) return {};
    bytes.resize(size);
    return bytes;
}

bool IsServiceSid(PSID sid) {
    const SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    const SID_IDENTIFIER_AUTHORITY* authority = ::GetSidIdentifierAuthority(sid);
    return std::equal(std::begin(authority->Value), std::end(authority->Value), std::begin(nt.Value)) &&
           *::GetSidSubAuthorityCount(sid) > 0 &&
           *::GetSidSubAuthority(sid, 0) == SECURITY_SERVICE_ID_BASE_RID;
}

// This process's user, and its service SID when it runs as a service with one.
std::vector<SidBytes> OwnAccounts() {
    std::vector<SidBytes> own;
    HANDLE token = nullptr;
    if (::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token) == 0) return own;
    const auto information = [token](TOKEN_INFORMATION_CLASS kind) {
        DWORD size = 0;
        ::GetTokenInformation(token, kind, nullptr, 0, &size);
        std::vector<BYTE> bytes(size);
        if (size == 0 || ::GetTokenInformation(token, kind, bytes.data(), size, &size) == 0) bytes.clear();
        return bytes;
    };
    if (const auto user = information(TokenUser); !user.empty())
        own.push_back(CopyOfSid(reinterpret_cast<const TOKEN_USER*>(user.data())->User.Sid));
    if (const auto groups = information(TokenGroups); !groups.empty()) {
        const auto* list = reinterpret_cast<const TOKEN_GROUPS*>(groups.data());
        for (DWORD i = 0; i < list->GroupCount; ++i) {
            if (IsServiceSid(list->Groups[i].Sid)) own.push_back(CopyOfSid(list->Groups[i].Sid));
        }
    }
    ::CloseHandle(token);
    return own;
}

std::string AccountName(PSID sid) {
    wchar_t name[256], domain[256];
    DWORD nameSize = 256, domainSize = 256;
    SID_NAME_USE use{};
    if (::LookupAccountSidW(nullptr, sid, name, &nameSize, domain, &domainSize, &use) != 0)
        return domainSize > 0 ? Utf8FromWide(domain) + "\\" + Utf8FromWide(name) : Utf8FromWide(name);
    wchar_t* text = nullptr;
    if (::ConvertSidToStringSidW(sid, &text) == 0) return "an unknown account";
    std::string out = Utf8FromWide(text);
    ::LocalFree(text);
    return out;
}

}  // namespace

std::string OtherPasswordFileReader(const std::string& path, std::string& error) {
    PSID owner = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const DWORD result = ::GetNamedSecurityInfoW(WideFromUtf8(path).c_str(), SE_FILE_OBJECT,
                                                 OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                                 &owner, nullptr, &dacl, nullptr, &descriptor);
    if (result != ERROR_SUCCESS) {
        error = "cannot read its permissions (system error " + std::to_string(result) + ")";
        return "";
    }
    const auto freeDescriptor = [](void* held) { ::LocalFree(held); };
    const std::unique_ptr<void, decltype(freeDescriptor)> held(descriptor, freeDescriptor);
    if (dacl == nullptr) return "Everyone (the file has no access list)";
    std::vector<SidBytes> trusted = OwnAccounts();
    for (const SidBytes& sid : {WellKnown(WinLocalSystemSid), WellKnown(WinBuiltinAdministratorsSid)}) {
        if (!sid.empty()) trusted.push_back(sid);
    }
    if (owner != nullptr) trusted.push_back(CopyOfSid(owner));
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        if (::GetAce(dacl, i, &ace) == 0) continue;
        const auto* header = static_cast<const ACE_HEADER*>(ace);
        // An entry only for what is created inside a folder is not this file's.
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE || (header->AceFlags & INHERIT_ONLY_ACE) != 0)
            continue;
        auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
        if ((allowed->Mask & (FILE_READ_DATA | GENERIC_READ | GENERIC_ALL)) == 0) continue;
        const PSID sid = &allowed->SidStart;
        const bool isTrusted = std::any_of(trusted.begin(), trusted.end(), [sid](SidBytes& known) {
            return ::EqualSid(sid, known.data()) != 0;
        });
        if (!isTrusted) return AccountName(sid);
    }
    return "";
}

}  // namespace orvane_cli::platform
