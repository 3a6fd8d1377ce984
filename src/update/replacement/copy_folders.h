// The folders of the copies a run found, each held from the first time a
// copy in it is looked at until this is destroyed: the version the
// log shows, the one the gate judges and the copy the replacement changes
// are reached through the same hold, whatever is renamed above it meanwhile.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "platform/files.h"

namespace mwn {

class Platform;
class MessagePump;
struct VersionStamp;

// Whose rights the run has, which decides where it may act.
enum class RunRights {
  // A standard user's: every step by path, reaching only what that user
  // could reach anyway.
  kStandard,
  // A person's, raised to an administrator's (also over the shoulder, with
  // another account's token).
  kAdministrator,
  // The system's own (a deployment tool's run).
  kSystem,
};

// The rights of the process that runs.
RunRights RightsOfRun(Platform& platform, MessagePump& pump);

// True when a run with an administrator's rights may act in a folder of
// this trust (see copy_folders.cpp for the rule).
bool PrivilegedRunActsIn(FolderTrust trust);

class CopyFolders {
 public:
  CopyFolders(Platform& platform, MessagePump& pump, RunRights rights);

  RunRights Rights() const { return rights_; }
  // True when the run acts on the copy at `copy` at all: a standard run
  // always, by path; a privileged one only through a hold it may act in.
  bool ActsOn(const std::string& copy);
  // True when a copy there that is newer than the replacement refuses the
  // whole run: only in a folder that no other standard user can change (the
  // run's own user's, for a standard run, or administrators').
  bool MayHoldBack(const std::string& copy);
  // The copy's version, read through its folder's hold; by path only in a
  // standard run whose folder could not be held. Nothing is read of a copy
  // the run does not act on.
  bool Version(const std::string& copy, VersionStamp& stamp);
  // True when the copy exists as a file, looked at as Version reads it.
  bool IsFile(const std::string& copy);
  // The hold a privileged run acts through; null where it does not act.
  HeldFolder* Held(const std::string& copy);
  // Who may change the copy's folder (kChangeable when it could not be
  // held), and the hold's error code then.
  FolderTrust Trust(const std::string& copy);
  std::uint32_t HoldError(const std::string& copy);

 private:
  struct Folder {
    std::unique_ptr<HeldFolder> held;
    FolderTrust trust = FolderTrust::kChangeable;
    std::uint32_t error = 0;
  };
  Folder& Of(const std::string& copy);

  Platform& platform_;
  MessagePump& pump_;
  const RunRights rights_;
  // Keyed by the folder's path as the walk spelled it.
  std::map<std::string, Folder> folders_;
};

}  // namespace mwn
