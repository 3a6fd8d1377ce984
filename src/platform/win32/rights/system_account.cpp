// Whether the process runs for no person, as deployment tools start it.
#include <vector>

#include "platform/win32/win32_platform.h"

namespace mwn {
namespace {

bool TokenUserIs(HANDLE token, const WELL_KNOWN_SID_TYPE* types, std::size_t count) {
  std::vector<BYTE> buffer(sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE);
  DWORD size = 0;
  if (!GetTokenInformation(token, TokenUser, buffer.data(), static_cast<DWORD>(buffer.size()),
                           &size)) {
    return false;
  }
  PSID user = reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
  for (std::size_t i = 0; i < count; ++i) {
    if (IsWellKnownSid(user, types[i])) return true;
  }
  return false;
}

}  // namespace

bool Win32Platform::RunningAsSystemAccount() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  const UniqueKernelHandle owned(token);
  static const WELL_KNOWN_SID_TYPE kSystemAccounts[] = {WinLocalSystemSid, WinLocalServiceSid,
                                                         WinNetworkServiceSid};
  return TokenUserIs(token, kSystemAccounts, sizeof kSystemAccounts / sizeof kSystemAccounts[0]);
}

}  // namespace mwn
