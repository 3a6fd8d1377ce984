#include "update/run/dialogs.h"

#include "platform/errors.h"
#include "platform/platform.h"
#include "update/base/path.h"
#include "update/base/texts.h"

namespace mwn {

bool Confirm(Platform& platform) {
  return platform.ShowMessageBox(text::kConfirmText, text::kConfirmCaption, kMbOkCancel) == kIdOk;
}

bool AskClose(Platform& platform) {
  return platform.ShowMessageBox(text::kCloseText, text::kCloseCaption, kMbYesNo) == kIdYes;
}

void ShowErrorMessage(Platform& platform, const std::string& title, const Exception& error) {
  if (dynamic_cast<const EAbort*>(&error)) return;
  platform.ShowMessageBox(WithClosingPeriod(error.Message()), title, kMbIconStop);
}

std::string ApplicationTitle(const std::string& executablePath) {
  std::string title = NameOfPath(executablePath);
  title = title.substr(0, title.find('.'));
  for (std::size_t i = 1; i < title.size(); ++i) {
    if (title[i] >= 'A' && title[i] <= 'Z') title[i] = static_cast<char>(title[i] - 'A' + 'a');
  }
  return title;
}

std::string CaptionFrame(int counter) {
  std::string caption = text::kCaption;
  for (int pair = 0; pair <= counter % kCaptionFrameCount; ++pair) caption += " .";
  return caption;
}

}  // namespace mwn
