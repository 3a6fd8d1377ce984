// Lets the window process its messages from inside the long, single-threaded
// run. A full pump costs tens of microseconds, and the walk reaches a pump
// point at every entry of every folder, so Step() pumps only when the last
// pump is at least a few milliseconds old: the window still repaints and
// answers well inside what a person can notice, and the walk runs at the
// speed of its listing calls.
#pragma once

#include <cstdint>

namespace mwn {

class Platform;

class MessagePump {
 public:
  static constexpr std::uint32_t kDefaultIntervalMs = 10;

  explicit MessagePump(Platform& platform, std::uint32_t intervalMs = kDefaultIntervalMs);
  MessagePump(const MessagePump&) = delete;
  MessagePump& operator=(const MessagePump&) = delete;

  // A pump point of the walk or the run: processes every pending message when
  // the interval has passed since the last pump, otherwise returns at once.
  void Step();
  // Processes every pending message now: around dialogs and after the
  // changes a user waits to see.
  void Full();

 private:
  Platform& platform_;
  std::uint32_t intervalMs_;
  std::uint32_t lastPump_;
};

}  // namespace mwn
