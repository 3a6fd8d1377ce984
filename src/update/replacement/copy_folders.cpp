#include "update/replacement/copy_folders.h"

#include "platform/errors.h"
#include "platform/platform.h"
#include "platform/pump.h"
#include "update/base/path.h"
#include "update/base/version.h"
#include "update/replacement/path_folder.h"

namespace mwn {

RunRights RightsOfRun(Platform& platform, MessagePump& pump) {
  const bool elevated = platform.RunningElevated();
  pump.Step();
  if (!elevated) return RunRights::kStandard;
  const bool system = platform.RunningAsSystemAccount();
  pump.Step();
  return system ? RunRights::kSystem : RunRights::kAdministrator;
}

// With an administrator's rights every step goes through a folder held open,
// never by path, and only in a folder where nothing a standard user made or
// can change is ever written through, read as truth or waited on:
// - only administrators may change it: every step of the replacement;
// - users may only add entries of their own (as in many folders under
//   C:\ProgramData): they can neither rename nor remove the entries of
//   others, nor change the folder, so the steps that stay within the hold
//   are safe: exclusive creates of fresh random names, writes only into
//   those, renames within the hold, and deletes through the entry's own
//   handle of names the run made. The copy itself may be one a user planted
//   there (a hard link to another file, say): it is read only to be backed
//   up into a file of the run's own, and replaced by a rename, which drops
//   that name and writes nothing through it; the old bytes are never copied
//   back over its name (copy_replacement.cpp). A newer copy there holds
//   nothing back, as anyone may have put it there.
// The account the run is for is not enough: with over-the-shoulder consent
// that account is another person's, and otherwise its programs without an
// administrator's rights are exactly the standard user this guards against.
bool PrivilegedRunActsIn(FolderTrust trust) {
  return trust == FolderTrust::kAdministratorsOnly || trust == FolderTrust::kUsersMayAdd;
}

CopyFolders::CopyFolders(Platform& platform, MessagePump& pump, RunRights rights)
    : platform_(platform), pump_(pump), rights_(rights) {}

// A folder that cannot be held (a link in its place, a handle of another
// program's that keeps it from being held) counts as one anyone may change.
// A privileged run keeps only the holds it acts through.
CopyFolders::Folder& CopyFolders::Of(const std::string& copy) {
  const std::string path = FolderOfPath(copy);
  const auto known = folders_.find(path);
  if (known != folders_.end()) return known->second;
  Folder folder;
  folder.held = platform_.HoldFolder(path, folder.error);
  pump_.Step();
  if (folder.held) {
    folder.trust = folder.held->Trust();
    pump_.Step();
  }
  if (rights_ != RunRights::kStandard && !PrivilegedRunActsIn(folder.trust)) folder.held.reset();
  return folders_.emplace(path, std::move(folder)).first->second;
}

bool CopyFolders::ActsOn(const std::string& copy) {
  return rights_ == RunRights::kStandard || Of(copy).held != nullptr;
}

bool CopyFolders::MayHoldBack(const std::string& copy) {
  const FolderTrust trust = Of(copy).trust;
  if (rights_ != RunRights::kStandard) return trust == FolderTrust::kAdministratorsOnly;
  return trust == FolderTrust::kAdministratorsOnly || trust == FolderTrust::kRunAccountOnly;
}

bool CopyFolders::Version(const std::string& copy, VersionStamp& stamp) {
  Folder& folder = Of(copy);
  bool read = false;
  if (folder.held) {
    read = EntryVersionStamp(*folder.held, NameOfPath(copy), stamp);
  } else if (rights_ == RunRights::kStandard) {
    PathFolder byPath(platform_, FolderOfPath(copy));
    read = EntryVersionStamp(byPath, NameOfPath(copy), stamp);
  }
  pump_.Step();
  return read;
}

bool CopyFolders::IsFile(const std::string& copy) {
  Folder& folder = Of(copy);
  std::uint32_t attributes = 0;
  bool file = false;
  if (folder.held) {
    file = folder.held->Attributes(NameOfPath(copy), attributes) &&
           (attributes & (kAttrDirectory | kAttrReparsePoint)) == 0;
  } else if (rights_ == RunRights::kStandard) {
    file = platform_.FileExists(copy);
  }
  pump_.Step();
  return file;
}

HeldFolder* CopyFolders::Held(const std::string& copy) {
  return rights_ == RunRights::kStandard ? nullptr : Of(copy).held.get();
}

FolderTrust CopyFolders::Trust(const std::string& copy) { return Of(copy).trust; }

std::uint32_t CopyFolders::HoldError(const std::string& copy) { return Of(copy).error; }

}  // namespace mwn
