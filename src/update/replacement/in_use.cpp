// Copies that a running program holds as its image. The system lets such a
// file be renamed within its volume, though not written, replaced or
// deleted; so the old image moves aside in its own folder, the program going
// on with it, and the new one takes its name.
#include "platform/errors.h"
#include "platform/platform.h"
#include "platform/pump.h"
#include "update/base/path.h"
#include "update/replacement/copy_replacement.h"
#include "update/replacement/path_folder.h"

namespace mwn {

namespace {

// Never the program's own name, nor one the run's other steps make.
constexpr char kSetAsidePrefix[] = "~MwnOld";
constexpr std::size_t kRandomDigits = 16;

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// As RandomTempName makes them, in any letter case.
bool IsSetAsideName(Platform& platform, const std::string& name) {
  const std::string prefix = kSetAsidePrefix;
  if (name.size() != prefix.size() + kRandomDigits + 4) return false;
  if (!platform.EqualIgnoringCase(name.substr(0, prefix.size()), prefix) ||
      !platform.EqualIgnoringCase(name.substr(name.size() - 4), ".tmp")) {
    return false;
  }
  for (std::size_t i = prefix.size(); i < prefix.size() + kRandomDigits; ++i) {
    if (!IsHexDigit(name[i])) return false;
  }
  return true;
}

}  // namespace

// Only with the switch, and only after the swap met what a running image
// answers (access denied; some file systems say in use): the rename aside
// is refused, as before, to a copy opened in any other way that shares no
// delete access. The name aside is fresh and taken
// only where nothing stands, so the rename meets nothing of anyone else's;
// between the two renames the copy's name stands empty for as long as one
// written-through rename takes.
bool CopyReplacement::SwapAside(FolderEntries& folder, const std::string& folderPath,
                                const std::string& staged, const std::string& name) {
  if (!replaceInUse_ || (failure_ != kErrorAccessDenied && failure_ != kErrorSharingViolation)) {
    return false;
  }
  const std::string aside = platform_.RandomTempName(kSetAsidePrefix);
  pump_.Step();
  if (aside.empty() || Move(folder, name, aside, false) != kErrorSuccess) return false;
  if (Move(folder, staged, name, false) != kErrorSuccess) {
    Move(folder, aside, name, false);
    return false;
  }
  folder.Hide(aside);
  pump_.Step();
  const std::string copy = JoinPath(folderPath, name);
  setAside_.emplace_back(copy, aside);
  setAsideAs_ = aside;
  // The system deletes the old image at the restart, by path, should neither
  // this run nor a later one have: only where nobody but administrators can
  // change the folder.
  if (folders_.Rights() != RunRights::kStandard &&
      folders_.Trust(copy) == FolderTrust::kAdministratorsOnly) {
    folder.DeleteAtRestart(aside);
    pump_.Step();
  }
  failure_ = kErrorSuccess;
  return true;
}

// Each image set aside whose program has ended, found by a listing through
// the folder as the run acts in it: the one still running refuses the
// deletion and stays for a later run.
void CopyReplacement::RemoveSetAside(FolderEntries& folder) {
  const std::vector<std::string> names = folder.FileNames();
  pump_.Step();
  for (const std::string& name : names) {
    if (IsSetAsideName(platform_, name)) Discard(folder, name);
  }
}

// Only the names this run set aside, each relative to its copy's folder as
// the run acts in it.
void CopyReplacement::RemoveSetAside() {
  for (const auto& [copy, aside] : setAside_) {
    if (folders_.Rights() == RunRights::kStandard) {
      PathFolder folder(platform_, FolderOfPath(copy));
      Discard(folder, aside);
    } else if (HeldFolder* const held = folders_.Held(copy)) {
      Discard(*held, aside);
    }
  }
  setAside_.clear();
}

}  // namespace mwn
