#include "update/replace.h"

#include <algorithm>
#include <vector>

#include "platform/platform.h"
#include "update/path.h"
#include "update/pump.h"
#include "update/texts.h"
#include "update/window.h"

namespace mwn {

namespace {

using Bytes = std::vector<std::uint8_t>;

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
// with one move; the old bytes are kept in memory until the new ones have
// been read back.
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
    const std::string folder = FolderOf(target);
    Bytes old;
    bool existed = false;
    if (!ReadOld(target, old, existed)) return false;
    if (!existed) return WriteAfresh(target);

    const std::string staged = platform_.UniqueTempFile(folder, "Mwn");
    pump_.Step();
    if (staged.empty()) return false;
    const bool copied = platform_.CopyFileTo(imagePath_, staged, true);
    pump_.Step();
    if (!copied || !Swap(staged, target)) {
      Discard(staged);
      return false;
    }
    if (!Holds(target, image_, imageSize_)) {
      Restore(folder, target, old);
      return false;
    }
    KeepProgramSpelling(folder, target);
    return true;
  }

 private:
  // False when the copy exists but cannot be read: it is left alone. A copy
  // that vanished after the search is written afresh.
  bool ReadOld(const std::string& target, Bytes& old, bool& existed) {
    pump_.Step();
    existed = platform_.ReadWholeFile(target, old);
    pump_.Step();
    if (existed) return true;
    const bool unreadable = platform_.FileExists(target);
    pump_.Step();
    return !unreadable;
  }

  // Never over a file that is there after all (the check of its existence
  // can fail too): its old bytes were not read, so they could not be put back.
  bool WriteAfresh(const std::string& target) {
    const bool copied = platform_.CopyFileTo(imagePath_, target, false);
    pump_.Step();
    if (!copied) return false;
    if (Holds(target, image_, imageSize_)) return true;
    platform_.DeleteFileAt(target);
    pump_.Step();
    return false;
  }

  bool Swap(const std::string& staged, const std::string& target) {
    const bool moved = platform_.MoveFileReplacing(staged, target);
    pump_.Step();
    return moved;
  }

  bool Holds(const std::string& path, const std::uint8_t* expected, std::size_t size) {
    Bytes actual;
    const bool read = platform_.ReadWholeFile(path, actual);
    pump_.Step();
    return read && actual.size() == size && std::equal(actual.begin(), actual.end(), expected);
  }

  void Discard(const std::string& staged) {
    platform_.DeleteFileAt(staged);
    pump_.Step();
  }

  void Restore(const std::string& folder, const std::string& target, const Bytes& old) {
    const std::string staged = platform_.UniqueTempFile(folder, "Mwn");
    pump_.Step();
    if (!staged.empty()) {
      if (!Write(staged, old) || !Swap(staged, target)) {
        Discard(staged);
      } else if (Holds(target, old.data(), old.size())) {
        return;
      }
    }
    // The staged way failed as well; writing in place is the last chance to
    // give the copy its old bytes back.
    Write(target, old);
  }

  bool Write(const std::string& path, const Bytes& bytes) {
    PlatformHandle handle = 0;
    const bool created = platform_.CreateFileRW(path, handle) == kErrorSuccess;
    pump_.Step();
    if (!created) return false;
    std::size_t written = 0;
    const bool wrote =
        platform_.WriteFileBytes(handle, bytes.data(), bytes.size(), written) == kErrorSuccess &&
        written == bytes.size();
    pump_.Step();
    const bool closed = platform_.CloseFile(handle) == kErrorSuccess;
    pump_.Step();
    return wrote && closed;
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
