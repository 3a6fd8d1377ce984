#include "update/replacement/copy_replacement.h"

#include "payload/payload.h"
#include "platform/errors.h"
#include "platform/platform.h"
#include "platform/pump.h"
#include "update/base/path.h"

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

CopyReplacement::CopyReplacement(Platform& platform, MessagePump& pump,
                                 const std::string& imagePath, const std::uint8_t* image,
                                 std::size_t imageSize)
    : platform_(platform),
      pump_(pump),
      imagePath_(imagePath),
      image_(image),
      imageSize_(imageSize),
      pumping_([this] { pump_.Step(); }),
      answering_([this] { pump_.Full(); }) {}

// The image is staged under a temporary name in the copy's own folder, its
// bytes flushed to the disk, and swapped in with one written-through move.
// The old bytes wait in a flushed backup beside the copy until the new ones
// have been read back, so that no whole copy is ever held in memory and a
// power cut at any point leaves the old bytes or the new at the copy's path.
ReplaceOutcome CopyReplacement::Replace(const std::string& target) {
  failure_ = kErrorSuccess;
  const std::string folder = FolderOfPath(target);
  std::uint32_t attributes = 0;
  const bool present = platform_.FileAttributesOf(target, attributes);
  pump_.Step();
  if (!present) return WriteAfresh(folder, target);
  // The swap refuses such a copy anyway, and a backup of a read-only copy
  // would be read-only too, so could not be deleted again.
  if ((attributes & (kAttrReadOnly | kAttrDirectory)) != 0) {
    failure_ = kErrorAccessDenied;  // what the swap would have met
    return ReplaceOutcome::kNotUpdated;
  }

  std::uint32_t error = kErrorSuccess;
  const std::string backup = BackUp(folder, target, error);
  if (backup.empty()) {
    return error == kErrorAccessDenied ? ReplaceOutcome::kFolderRefused
                                       : ReplaceOutcome::kNotUpdated;
  }
  const std::string staged = Stage(folder, error);
  if (staged.empty() || !Swap(staged, target)) {
    if (!staged.empty()) Discard(staged);
    Discard(backup);
    return ReplaceOutcome::kNotUpdated;
  }
  // The spelling is settled while the backup still exists, so that a detour
  // that cannot come back still leaves the old bytes at the copy's path.
  if (!HoldsImage(target) || !KeepProgramSpelling(folder, target)) {
    Restore(backup, target);
    return ReplaceOutcome::kNotUpdated;
  }
  Discard(backup);
  return ReplaceOutcome::kUpdated;
}

bool CopyReplacement::HoldsImage(const std::string& path) {
  const bool holds = platform_.FileHoldsExactly(path, image_, imageSize_, pumping_);
  pump_.Step();
  return holds;
}

// Moved in without replacing: should a copy be there after all (its
// attributes could not be read), it is left alone.
ReplaceOutcome CopyReplacement::WriteAfresh(const std::string& folder, const std::string& target) {
  std::uint32_t error = kErrorSuccess;
  const std::string staged = Stage(folder, error);
  if (staged.empty()) {
    return error == kErrorAccessDenied ? ReplaceOutcome::kFolderRefused
                                       : ReplaceOutcome::kNotUpdated;
  }
  if (Move(staged, target, false) != kErrorSuccess) {
    Discard(staged);
    return ReplaceOutcome::kNotUpdated;
  }
  if (HoldsImage(target)) return ReplaceOutcome::kUpdated;
  Discard(target);
  return ReplaceOutcome::kNotUpdated;
}

// A flushed copy of the copy beside it, read back equal; the empty string
// when none could be made, for instance because the copy cannot be read.
std::string CopyReplacement::BackUp(const std::string& folder, const std::string& target,
                                    std::uint32_t& error) {
  const std::string backup = NewTempFile(folder, error);
  if (backup.empty()) return "";
  const std::uint32_t copied = platform_.CopyFileTo(target, backup, true, pumping_);
  pump_.Step();
  if (copied != kErrorSuccess) failure_ = copied;
  if (copied == kErrorSuccess && Flushed(backup) && Same(backup, target)) return backup;
  Discard(backup);
  return "";
}

