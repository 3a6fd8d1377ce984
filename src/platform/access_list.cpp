#include "platform/access_list.h"

namespace mwn {
namespace {

using namespace rights;

// A generic right in an entry, as the system maps it for files.
std::uint32_t Mapped(std::uint32_t mask) {
  constexpr std::uint32_t kFileWrite =
      kAddFile | kAddSubfolder | kWriteExtendedAttributes | kWriteAttributes;
  if (mask & kGenericAll) mask |= kFileWrite | kDeleteChild | kDelete | kWriteDac | kWriteOwner;
  if (mask & kGenericWrite) mask |= kFileWrite;
  return mask;
}

// On the folder: what removes, renames or replaces entries that are not the
// holder's, or the folder itself, or changes who may.
constexpr std::uint32_t kTakesOver = kDeleteChild | kDelete | kWriteDac | kWriteOwner;
// On the folder: what adds entries of the holder's own, or marks the folder.
constexpr std::uint32_t kAdds =
    kAddFile | kAddSubfolder | kWriteExtendedAttributes | kWriteAttributes;
// On a file: any change at all to its bytes, name, marks or list.
constexpr std::uint32_t kChangesFile = kAdds | kTakesOver;

}  // namespace

FolderTrust TrustOfAccessList(const AccessList& list) {
  if (!list.present || list.owner == Trustee::kAnyone || list.owner == Trustee::kCreatorOwner) {
    return FolderTrust::kChangeable;
  }
  std::uint32_t othersOnFolder = 0;
  std::uint32_t othersOnFiles = 0;
  bool runAccountChanges = list.owner == Trustee::kRunAccount;
  for (const AccessEntry& entry : list.entries) {
    if (entry.kind == AccessEntry::Kind::kOther) return FolderTrust::kChangeable;
    if (entry.kind == AccessEntry::Kind::kDeny) continue;
    const std::uint32_t mask = Mapped(entry.mask);
    // CREATOR OWNER is no one on the folder, and on a file made there the
    // maker alone: the run on its own files, a user on theirs.
    if (entry.trustee == Trustee::kAdministrative || entry.trustee == Trustee::kCreatorOwner) {
      continue;
    }
    const std::uint32_t onFolder = entry.inheritOnly ? 0 : mask;
    const std::uint32_t onFiles = entry.toNewFiles ? mask : 0;
    if (entry.trustee == Trustee::kRunAccount) {
      runAccountChanges |= ((onFolder & (kAdds | kTakesOver)) | (onFiles & kChangesFile)) != 0;
    } else {
      othersOnFolder |= onFolder;
      othersOnFiles |= onFiles;
    }
  }
  if ((othersOnFolder & kTakesOver) != 0 || (othersOnFiles & kChangesFile) != 0) {
    return FolderTrust::kChangeable;
  }
  if ((othersOnFolder & kAdds) != 0) {
    // Its owner could change the list at will.
    return list.owner == Trustee::kAdministrative ? FolderTrust::kUsersMayAdd
                                                  : FolderTrust::kChangeable;
  }
  return runAccountChanges ? FolderTrust::kRunAccountOnly : FolderTrust::kAdministratorsOnly;
}

}  // namespace mwn
