#include "update/replace.h"

#include "platform/pump.h"
#include "update/copy_replacement.h"
#include "update/texts.h"
#include "update/window.h"

namespace mwn {

namespace {

void ShowOutcome(MessagePump& pump, MainWindow& window) {
  window.StopTimer1();
  pump.Step();
  window.SetCaption(text::kCaption);
  pump.Step();
  if (window.Lines(Memo::Memo1).Count() > 0) {
    window.SetLabelText(Label::Label1, "");
    pump.Step();
    window.SetLabelColour(Label::Label1, kColourRed);
    pump.Step();
    window.SetMemoColour(Memo::Memo1, kColourRed);
    pump.Step();
    window.SetLabelText(Label::Label1, text::kCouldNotUpdate);
    pump.Full();
    window.ShowPlainMessage(text::kFailure);
  } else {
    window.SetLabelEnabled(Label::Label1, false);
    pump.Step();
    window.SetMemoEnabled(Memo::Memo1, false);
    pump.Full();
    window.ShowPlainMessage(text::kDone);
  }
  pump.Full();
}

}  // namespace

void ReplaceCopies(Platform& platform, MessagePump& pump, MainWindow& window,
                   const std::string& imagePath, const std::uint8_t* image, std::size_t imageSize) {
  window.SetLabelText(Label::Label1, text::kFoundOnSystem);
  pump.Step();
  window.SetLabelText(Label::Label2, text::kUpdatedHeading);
  pump.Step();

  CopyReplacement replacement(platform, pump, imagePath, image, imageSize);
  StringList& found = window.Lines(Memo::Memo1);
  StringList& updated = window.Lines(Memo::Memo3);
  // From the end, so that deleting line i shifts no line still to be visited.
  for (int i = found.Count() - 1; i >= 0; --i) {
    const std::string path = found.Get(i);
    pump.Step();
    if (replacement.Replace(path) != ReplaceOutcome::kUpdated) continue;
    updated.Add(path);
    pump.Step();
    found.Delete(i);
    pump.Step();
    window.SetLabelText(Label::Label1, text::kNotYetUpdated);
    pump.Step();
  }
  ShowOutcome(pump, window);
}

}  // namespace mwn