// The image under a new temporary name beside the copy, flushed to the disk.
std::string CopyReplacement::Stage(const std::string& folder, std::uint32_t& error) {
  const std::string staged = NewTempFile(folder, error);
  if (staged.empty()) return "";
  const std::uint32_t copied = RetryingWhileInUse([&] {
    if (!imagePath_.empty()) return platform_.CopyFileTo(imagePath_, staged, true, pumping_);
    const std::uint32_t written =
        WriteWholeFile(platform_, staged, image_, imageSize_, answering_);
    // A short write is the runtime's code; the system's own for it is this.
    return written == kIoShortWrite ? kErrorDiskFull : written;
  });
  if (copied == kErrorSuccess && Flushed(staged)) return staged;
  Discard(staged);
  return "";
}

bool CopyReplacement::Swap(const std::string& staged, const std::string& target) {
  return RetryingWhileInUse([&] { return platform_.MoveFileTo(staged, target, true); }) ==
         kErrorSuccess;
}

// A copy stored as MWN.EXE keeps that spelling through the swap. A rename
// that changes only the letter case gives it the name as the program writes
// it, in one step where the file system allows it. Some file systems
// (Wine's among them) keep the spelling through that rename as well; there
// a detour through a temporary name is the way, with the old spelling as
// the second way back. False when the image is then at neither.
bool CopyReplacement::KeepProgramSpelling(const std::string& folder, const std::string& target) {
  const std::string name = NameOfPath(target);
  std::string stored = platform_.StoredName(target);
  pump_.Step();
  if (stored.empty() || stored == name) return true;
  if (Move(JoinPath(folder, stored), target, true) == kErrorSuccess) {
    stored = platform_.StoredName(target);
    pump_.Step();
    if (stored.empty() || stored == name) return true;
  }
  std::uint32_t error = kErrorSuccess;
  const std::string detour = NewTempFile(folder, error);
  if (detour.empty()) return true;
  if (Move(target, detour, true) != kErrorSuccess) {
    Discard(detour);
    return true;
  }
  if (Move(detour, target, false) == kErrorSuccess ||
      Move(detour, JoinPath(folder, stored), false) == kErrorSuccess) {
    return HoldsImage(target);
  }
  Discard(detour);
  return false;
}

// The move back is a rename, so it gives the copy the very bytes the backup
// was checked to hold. Copying back is the last chance; when that fails
// too, the backup is left where it is: the old bytes survive under its
// temporary name.
void CopyReplacement::Restore(const std::string& backup, const std::string& target) {
  if (Move(backup, target, true) == kErrorSuccess) return;
  const std::uint32_t copied = platform_.CopyFileTo(backup, target, true, pumping_);
  pump_.Step();
  if (copied == kErrorSuccess && Flushed(target) && Same(backup, target)) Discard(backup);
}

std::string CopyReplacement::NewTempFile(const std::string& folder, std::uint32_t& error) {
  const std::string path = platform_.UniqueTempFile(folder, kTempPrefix, error);
  pump_.Step();
  if (path.empty()) failure_ = error;
  return path;
}

// A move, like a copy or a flush, may hold the thread for long (on a share);
// after it the window answers at once, not at the pump's pace, whose wait
// would add to the call's.
std::uint32_t CopyReplacement::Move(const std::string& source, const std::string& destination,
                                    bool replace) {
  const std::uint32_t error = platform_.MoveFileTo(source, destination, replace);
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

bool CopyReplacement::Flushed(const std::string& path) {
  const bool flushed = platform_.FlushFileToDisk(path, answering_);
  pump_.Full();
  return flushed;
}

bool CopyReplacement::Same(const std::string& a, const std::string& b) {
  const bool same = platform_.FilesHoldSame(a, b, pumping_);
  pump_.Step();
  return same;
}

void CopyReplacement::Discard(const std::string& path) {
  platform_.DeleteFileAt(path);
  pump_.Step();
}

}  // namespace mwn
