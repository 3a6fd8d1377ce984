#include "update/replace.h"

#include "platform/platform.h"
#include "update/path.h"
#include "update/pump.h"
#include "update/texts.h"
#include "update/window.h"

namespace mwn {

namespace {

// The folder of `path`, keeping the backslash of a drive root (C:\Mwn.exe
// gives C:\, not the drive-relative C:).
std::string FolderOf(const std::string& path) {
  const std::size_t cut = path.find_last_of('\\');
  if (cut == std::string::npos) return "";
  if (cut == 0 || path[cut - 1] == ':') return path.substr(0, cut + 1);
  return path.substr(0, cut);
}

std::string NameOf(const std::string& path) { return path.substr(path.find_last_of("\\:") + 1); }

// Puts the image in place of one copy so that afterwards the copy holds
// either the image, byte for byte, or exactly what it held before. The image
// is staged under a temporary name in the copy's own folder and swapped in
// with one move; the old bytes wait in a backup beside the copy until the new
// ones have been read back, so that no whole copy is ever held in memory.
class CopyReplacement {
 public:
  CopyReplacement(Platform& platform, MessagePump& pump, const std::string& imagePath,
                  const std::uint8_t* image, std::size_t imageSize)
      : platform_(platform),
        pump_(pump),
        imagePath_(imagePath),
        image_(image),
        imageSize_(imageSize) {}

  bool Replace(const std::string& target) {
    std::uint32_t attributes = 0;
    const bool present = platform_.FileAttributesOf(target, attributes);
    pump_.Step();
    if (!present) return !IsThereAfterAll(target) && WriteAfresh(target);
    // The swap refuses such a copy anyway, and a backup of a read-only copy
    // would be read-only too, so could not be deleted again.
    if ((attributes & (kAttrReadOnly | kAttrDirectory)) != 0) return false;

    const std::string folder = FolderOf(target);
    const std::string backup = BackUp(folder, target);
    if (backup.empty()) return false;
    const std::string staged = platform_.UniqueTempFile(folder, "Mwn");
    pump_.Step();
    if (staged.empty()) {
      Discard(backup);
      return false;
    }
    const bool copied = platform_.CopyFileTo(imagePath_, staged, true);
    pump_.Step();
    if (!copied || !Swap(staged, target)) {
      Discard(staged);
      Discard(backup);
      return false;
    }
    if (!HoldsImage(target)) {
      Restore(backup, target);
      return false;
    }
    Discard(backup);
    KeepProgramSpelling(folder, target);
    return true;
  }

 private:
  bool IsThereAfterAll(const std::string& target) {
    const bool there = platform_.FileExists(target);
    pump_.Step();
    return there;
  }

  // A copy of the copy beside it, read back equal; the empty string when
  // none could be made, for instance because the copy cannot be read.
  std::string BackUp(const std::string& folder, const std::string& target) {
    const std::string backup = platform_.UniqueTempFile(folder, "Mwn");
    pump_.Step();
    if (backup.empty()) return "";
    const bool copied = platform_.CopyFileTo(target, backup, true);
    pump_.Step();
    if (copied && Same(backup, target)) return backup;
    Discard(backup);
    return "";
  }

  // Never over a file that is there after all (the check of its existence
  // can fail too): no backup of it was made, so it could not be put back.
  bool WriteAfresh(const std::string& target) {
    const bool copied = platform_.CopyFileTo(imagePath_, target, false);
    pump_.Step();
    if (!copied) return false;
    if (HoldsImage(target)) return true;
    platform_.DeleteFileAt(target);
    pump_.Step();
    return false;
  }

  bool Swap(const std::string& staged, const std::string& target) {
    const bool moved = platform_.MoveFileReplacing(staged, target);
    pump_.Step();
    return moved;
  }

  bool HoldsImage(const std::string& path) {
    const bool holds = platform_.FileHoldsExactly(path, image_, imageSize_);
    pump_.Step();
    return holds;
  }

  bool Same(const std::string& a, const std::string& b) {
    const bool same = platform_.FilesHoldSame(a, b);
    pump_.Step();
    return same;
  }

  void Discard(const std::string& staged) {
    platform_.DeleteFileAt(staged);
    pump_.Step();
  }

  // The move back is a rename, so it gives the copy the very bytes the backup
  // was checked to hold. Copying back is the last chance; when that fails
  // too, the backup is left where it is: the old bytes survive under its
  // temporary name.
  void Restore(const std::string& backup, const std::string& target) {
    if (Swap(backup, target)) return;
    const bool copied = platform_.CopyFileTo(backup, target, true);
    pump_.Step();
    if (copied && Same(backup, target)) Discard(backup);
  }

  // A copy stored as MWN.EXE keeps that spelling through the swap, and some
  // file systems (Wine's among them) keep it through a rename that changes
  // only the letter case as well. A detour through a temporary name gives the
  // file the name as the program writes it. The file holds the new image and
  // nobody has it open (the swap has just succeeded), so the detour risks
  // nothing; should the way back fail, the file returns to its old spelling.
  void KeepProgramSpelling(const std::string& folder, const std::string& target) {
    const std::string stored = platform_.StoredName(target);
    pump_.Step();
    if (stored.empty() || stored == NameOf(target)) return;
    const std::string detour = platform_.UniqueTempFile(folder, "Mwn");
    pump_.Step();
    if (detour.empty()) return;
    if (!Swap(target, detour)) {
      Discard(detour);
      return;
    }
    if (!Swap(detour, target)) Swap(detour, JoinPath(folder, stored));
  }

  Platform& platform_;
  MessagePump& pump_;
  const std::string& imagePath_;
  const std::uint8_t* image_;
  std::size_t imageSize_;
};

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
    if (!replacement.Replace(path)) continue;
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
