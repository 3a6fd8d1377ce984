// The replacement of one copy by the image, so that afterwards the copy holds
// either the image, byte for byte, or exactly what it held before, whatever
// fails and even when the power fails.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace mwn {

class Platform;
class MessagePump;

enum class ReplaceOutcome {
  kUpdated,
  kNotUpdated,
  // Not updated because its folder refused, with access denied, the first
  // file made beside the copy: one an administrator's rights may reach.
  kFolderRefused,
};

class CopyReplacement {
 public:
  // `image` (`imageSize` bytes) is what the file at `imagePath` holds. With
  // an empty `imagePath` each copy is staged from `image` itself: no file
  // that another program could change on the way reaches a copy.
  CopyReplacement(Platform& platform, MessagePump& pump, const std::string& imagePath,
                  const std::uint8_t* image, std::size_t imageSize);

  ReplaceOutcome Replace(const std::string& target);
  // Why the last Replace did not update its copy: the system's error code of
  // the call that failed, or 0 when a check (a flush, a read-back) failed.
  std::uint32_t Failure() const { return failure_; }
  // True when the file at `path` holds the image, byte for byte.
  bool HoldsImage(const std::string& path);

 private:
  ReplaceOutcome WriteAfresh(const std::string& folder, const std::string& target);
  std::string BackUp(const std::string& folder, const std::string& target, std::uint32_t& error);
  std::string Stage(const std::string& folder, std::uint32_t& error);
  bool Swap(const std::string& staged, const std::string& target);
  bool KeepProgramSpelling(const std::string& folder, const std::string& target);
  void Restore(const std::string& backup, const std::string& target);
  std::string NewTempFile(const std::string& folder, std::uint32_t& error);
  std::uint32_t Move(const std::string& source, const std::string& destination, bool replace);
  std::uint32_t RetryingWhileInUse(const std::function<std::uint32_t()>& attempt);
  bool Flushed(const std::string& path);
  bool Same(const std::string& a, const std::string& b);
  void Discard(const std::string& path);

  Platform& platform_;
  MessagePump& pump_;
  const std::string imagePath_;
  const std::uint8_t* image_;
  std::size_t imageSize_;
  // Between the chunks of a copy or a comparison: the pump's own pace.
  std::function<void()> pumping_;
  // While waiting on the disk, whenever a message arrives: at once.
  std::function<void()> answering_;
  std::uint32_t failure_ = 0;
};

}  // namespace mwn
