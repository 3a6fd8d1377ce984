#include "update/walk/scan.h"

#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/pump.h"
#include "update/base/texts.h"
#include "update/base/window.h"
#include "update/walk/search.h"

namespace mwn {

namespace {

// Letters from C: on: A: and B: are floppy drives, never searched.
constexpr char kFirstDriveLetter = 'C';
constexpr char kLastDriveLetter = 'Z';

// A share answers each listing after a round trip or several: many listings
// in flight at once hide that wait. A local disk answers from its cache, at
// the cost of the processor's time, which a few threads share out over the
// cores; more would not help (figures in bench/README.md). But a disk that
// must seek, its cache cold (a script run at startup), would only be sent
// back and forth between the folders listed at once: one thread lists there,
// in the serial walk's order, so that the window's work between listings
// never keeps the disk waiting. So does a disk that does not say, for as long
// as its listings wait for it: answered from memory, they are shared out.
constexpr LookAhead kShareLookAhead{32, 256};
constexpr LookAhead kLocalLookAhead{8, 64};
constexpr LookAhead kSeekingLookAhead{1, 64, true};
constexpr LookAhead kNotSaidLookAhead{8, 64, true, true};

LookAhead LocalLookAhead(SeekPenalty penalty) {
  switch (penalty) {
    case SeekPenalty::kNone:
      return kLocalLookAhead;
    case SeekPenalty::kIncurs:
      return kSeekingLookAhead;
    case SeekPenalty::kNotSaid:
      break;
  }
  return kNotSaidLookAhead;
}

void SearchLocation(Platform& platform, MessagePump& pump, MainWindow& window,
                    const std::string& line, const std::string& root, const std::string& shown,
                    LookAhead lookAhead) {
  window.Lines(Memo::Memo2).Add(line);
  pump.Step();
  window.SetLabelText(Label::Label1, text::kScanningPrefix + shown + text::kScanningSuffix);
  pump.Step();
  SearchFolder(platform, pump, text::kTargetName, root, window.Lines(Memo::Memo1), window,
               Label::Label4, lookAhead);
  pump.Step();
}

void ScanDrives(Platform& platform, MessagePump& pump, MainWindow& window) {
  const std::uint32_t mask = platform.LogicalDriveMask();
  for (char drive = kFirstDriveLetter; drive <= kLastDriveLetter; ++drive) {
    pump.Step();
    if ((mask >> (drive - 'A') & 1u) == 0) continue;
    const std::string letter(1, drive);
    const std::string root = letter + ":\\";
    const unsigned type = platform.DriveTypeOf(root);
    pump.Step();
    if (!IsSearchedDriveType(type)) continue;
    const LookAhead lookAhead = LocalLookAhead(platform.SeekPenaltyOf(root));
    pump.Step();
    SearchLocation(platform, pump, window, letter + ":", root, letter + ":", lookAhead);
  }
}

// Mapped letters were passed over above; their shares are reached here, under
// their remote names, each once.
void ScanShares(Platform& platform, MessagePump& pump, MainWindow& window) {
  std::uint32_t error = kErrorSuccess;
  const std::unique_ptr<ConnectedDisks> disks = platform.OpenConnectedDisks(error);
  pump.Step();
  if (!disks) return;
  std::vector<std::string> remoteNames;
  while (disks->Next(remoteNames) == kErrorSuccess) {
    pump.Step();
    for (const std::string& remoteName : remoteNames) {
      pump.Step();
      if (window.Lines(Memo::Memo2).Find(remoteName) >= 0) continue;
      SearchLocation(platform, pump, window, remoteName, remoteName, remoteName, kShareLookAhead);
    }
  }
  pump.Step();
}

}  // namespace

bool IsSearchedDriveType(unsigned type) {
  return type != kDriveNoRootDir && type != kDriveRemote && type != kDriveCdRom;
}

void ScanLocations(Platform& platform, MessagePump& pump, MainWindow& window) {
  ScanDrives(platform, pump, window);
  ScanShares(platform, pump, window);
}

}  // namespace mwn
