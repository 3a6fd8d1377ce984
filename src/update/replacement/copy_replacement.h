// The replacement of one copy by the image, so that afterwards the copy holds
// either the image, byte for byte, or exactly what it held before, whatever
// fails and even when the power fails.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace mwn {

class Platform;
class MessagePump;
class FolderEntries;

enum class ReplaceOutcome {
  kUpdated,
  kNotUpdated,
  // Not updated because its folder refused, with access denied, the first
  // file made beside the copy: one an administrator's rights may reach.
  kFolderRefused,
  // Not touched: a run for no person found it in a folder standard users
  // can change, where it acts for no one; a run in that user's session
  // updates it.
  kLeftForUser,
};

// Whose rights the run has, which decides how it may act in a copy's folder.
enum class RunRights {
  // A standard user's: every step by path.
  kStandard,
  // A person's, raised to an administrator's: in a folder only
  // administrators can change, every step through the held folder; in any
  // other, every step by path with that person's standard rights.
  kAdministrator,
  // The system's own (a deployment tool's run): as an administrator's, but
  // copies in folders standard users can change are left alone.
  kSystem,
};

// The rights of the process that runs.
RunRights RightsOfRun(Platform& platform, MessagePump& pump);

// True when a run with `rights` would replace the copy at `path` with its
// own rights or a user's, not leave it for the user: the copies that may
// take part in the version gate.
bool ActsOnCopy(Platform& platform, MessagePump& pump, RunRights rights, const std::string& path);

class CopyReplacement {
 public:
  // `image` (`imageSize` bytes) is what the file at `imagePath` holds. With
  // an empty `imagePath` each copy is staged from `image` itself: no file
  // that another program could change on the way reaches a copy.
  CopyReplacement(Platform& platform, MessagePump& pump, RunRights rights,
                  const std::string& imagePath, const std::uint8_t* image, std::size_t imageSize);

  // From now on a copy that a running program holds as its image is
  // replaced all the same: the old image is renamed aside within its folder
  // (hidden, under a fresh name), the program going on with it, and the
  // image put in its place.
  void ReplaceInUse() { replaceInUse_ = true; }
  ReplaceOutcome Replace(const std::string& target);
  // The name in its folder under which the last Replace set a running image
  // aside, or the empty string.
  const std::string& SetAsideAs() const { return setAsideAs_; }
  // Deletes the images set aside by this run whose programs have ended; a
  // later run deletes the others when it comes to their copies.
  void RemoveSetAside();
  // Why the last Replace did not update its copy: the system's error code of
  // the call that failed, or 0 when a check (a flush, a read-back) failed
  // or the copy was left for its user.
  std::uint32_t Failure() const { return failure_; }
  // True when the file at `path` holds the image, byte for byte.
  bool HoldsImage(const std::string& path);

 private:
  ReplaceOutcome ReplaceWithAdministratorsRights(const std::string& target);
  ReplaceOutcome ReplaceIn(FolderEntries& folder, const std::string& folderPath,
                           const std::string& name);
  ReplaceOutcome WriteAfresh(FolderEntries& folder, const std::string& folderPath,
                             const std::string& name);
  std::string BackUp(FolderEntries& folder, const std::string& name, std::uint32_t& error);
  std::string Stage(FolderEntries& folder, const std::string& folderPath, std::uint32_t& error);
  bool Swap(FolderEntries& folder, const std::string& staged, const std::string& name);
  bool SwapAside(FolderEntries& folder, const std::string& folderPath, const std::string& staged,
                 const std::string& name);
  void RemoveSetAside(FolderEntries& folder, const std::string& folderPath);
  // Runs `work` on the copy's folder as Replace acts in it; false when it
  // would not act there.
  bool InFolderOf(const std::string& folderPath, const std::function<void(FolderEntries&)>& work);
  bool KeepProgramSpelling(FolderEntries& folder, const std::string& name);
  void Restore(FolderEntries& folder, const std::string& backup, const std::string& name);
  bool HoldsImage(FolderEntries& folder, const std::string& name);
  std::string NewTempFile(FolderEntries& folder, std::uint32_t& error);
  std::uint32_t Move(FolderEntries& folder, const std::string& source,
                     const std::string& destination, bool replace);
  std::uint32_t RetryingWhileInUse(const std::function<std::uint32_t()>& attempt);
  bool Flushed(FolderEntries& folder, const std::string& name);
  bool Same(FolderEntries& folder, const std::string& a, const std::string& b);
  void Discard(FolderEntries& folder, const std::string& name);

  Platform& platform_;
  MessagePump& pump_;
  const RunRights rights_;
  const std::string imagePath_;
  const std::uint8_t* image_;
  std::size_t imageSize_;
  // Between the chunks of a copy or a comparison: the pump's own pace.
  std::function<void()> pumping_;
  // While waiting on the disk, whenever a message arrives: at once.
  std::function<void()> answering_;
  std::uint32_t failure_ = 0;
  bool replaceInUse_ = false;
  std::string setAsideAs_;
  // The folders where this run set an image aside.
  std::vector<std::string> setAsideIn_;
};

}  // namespace mwn
