#include "update/scan.h"

#include <string>
#include <vector>

#include "platform/platform.h"
#include "update/pump.h"
#include "update/search.h"
#include "update/texts.h"
#include "update/window.h"

namespace mwn {

namespace {

// The connected-disk enumeration, closed on every way out.
class ConnectedDisks {
 public:
  explicit ConnectedDisks(Platform& platform) : platform_(platform) {
    opened_ = platform_.OpenConnectedDisks(handle_) == kErrorSuccess;
  }
  ~ConnectedDisks() {
    if (opened_) platform_.CloseConnectedDisks(handle_);
  }
  ConnectedDisks(const ConnectedDisks&) = delete;
  ConnectedDisks& operator=(const ConnectedDisks&) = delete;

  bool Opened() const { return opened_; }
  bool ReadBatch(std::vector<std::string>& remoteNames) {
    remoteNames.clear();
    return platform_.ReadConnectedDisks(handle_, remoteNames) == kErrorSuccess;
  }

 private:
  Platform& platform_;
  PlatformHandle handle_ = 0;
  bool opened_ = false;
};

void SearchLocation(Platform& platform, MessagePump& pump, MainWindow& window,
                    const std::string& line, const std::string& root, const std::string& shown) {
  window.Lines(Memo::Memo2).Add(line);
  pump.Step();
  window.SetLabelText(Label::Label1, text::kScanningPrefix + shown + text::kScanningSuffix);
  pump.Step();
  SearchFolder(platform, pump, text::kTargetName, root, window.Lines(Memo::Memo1), window,
               Label::Label4);
  pump.Step();
}

void ScanDrives(Platform& platform, MessagePump& pump, MainWindow& window) {
  const std::uint32_t mask = platform.LogicalDriveMask();
  for (int index = 2; index < 26; ++index) {
    pump.Step();
    if ((mask >> index & 1u) == 0) continue;
    const std::string letter(1, static_cast<char>('A' + index));
    const std::string root = letter + ":\\";
    const unsigned type = platform.DriveTypeOf(root);
    pump.Step();
    if (type == kDriveNoRootDir || type == kDriveRemote || type == kDriveCdRom) continue;
    SearchLocation(platform, pump, window, letter + ":", root, letter + ":");
  }
}

// Mapped letters were passed over above; their shares are reached here, under
// their remote names, each once.
void ScanShares(Platform& platform, MessagePump& pump, MainWindow& window) {
  ConnectedDisks disks(platform);
  pump.Step();
  if (!disks.Opened()) return;
  std::vector<std::string> remoteNames;
  while (disks.ReadBatch(remoteNames)) {
    pump.Step();
    for (const std::string& remoteName : remoteNames) {
      pump.Step();
      if (window.Lines(Memo::Memo2).Find(remoteName) >= 0) continue;
      SearchLocation(platform, pump, window, remoteName, remoteName, remoteName);
    }
  }
  pump.Step();
}

}  // namespace

void ScanLocations(Platform& platform, MessagePump& pump, MainWindow& window) {
  ScanDrives(platform, pump, window);
  ScanShares(platform, pump, window);
}

}  // namespace mwn
