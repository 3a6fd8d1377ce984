#include "platform/win32/administrators.h"

// Not part of the lean <windows.h>.
#include <sddl.h>

namespace mwn {

SddlDescriptor::SddlDescriptor(const wchar_t* sddl) {
  ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor_,
                                                       nullptr);
}

SddlDescriptor::~SddlDescriptor() { LocalFree(descriptor_); }

bool OwnedByAdministrators(HANDLE handle, SE_OBJECT_TYPE type) {
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetSecurityInfo(handle, type, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr,
                      nullptr, &descriptor) != ERROR_SUCCESS) {
    return false;
  }
  const bool administrators =
      owner != nullptr && (IsWellKnownSid(owner, WinBuiltinAdministratorsSid) ||
                           IsWellKnownSid(owner, WinLocalSystemSid));
  LocalFree(descriptor);
  return administrators;
}

}  // namespace mwn
