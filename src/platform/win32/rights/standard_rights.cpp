// Who the process runs for, and work done with that person's standard
// rights only: in a folder that standard users can change, whatever a link
// put there redirects to, the step can reach only what they could.
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

// The process's token with the Administrators group for deny only, no
// privilege but change notification, and medium integrity, ready to be
// put on a thread. Null when any step fails.
UniqueKernelHandle StandardToken() {
  HANDLE own = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_DUPLICATE | TOKEN_QUERY, &own)) {
    return UniqueKernelHandle();
  }
  const UniqueKernelHandle process(own);
  BYTE administrators[SECURITY_MAX_SID_SIZE];
  BYTE medium[SECURITY_MAX_SID_SIZE];
  DWORD administratorsSize = sizeof administrators;
  DWORD mediumSize = sizeof medium;
  if (!CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators,
                          &administratorsSize) ||
      !CreateWellKnownSid(WinMediumLabelSid, nullptr, medium, &mediumSize)) {
    return UniqueKernelHandle();
  }
  SID_AND_ATTRIBUTES denyOnly{administrators, 0};
  HANDLE restricted = nullptr;
  if (!CreateRestrictedToken(process.get(), DISABLE_MAX_PRIVILEGE, 1, &denyOnly, 0, nullptr, 0,
                             nullptr, &restricted)) {
    return UniqueKernelHandle();
  }
  const UniqueKernelHandle primary(restricted);
  HANDLE impersonation = nullptr;
  if (!DuplicateTokenEx(primary.get(), TOKEN_IMPERSONATE | TOKEN_QUERY | TOKEN_ADJUST_DEFAULT,
                        nullptr, SecurityImpersonation, TokenImpersonation, &impersonation)) {
    return UniqueKernelHandle();
  }
  UniqueKernelHandle token(impersonation);
  TOKEN_MANDATORY_LABEL label{{medium, SE_GROUP_INTEGRITY}};
  if (!SetTokenInformation(token.get(), TokenIntegrityLevel, &label,
                           sizeof label + GetLengthSid(medium))) {
    return UniqueKernelHandle();
  }
  return token;
}

class Impersonating {
 public:
  explicit Impersonating(HANDLE token) : started_(SetThreadToken(nullptr, token) != FALSE) {}
  ~Impersonating() {
    // Should the thread keep the token, it would keep less than its rights,
    // never more.
    if (started_) RevertToSelf();
  }
  Impersonating(const Impersonating&) = delete;
  Impersonating& operator=(const Impersonating&) = delete;
  bool Started() const { return started_; }

 private:
  bool started_;
};

}  // namespace

bool Win32Platform::RunningAsSystemAccount() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  const UniqueKernelHandle owned(token);
  static const WELL_KNOWN_SID_TYPE kSystemAccounts[] = {WinLocalSystemSid, WinLocalServiceSid,
                                                         WinNetworkServiceSid};
  return TokenUserIs(token, kSystemAccounts, sizeof kSystemAccounts / sizeof kSystemAccounts[0]);
}

bool Win32Platform::WithStandardRights(const std::function<void()>& work) {
  const UniqueKernelHandle token = StandardToken();
  if (!token) return false;
  const Impersonating impersonating(token.get());
  if (!impersonating.Started()) return false;
  work();
  return true;
}

}  // namespace mwn
