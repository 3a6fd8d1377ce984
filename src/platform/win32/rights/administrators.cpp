#include "platform/win32/rights/administrators.h"

// Not part of the lean <windows.h>.
#include <sddl.h>

namespace mwn {

SddlDescriptor::SddlDescriptor(const wchar_t* sddl) {
  ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor_,
                                                       nullptr);
}

SddlDescriptor::~SddlDescriptor() { LocalFree(descriptor_); }

ProcessAccount::ProcessAccount() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return;
  DWORD size = 0;
  read_ = GetTokenInformation(token, ::TokenUser, buffer_, sizeof buffer_, &size) != FALSE;
  CloseHandle(token);
}

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

bool OwnedByAdministratorsOr(HANDLE handle, SE_OBJECT_TYPE type, PSID account) {
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetSecurityInfo(handle, type, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                      &descriptor) != ERROR_SUCCESS) {
    return false;
  }
  const bool trusted = owner != nullptr && (IsAdministrativeSid(owner) ||
                                            (account != nullptr && EqualSid(owner, account)));
  LocalFree(descriptor);
  return trusted;
}

bool OwnedByAdministratorsOrThisAccount(HANDLE file) {
  ProcessAccount account;
  return OwnedByAdministratorsOr(file, SE_FILE_OBJECT, account ? account.Sid() : nullptr);
}

}  // namespace mwn
