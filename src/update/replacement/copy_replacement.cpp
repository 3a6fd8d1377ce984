#include "update/replacement/copy_replacement.h"

#include "payload/payload.h"
#include "platform/errors.h"
#include "platform/platform.h"
#include "platform/pump.h"
#include "update/base/path.h"
#include "update/replacement/path_folder.h"

namespace mwn {

namespace {

// Scanners and indexers open a new executable for a moment; a few tries over
// about a second outlast them. A running program or missing rights hold on.
constexpr int kAttemptsWhileInUse = 5;
constexpr std::uint32_t kPauseWhileInUseMs = 250;

bool InUseForAMoment(std::uint32_t error) {
  return error == kErrorSharingViolation || error == kErrorLockViolation;
}

}  // namespace

CopyReplacement::CopyReplacement(Platform& platform, MessagePump& pump, CopyFolders& folders,
                                 const std::string& imagePath, const std::uint8_t* image,
                                 std::size_t imageSize)
    : platform_(platform),
      pump_(pump),
      folders_(folders),
      imagePath_(folders.Rights() == RunRights::kStandard ? imagePath : ""),
      image_(image),
      imageSize_(imageSize),
      pumping_([this] { pump_.Step(); }),
      answering_([this] { pump_.Full(); }) {}

// With an administrator's rights a step by path could be sent anywhere by
// a link that a standard user puts in the way between two steps: every step
// goes through the copy's held folder, and a copy whose folder the run does
// not act in is left for a run with its user's own rights.
ReplaceOutcome CopyReplacement::Replace(const std::string& target) {
  failure_ = kErrorSuccess;
  failedStep_ = StepFailure();
  setAsideAs_.clear();
  const std::string folderPath = FolderOfPath(target);
  if (folders_.Rights() == RunRights::kStandard) {
    PathFolder folder(platform_, folderPath);
    return ReplaceIn(folder, folderPath, NameOfPath(target), false);
  }
  HeldFolder* const held = folders_.Held(target);
  if (held == nullptr) return ReplaceOutcome::kLeftForUser;
  const ReplaceOutcome outcome = ReplaceIn(*held, folderPath, NameOfPath(target),
                                           folders_.Trust(target) == FolderTrust::kUsersMayAdd);
  if (outcome != ReplaceOutcome::kUpdated) failedStep_ = held->LastFailure();
  return outcome;
}

// The image is staged under a temporary name in the copy's own folder, its
// bytes flushed to the disk, and swapped in with one written-through move.
// The old bytes wait in a flushed backup beside the copy until the new ones
// have been read back, so that no whole copy is ever held in memory and a
// power cut at any point leaves the old bytes or the new at the copy's path.
ReplaceOutcome CopyReplacement::ReplaceIn(FolderEntries& folder, const std::string& folderPath,
                                          const std::string& name, bool othersMayAdd) {
  // What stands at such a name where others may add files may be theirs.
  if (!othersMayAdd) RemoveSetAside(folder);
  std::uint32_t attributes = 0;
  const bool present = folder.Attributes(name, attributes);
  pump_.Step();
  if (!present) return WriteAfresh(folder, folderPath, name);
  // The swap refuses such a copy anyway, and a backup of a read-only copy
  // would be read-only too, so could not be deleted again. A link is not
  // the program but a way to some other file.
  if ((attributes & (kAttrReadOnly | kAttrDirectory | kAttrReparsePoint)) != 0) {
    failure_ = kErrorAccessDenied;  // what the swap would have met
    return ReplaceOutcome::kNotUpdated;
  }

  std::uint32_t error = kErrorSuccess;
  const std::string backup = BackUp(folder, name, error);
  if (backup.empty()) {
    return error == kErrorAccessDenied ? ReplaceOutcome::kFolderRefused
                                       : ReplaceOutcome::kNotUpdated;
  }
  const std::string staged = Stage(folder, folderPath, error);
  if (staged.empty() || !KeepAccessList(folder, name, staged) ||
      !(Swap(folder, staged, name) || SwapAside(folder, folderPath, staged, name))) {
    if (!staged.empty()) Discard(folder, staged);
    Discard(folder, backup);
    return ReplaceOutcome::kNotUpdated;
  }
  // The spelling is settled while the backup still exists, so that a detour
  // that cannot come back still leaves the old bytes at the copy's path.
  if (!HoldsImage(folder, name) || !KeepProgramSpelling(folder, name)) {
    Restore(folder, backup, name, othersMayAdd);
    return ReplaceOutcome::kNotUpdated;
  }
  Discard(folder, backup);
  return ReplaceOutcome::kUpdated;
}

bool CopyReplacement::KeepAccessList(FolderEntries& folder, const std::string& copy,
                                     const std::string& staged) {
  const std::uint32_t error = folder.KeepAccessList(copy, staged);
  pump_.Step();
  if (error != kErrorSuccess) failure_ = error;
  return error == kErrorSuccess;
}

bool CopyReplacement::HoldsImage(const std::string& path) {
  const bool holds = platform_.FileHoldsExactly(path, image_, imageSize_, pumping_);
  pump_.Step();
  return holds;
}

bool CopyReplacement::HoldsImage(FolderEntries& folder, const std::string& name) {
  const bool holds = folder.HoldsExactly(name, image_, imageSize_, pumping_);
  pump_.Step();
  return holds;
}

// Moved in without replacing: should a copy be there after all (its
// attributes could not be read), it is left alone.
ReplaceOutcome CopyReplacement::WriteAfresh(FolderEntries& folder, const std::string& folderPath,
                                            const std::string& name) {
  std::uint32_t error = kErrorSuccess;
  const std::string staged = Stage(folder, folderPath, error);
  if (staged.empty()) {
    return error == kErrorAccessDenied ? ReplaceOutcome::kFolderRefused
                                       : ReplaceOutcome::kNotUpdated;
  }
  if (Move(folder, staged, name, false) != kErrorSuccess) {
    Discard(folder, staged);
    return ReplaceOutcome::kNotUpdated;
  }
  if (HoldsImage(folder, name)) return ReplaceOutcome::kUpdated;
  Discard(folder, name);
  return ReplaceOutcome::kNotUpdated;
}

// A flushed copy of the copy beside it, read back equal; the empty string
// when none could be made, for instance because the copy cannot be read.
std::string CopyReplacement::BackUp(FolderEntries& folder, const std::string& name,
                                    std::uint32_t& error) {
  const std::string backup = NewTempFile(folder, error);
  if (backup.empty()) return "";
  const std::uint32_t copied = folder.Copy(name, backup, pumping_);
  pump_.Step();
  if (copied != kErrorSuccess) failure_ = copied;
  if (copied == kErrorSuccess && Flushed(folder, backup) && Same(folder, backup, name)) {
    return backup;
  }
  Discard(folder, backup);
  return "";
}

// The image under a new temporary name beside the copy, flushed to the disk:
// copied from the image file where the run has one (it acts by path then),
// written from memory otherwise.
std::string CopyReplacement::Stage(FolderEntries& folder, const std::string& folderPath,
                                   std::uint32_t& error) {
  const std::string staged = NewTempFile(folder, error);
  if (staged.empty()) return "";
  const std::uint32_t copied = RetryingWhileInUse([&] {
    if (!imagePath_.empty()) {
      return platform_.CopyFileTo(imagePath_, JoinPath(folderPath, staged), true, pumping_);
    }
    std::uint32_t written = kErrorSuccess;
    const std::unique_ptr<WritableFile> file = folder.Rewrite(staged, written);
    if (file) written = WriteAndClose(*file, image_, imageSize_, answering_);
    // A short write is the runtime's code; the system's own for it is this.
    return written == kIoShortWrite ? kErrorDiskFull : written;
  });
  if (copied == kErrorSuccess && Flushed(folder, staged)) return staged;
  Discard(folder, staged);
  return "";
}

bool CopyReplacement::Swap(FolderEntries& folder, const std::string& staged,
                           const std::string& name) {
  return RetryingWhileInUse([&] { return folder.Rename(staged, name, true); }) == kErrorSuccess;
}

// A copy stored as MWN.EXE keeps that spelling through the swap. A rename
// that changes only the letter case gives it the name as the program writes
// it, in one step where the file system allows it. Some file systems
// (Wine's among them) keep the spelling through that rename as well; there
// a detour through a temporary name is the way, with the old spelling as
// the second way back. False when the image is then at neither.
bool CopyReplacement::KeepProgramSpelling(FolderEntries& folder, const std::string& name) {
  std::string stored = folder.StoredName(name);
  pump_.Step();
  if (stored.empty() || stored == name) return true;
  if (Move(folder, stored, name, true) == kErrorSuccess) {
    stored = folder.StoredName(name);
    pump_.Step();
    if (stored.empty() || stored == name) return true;
  }
  std::uint32_t error = kErrorSuccess;
  const std::string detour = NewTempFile(folder, error);
  if (detour.empty()) return true;
  if (Move(folder, name, detour, true) != kErrorSuccess) {
    Discard(folder, detour);
    return true;
  }
  if (Move(folder, detour, name, false) == kErrorSuccess ||
      Move(folder, detour, stored, false) == kErrorSuccess) {
    return HoldsImage(folder, name);
  }
  Discard(folder, detour);
  return false;
}

// The move back is a rename, so it gives the copy the very bytes the backup
// was checked to hold. Copying back is the last chance, except where users
// may add files: what stands at the name then may be one of theirs, a hard
// link to some other file, and is never written through. When there is no
// way back, the backup is left where it is: the old bytes survive under its
// temporary name.
void CopyReplacement::Restore(FolderEntries& folder, const std::string& backup,
                              const std::string& name, bool othersMayAdd) {
  if (Move(folder, backup, name, true) == kErrorSuccess || othersMayAdd) return;
  const std::uint32_t copied = folder.Copy(backup, name, pumping_);
  pump_.Step();
  if (copied == kErrorSuccess && Flushed(folder, name) && Same(folder, backup, name)) {
    Discard(folder, backup);
  }
}

std::string CopyReplacement::NewTempFile(FolderEntries& folder, std::uint32_t& error) {
  const std::string name = folder.NewTempFile(kTempPrefix, error);
  pump_.Step();
  if (name.empty()) failure_ = error;
  return name;
}

// A move, like a copy or a flush, may hold the thread for long (on a share);
// after it the window answers at once, not at the pump's pace, whose wait
// would add to the call's.
std::uint32_t CopyReplacement::Move(FolderEntries& folder, const std::string& source,
                                    const std::string& destination, bool replace) {
  const std::uint32_t error = folder.Rename(source, destination, replace);
  pump_.Full();
  if (error != kErrorSuccess) failure_ = error;
  return error;
}

std::uint32_t CopyReplacement::RetryingWhileInUse(const std::function<std::uint32_t()>& attempt) {
  std::uint32_t error = attempt();
  for (int tries = 1; tries < kAttemptsWhileInUse && InUseForAMoment(error); ++tries) {
    platform_.Pause(kPauseWhileInUseMs);
    error = attempt();
  }
  pump_.Full();
  if (error != kErrorSuccess) failure_ = error;
  return error;
}

bool CopyReplacement::Flushed(FolderEntries& folder, const std::string& name) {
  const bool flushed = folder.Flush(name, answering_);
  pump_.Full();
  return flushed;
}

bool CopyReplacement::Same(FolderEntries& folder, const std::string& a, const std::string& b) {
  const bool same = folder.Same(a, b, pumping_);
  pump_.Step();
  return same;
}

void CopyReplacement::Discard(FolderEntries& folder, const std::string& name) {
  folder.Delete(name);
  pump_.Step();
}

}  // namespace mwn
