// Who may change a folder, from the owner and access list read through its
// hold, by the plain rule of platform/access_list.h rather than the system's
// access check: the check answers for one set of groups at a time, and no
// set stands for every user (a deny for INTERACTIVE stops no batch logon; a
// conditional entry answers differently for each user's claims). Here each
// entry is only translated; the decision is the portable rule's.
#include "platform/access_list.h"
#include "platform/win32/rights/administrators.h"
#include "platform/win32/win32_platform.h"

namespace mwn {
namespace {

Trustee TrusteeOf(PSID sid, PSID runAccount, Trustee owner) {
  if (IsAdministrativeSid(sid)) return Trustee::kAdministrative;
  if (runAccount != nullptr && EqualSid(sid, runAccount)) return Trustee::kRunAccount;
  if (IsWellKnownSid(sid, WinCreatorOwnerSid)) return Trustee::kCreatorOwner;
  // OWNER RIGHTS stands for whoever owns the folder.
  if (IsWellKnownSid(sid, WinCreatorOwnerRightsSid)) return owner;
  return Trustee::kAnyone;
}

AccessList ListOf(PSID owner, PACL dacl, PSID runAccount) {
  AccessList list;
  list.owner = owner == nullptr ? Trustee::kAnyone
                                : TrusteeOf(owner, runAccount, Trustee::kAnyone);
  if (list.owner == Trustee::kCreatorOwner) list.owner = Trustee::kAnyone;
  list.present = dacl != nullptr;
  for (DWORD i = 0; list.present && i < dacl->AceCount; ++i) {
    void* ace = nullptr;
    AccessEntry entry;
    if (!GetAce(dacl, i, &ace)) {
      entry.kind = AccessEntry::Kind::kOther;
      list.entries.push_back(entry);
      continue;
    }
    const auto* header = static_cast<const ACE_HEADER*>(ace);
    entry.toNewFiles = (header->AceFlags & OBJECT_INHERIT_ACE) != 0;
    entry.inheritOnly = (header->AceFlags & INHERIT_ONLY_ACE) != 0;
    // The plain kinds share one layout: header, mask, SID.
    if (header->AceType == ACCESS_ALLOWED_ACE_TYPE || header->AceType == ACCESS_DENIED_ACE_TYPE) {
      const auto* plain = static_cast<const ACCESS_ALLOWED_ACE*>(ace);
      entry.kind = header->AceType == ACCESS_ALLOWED_ACE_TYPE ? AccessEntry::Kind::kAllow
                                                                : AccessEntry::Kind::kDeny;
      entry.mask = plain->Mask;
      entry.trustee = TrusteeOf(const_cast<DWORD*>(&plain->SidStart), runAccount, list.owner);
    } else {
      entry.kind = AccessEntry::Kind::kOther;
    }
    list.entries.push_back(entry);
  }
  return list;
}

}  // namespace

// Anything that cannot be read counts as changeable: the run then treats
// the folder as a standard user's.
FolderTrust TrustOfFolder(HANDLE folder) {
  PSID owner = nullptr;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetSecurityInfo(folder, SE_FILE_OBJECT,
                      OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner, nullptr,
                      &dacl, nullptr, &descriptor) != ERROR_SUCCESS) {
    return FolderTrust::kChangeable;
  }
  ProcessAccount runAccount;
  const FolderTrust trust = runAccount ? TrustOfAccessList(ListOf(owner, dacl, runAccount.Sid()))
                                       : FolderTrust::kChangeable;
  LocalFree(descriptor);
  return trust;
}

}  // namespace mwn
