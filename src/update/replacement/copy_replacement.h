// The replacement of one copy by the image, so that afterwards the copy holds
// either the image, byte for byte, or exactly what it held before, whatever
// fails and even when the power fails.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/files.h"
#include "update/replacement/copy_folders.h"

namespace mwn {

class Platform;
class MessagePump;

enum class ReplaceOutcome {
  kUpdated,
  kNotUpdated,
  // Not updated because its folder refused, with access denied, the first
  // file made beside the copy: one an administrator's rights may reach.
  kFolderRefused,
  // Not touched: a run with an administrator's rights found it in a folder
  // it does not act in (CopyFolders); a run with its user's own rights
  // updates it.
  kLeftForUser,
};

class CopyReplacement {
 public:
  // `image` (`imageSize` bytes) is what the file at `imagePath` holds. With
  // an empty `imagePath`, and always with an administrator's rights, each
  // copy is staged from `image` itself: no file that another program could
  // change on the way reaches a copy. Each copy is acted on as `folders`
  // says.
  CopyReplacement(Platform& platform, MessagePump& pump, CopyFolders& folders,
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
  // later run deletes the others when it comes to their copies, except in a
  // folder where others may add files.
  void RemoveSetAside();
  // Why the last Replace did not update its copy: the system's error code of
  // the call that failed, or 0 when a check (a flush, a read-back) failed
  // or the copy was left for its user.
  std::uint32_t Failure() const { return failure_; }
  // Where the last Replace acted through a held folder and did not update
  // its copy: the folder's step that failed last, for the log.
  const StepFailure& FailedStep() const { return failedStep_; }
  // True when the file at `path` holds the image, byte for byte.
  bool HoldsImage(const std::string& path);

 private:
  // `othersMayAdd`: users may add entries of their own to the folder, so
  // nothing is ever written over the copy's name (copy_folders.cpp).
  ReplaceOutcome ReplaceIn(FolderEntries& folder, const std::string& folderPath,
                           const std::string& name, bool othersMayAdd);
  ReplaceOutcome WriteAfresh(FolderEntries& folder, const std::string& folderPath,
                             const std::string& name);
  std::string BackUp(FolderEntries& folder, const std::string& name, std::uint32_t& error);
  std::string Stage(FolderEntries& folder, const std::string& folderPath, std::uint32_t& error);
  bool Swap(FolderEntries& folder, const std::string& staged, const std::string& name);
  bool SwapAside(FolderEntries& folder, const std::string& folderPath, const std::string& staged,
                 const std::string& name);
  void RemoveSetAside(FolderEntries& folder);
  bool KeepProgramSpelling(FolderEntries& folder, const std::string& name);
  void Restore(FolderEntries& folder, const std::string& backup, const std::string& name,
               bool othersMayAdd);
  bool HoldsImage(FolderEntries& folder, const std::string& name);
  // The staged image takes the copy's own access list before it takes its
  // place.
  bool KeepAccessList(FolderEntries& folder, const std::string& copy, const std::string& staged);
  std::string NewTempFile(FolderEntries& folder, std::uint32_t& error);
  std::uint32_t Move(FolderEntries& folder, const std::string& source,
                     const std::string& destination, bool replace);
  std::uint32_t RetryingWhileInUse(const std::function<std::uint32_t()>& attempt);
  bool Flushed(FolderEntries& folder, const std::string& name);
  bool Same(FolderEntries& folder, const std::string& a, const std::string& b);
  void Discard(FolderEntries& folder, const std::string& name);

  Platform& platform_;
  MessagePump& pump_;
  CopyFolders& folders_;
  const std::string imagePath_;
  const std::uint8_t* image_;
  std::size_t imageSize_;
  // Between the chunks of a copy or a comparison: the pump's own pace.
  std::function<void()> pumping_;
  // While waiting on the disk, whenever a message arrives: at once.
  std::function<void()> answering_;
  std::uint32_t failure_ = 0;
  StepFailure failedStep_;
  bool replaceInUse_ = false;
  std::string setAsideAs_;
  // Each copy whose running image this run set aside, with the name aside.
  std::vector<std::pair<std::string, std::string>> setAside_;
};

}  // namespace mwn
