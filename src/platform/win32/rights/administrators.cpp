#include "platform/win32/rights/administrators.h"

// Not part of the lean <windows.h>.
#include <sddl.h>

namespace mwn {

SddlDescriptor::SddlDescriptor(const wchar_t* sddl) {
  ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor_,
                                                       nullptr);
}

SddlDescriptor::~SddlDescriptor() { LocalFree(descriptor_); }

namespace {

constexpr wchar_t kTrustedInstaller[] =
    L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";

}  // namespace

bool IsAdministrativeSid(PSID sid) {
  if (IsWellKnownSid(sid, WinLocalSystemSid) || IsWellKnownSid(sid, WinBuiltinAdministratorsSid)) {
    return true;
  }
  PSID installer = nullptr;
  if (!ConvertStringSidToSidW(kTrustedInstaller, &installer)) return false;
  const bool same = EqualSid(sid, installer) != FALSE;
  LocalFree(installer);
  return same;
}

bool OwnedByAdministrators(HANDLE handle, SE_OBJECT_TYPE type) {
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetSecurityInfo(handle, type, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr,
                      nullptr, &descriptor) != ERROR_SUCCESS) {
    return false;
  }
  const bool administrators = owner != nullptr && IsAdministrativeSid(owner);
  LocalFree(descriptor);
  return administrators;
}

bool OwnedByAdministratorsOrThisAccount(HANDLE file) {
  if (OwnedByAdministrators(file, SE_FILE_OBJECT)) return true;
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  HANDLE token = nullptr;
  if (GetSecurityInfo(file, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr,
                      nullptr, &descriptor) != ERROR_SUCCESS) {
    return false;
  }
  bool own = false;
  if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
    BYTE buffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    DWORD size = 0;
    own = GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size) &&
          EqualSid(owner, reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid);
    CloseHandle(token);
  }
  LocalFree(descriptor);
  return own;
}

}  // namespace mwn
