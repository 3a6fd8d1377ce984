// Who may change a folder, read from its owner and access list alone, so that
// the rule can be tested without a system: each entry as the Win32 side
// translates it, the decision here.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/files.h"

namespace mwn {

// Access rights as the system numbers them for files and folders.
namespace rights {
constexpr std::uint32_t kAddFile = 0x0002;        // a file's write data
constexpr std::uint32_t kAddSubfolder = 0x0004;   // a file's append data
constexpr std::uint32_t kWriteExtendedAttributes = 0x0010;
constexpr std::uint32_t kDeleteChild = 0x0040;
constexpr std::uint32_t kWriteAttributes = 0x0100;
constexpr std::uint32_t kDelete = 0x00010000;
constexpr std::uint32_t kWriteDac = 0x00040000;
constexpr std::uint32_t kWriteOwner = 0x00080000;
constexpr std::uint32_t kGenericAll = 0x10000000;
constexpr std::uint32_t kGenericWrite = 0x40000000;
}  // namespace rights

// Whom an entry names, as far as the rule cares.
enum class Trustee {
  // SYSTEM, Administrators, the system's installer; or OWNER RIGHTS when
  // one of them owns the folder.
  kAdministrative,
  // The account the process runs as; or OWNER RIGHTS when it owns the folder.
  kRunAccount,
  // CREATOR OWNER: nothing on the folder; on a file made there, its maker.
  kCreatorOwner,
  // Anyone else, CREATOR GROUP included (the maker's primary group holds
  // standard users): any standard user.
  kAnyone,
};

struct AccessEntry {
  // Plain allow and deny entries are read; any other kind (callback,
  // conditional, object, or one the rule does not know) makes the folder
  // changeable, as its effect depends on what the rule cannot see.
  enum class Kind { kAllow, kDeny, kOther } kind = Kind::kAllow;
  Trustee trustee = Trustee::kAnyone;
  std::uint32_t mask = 0;
  // Inherited by files made in the folder (OBJECT_INHERIT).
  bool toNewFiles = false;
  // Only inherited, not on the folder itself (INHERIT_ONLY).
  bool inheritOnly = false;
};

struct AccessList {
  Trustee owner = Trustee::kAnyone;
  // No list at all grants everyone everything; an empty one, nothing.
  bool present = true;
  std::vector<AccessEntry> entries;
};

// The first answer of FolderTrust that applies, weakest first. Deny entries
// narrow nothing: one for a group that some user is not in stops no one
// else, so every grant counts as if no deny came before it. What counts is
// what the folder grants, and what a file made in it will be granted.
FolderTrust TrustOfAccessList(const AccessList& list);

}  // namespace mwn
