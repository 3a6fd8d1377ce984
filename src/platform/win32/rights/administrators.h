// What tells an object made by a process with an administrator's rights from
// one a standard user made: its owner, which a standard user can set neither
// to the Administrators group nor to SYSTEM.
#pragma once

#include "platform/win32/windows_api.h"

// Not part of the lean <windows.h>, and needs it first.
#include <aclapi.h>

namespace mwn {

// A security descriptor read from an SDDL string, freed when the object goes;
// null when the string is not valid.
class SddlDescriptor {
 public:
  explicit SddlDescriptor(const wchar_t* sddl);
  ~SddlDescriptor();
  SddlDescriptor(const SddlDescriptor&) = delete;
  SddlDescriptor& operator=(const SddlDescriptor&) = delete;
  PSECURITY_DESCRIPTOR get() const { return descriptor_; }

 private:
  PSECURITY_DESCRIPTOR descriptor_ = nullptr;
};

// The account this process runs as, read from its token; false when it
// cannot be read.
class ProcessAccount {
 public:
  ProcessAccount();
  explicit operator bool() const { return read_; }
  PSID Sid() { return reinterpret_cast<TOKEN_USER*>(buffer_)->User.Sid; }

 private:
  BYTE buffer_[sizeof(::TOKEN_USER) + SECURITY_MAX_SID_SIZE];
  bool read_ = false;
};

// True for SYSTEM, the Administrators group and the system's installer
// service (TrustedInstaller, owner of the system's own files).
bool IsAdministrativeSid(PSID sid);

// True when the object `handle` was opened on (with READ_CONTROL) is owned by
// one of those; false when it is not, or its owner cannot be read.
bool OwnedByAdministrators(HANDLE handle, SE_OBJECT_TYPE type);

// The same, or owned by `account`, which a standard user cannot make
// another's owner either.
bool OwnedByAdministratorsOr(HANDLE handle, SE_OBJECT_TYPE type, PSID account);

// The same for a file and the account this process runs under.
bool OwnedByAdministratorsOrThisAccount(HANDLE file);

}  // namespace mwn
