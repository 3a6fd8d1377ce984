// The update run: one pass from the user's confirmation to the close prompt,
// bound to the main window's first activation.
#pragma once

#include "payload/payload.h"

namespace mwn {

class Platform;
class MainWindow;
class MessagePump;

class UpdateRun {
 public:
  UpdateRun(Platform& platform, MainWindow& window, MessagePump& pump);
  UpdateRun(const UpdateRun&) = delete;
  UpdateRun& operator=(const UpdateRun&) = delete;

  // The activation handler. Runs at most once per program start: every later
  // activation (the window regains it whenever a dialog closes) returns at
  // once. An error that ends the run leaves here after the finishing steps.
  void FormShow();

 private:
  void Work();
  void Refuse();
  void FinishingSteps();

  Platform& platform_;
  MainWindow& window_;
  MessagePump& pump_;
  bool started_ = false;
  PayloadImage image_;  // kept until the process ends
};

}  // namespace mwn
