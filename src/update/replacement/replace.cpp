#include "update/replacement/replace.h"

#include <functional>
#include <set>
#include <vector>

#include "payload/payload.h"
#include "platform/platform.h"
#include "platform/pump.h"
#include "update/base/path.h"
#include "update/base/run_log.h"
#include "update/base/texts.h"
#include "update/base/window.h"
#include "update/replacement/copy_folders.h"
#include "update/replacement/copy_replacement.h"
#include "update/replacement/listed_copies.h"

namespace mwn {

namespace {

// Beside the image in the scratch folder, so that the clean-up finds it.
constexpr char kCopyListName[] = "copies.txt";

bool WriteCopyList(Platform& platform, const std::string& path,
                   const std::vector<std::string>& copies) {
  std::string content;
  for (const std::string& copy : copies) content += copy + "\r\n";
  return WriteWholeFile(platform, path, reinterpret_cast<const std::uint8_t*>(content.data()),
                        content.size()) == kErrorSuccess;
}

// Visits Memo1 from its last line to its first, so that deleting line i
// shifts no line still to be visited, and moves each copy that `updates`
// updated to Memo3.
void MoveUpdatedCopies(MessagePump& pump, MainWindow& window,
                       const std::function<bool(const std::string&)>& updates) {
  StringList& found = window.Lines(Memo::Memo1);
  StringList& updated = window.Lines(Memo::Memo3);
  for (int i = found.Count() - 1; i >= 0; --i) {
    const std::string path = found.Get(i);
    pump.Step();
    if (!updates(path)) continue;
    updated.Add(path);
    pump.Step();
    found.Delete(i);
    pump.Step();
    window.SetLabelText(Label::Label1, text::kNotYetUpdated);
    pump.Step();
  }
}

// Copies whose folders refused the user's rights are handed, in one list and
// with one consent, to an elevated instance of the program, which replaces
// them with its own payload. Whatever it did is then read back here: each
// copy that now holds the image moves to the updated list.
void ReplaceWithAdministratorsRights(Platform& platform, MessagePump& pump, MainWindow& window,
                                     CopyReplacement& replacement, const std::string& imagePath,
                                     const std::vector<std::string>& refused) {
  if (refused.empty()) return;
  const bool elevated = platform.RunningElevated();
  pump.Step();
  if (elevated) return;
  const std::string listPath = JoinPath(FolderOfPath(imagePath), kCopyListName);
  pump.Step();
  const bool listed = WriteCopyList(platform, listPath, refused);
  pump.Step();
  std::uint32_t exitCode = 0;
  const bool ran = listed && platform.RunElevated(std::string(kReplaceCopiesArgument) + " \"" +
                                                      listPath + "\"",
                                                  [&pump] { pump.Full(); },
                                                  exitCode) == kErrorSuccess;
  pump.Step();
  platform.DeleteFileAt(listPath);
  pump.Step();
  if (!ran) return;

  const std::set<std::string> handedOver(refused.begin(), refused.end());
  MoveUpdatedCopies(pump, window, [&](const std::string& path) {
    return handedOver.count(path) != 0 && replacement.HoldsImage(path);
  });
}

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

void LogLeftForUsers(CopyFolders& folders, const StringList& copies, RunLog& log) {
  for (int i = 0; i < copies.Count(); ++i) {
    const std::string copy = copies.Get(i);
    if (!folders.ActsOn(copy)) log.LeftForUser(copy, folders.Trust(copy), folders.HoldError(copy));
  }
}

int ReplaceCopies(Platform& platform, MessagePump& pump, MainWindow& window,
                  const std::string& imagePath, const std::uint8_t* image, std::size_t imageSize,
                  CopyFolders& folders, const std::set<std::string>& newerLeft, RunLog& log,
                  bool askForRights, bool replaceInUse) {
  window.SetLabelText(Label::Label1, text::kFoundOnSystem);
  pump.Step();
  window.SetLabelText(Label::Label2, text::kUpdatedHeading);
  pump.Step();

  CopyReplacement replacement(platform, pump, folders, imagePath, image, imageSize);
  if (replaceInUse) replacement.ReplaceInUse();
  std::vector<std::string> refused;
  int left = 0;
  MoveUpdatedCopies(pump, window, [&](const std::string& path) {
    if (newerLeft.count(path) != 0) {
      ++left;
      log.NewerLeft(path);
      return false;
    }
    const ReplaceOutcome outcome = replacement.Replace(path);
    // An elevated process does not see the user's network connections.
    if (outcome == ReplaceOutcome::kFolderRefused && IsOnDriveLetter(path)) refused.push_back(path);
    if (outcome == ReplaceOutcome::kUpdated && !replacement.SetAsideAs().empty()) {
      log.SetAside(path, replacement.SetAsideAs());
    }
    if (outcome == ReplaceOutcome::kLeftForUser) {
      ++left;
      log.LeftForUser(path, folders.Trust(path), folders.HoldError(path));
    } else if (outcome != ReplaceOutcome::kUpdated) {
      log.NotUpdated(path, replacement.Failure());
      log.FailedStep(replacement.FailedStep());
    }
    return outcome == ReplaceOutcome::kUpdated;
  });
  if (askForRights) {
    ReplaceWithAdministratorsRights(platform, pump, window, replacement, imagePath, refused);
  }
  replacement.RemoveSetAside();
  ShowOutcome(pump, window);
  return left;
}

}  // namespace mwn
