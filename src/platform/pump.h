// Lets the window process its messages from inside the long, single-threaded
// run. The walk reaches a pump point at every entry of every folder, and a
// full pump costs tens of microseconds when nothing is pending and most of a
// millisecond when the window repaints, so Step() pumps only when the last
// pump is at least 15 ms old: about one pump per frame of a 60 Hz screen, so
// the window still repaints and answers well inside what a person can
// notice, and the walk runs at the speed of its listing calls. Not more than
// 15: Windows' tick count moves in steps of 15 or 16 ms, and an interval of
// 16 would often wait two of them. What the window holds back until it can
// show it (the folder being walked) is put in place at most every third
// interval, but for a full pump: under Wine each change of a label is a
// round of calls to the X server, and a person reads no faster.
#pragma once

#include <cstdint>
#include <functional>

namespace mwn {

class Platform;

class MessagePump {
 public:
  static constexpr std::uint32_t kDefaultIntervalMs = 15;

  explicit MessagePump(Platform& platform, std::uint32_t intervalMs = kDefaultIntervalMs);
  MessagePump(const MessagePump&) = delete;
  MessagePump& operator=(const MessagePump&) = delete;

  // A pump point of the walk or the run: processes every pending message when
  // the interval has passed since the last pump, otherwise returns at once.
  void Step();
  // Processes every pending message now: around dialogs and after the
  // changes a user waits to see.
  void Full();
  // Processes every pending message now, as a message arrives while the run
  // waits: a change held back is shown only when due.
  void Answer();
  // Runs first in every full pump, and in others at most every third
  // interval, so that a change held back until the window can show it is in
  // place before messages see the window.
  void BeforeEachPump(std::function<void()> hook) { beforePump_ = std::move(hook); }

 private:
  void Pump(bool show);

  Platform& platform_;
  std::uint32_t intervalMs_;
  std::uint32_t lastPump_;
  std::uint32_t lastShown_;
  std::function<void()> beforePump_;
};

}  // namespace mwn
