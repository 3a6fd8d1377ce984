#include "update/run.h"

#include <exception>

#include "platform/errors.h"
#include "platform/platform.h"
#include "platform/pump.h"
#include "update/dialogs.h"
#include "update/extraction.h"
#include "update/path.h"
#include "update/replace.h"
#include "update/scan.h"
#include "update/texts.h"
#include "update/version.h"
#include "update/window.h"

namespace mwn {

UpdateRun::UpdateRun(Platform& platform, MainWindow& window, MessagePump& pump)
    : platform_(platform), window_(window), pump_(pump) {}

void UpdateRun::FormShow() {
  if (started_) return;
  started_ = true;

  if (!Confirm(platform_)) {
    pump_.Full();
    window_.ShowPlainMessage(text::kCancelled);
    window_.Close();
    return;
  }
  pump_.Full();

  // The busy state; from here on the finishing steps are owed.
  window_.StartTimer1();
  pump_.Step();
  std::exception_ptr error;
  try {
    window_.SetLabelVisible(Label::Label3, true);
    pump_.Step();
    platform_.SetWaitCursor(true);
    pump_.Step();
    Work();
  } catch (...) {
    error = std::current_exception();
  }
  FinishingSteps();
  if (error) std::rethrow_exception(error);
}

void UpdateRun::Work() {
  window_.FocusMemo2();
  pump_.Step();
  ScanLocations(platform_, pump_, window_);
  pump_.Step();

  window_.Memo2CaretToEnd();
  pump_.Step();
  window_.FocusNone();
  pump_.Step();
  window_.SetLabelText(Label::Label4, "");
  pump_.Step();

  // With an administrator's rights (started elevated, or as SYSTEM by a
  // deployment tool) the temp folder may be one that standard users write
  // to: the scratch folder is then private to administrators, and the copies
  // are staged from the image in memory, not from a file.
  const bool elevated = platform_.RunningElevated();
  pump_.Step();
  ScratchFolder folder;
  std::string imagePath;
  ExtractPayload(platform_, pump_, elevated, image_, folder, imagePath);

  if (ShouldUpdate(platform_, pump_, imagePath, window_.Lines(Memo::Memo1))) {
    ReplaceCopies(platform_, pump_, window_, elevated ? "" : imagePath, image_.Data(),
                  image_.Size());
  } else {
    Refuse();
  }
  pump_.Step();
  // Reached only on the normal path: after an error the scratch folder is
  // left behind on purpose, with whatever it holds.
  platform_.DeleteFileAt(imagePath);  // a failure shows up as the folder's removal error
  pump_.Step();
  RemoveScratchFolder(platform_, folder);
  pump_.Step();
}

void UpdateRun::Refuse() {
  window_.StopTimer1();
  pump_.Step();
  window_.SetLabelText(Label::Label1, text::kFoundOnSystem);
  pump_.Full();
  window_.ShowPlainMessage(text::kRefusal);
  pump_.Full();
}

void UpdateRun::FinishingSteps() {
  platform_.SetWaitCursor(false);
  pump_.Step();
  if (window_.Timer1Running()) window_.StopTimer1();
  pump_.Step();
  window_.SetCaption(text::kCaption);
  pump_.Full();
  const bool close = AskClose(platform_);
  pump_.Full();
  if (close) window_.Close();
}

}  // namespace mwn
