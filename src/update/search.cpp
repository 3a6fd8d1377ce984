#include "update/search.h"

#include <algorithm>
#include <vector>

#include "platform/platform.h"
#include "update/path.h"
#include "update/pump.h"

namespace mwn {

namespace {

// One walk of one tree. It keeps the identities of the folders on the current
// descent path, so that a link back to an ancestor is not entered again.
class Walk {
 public:
  Walk(Platform& platform, MessagePump& pump, const std::string& name, StringList& found,
       MainWindow& window, Label progress)
      : platform_(platform),
        pump_(pump),
        name_(name),
        found_(found),
        window_(window),
        progress_(progress) {}

  void Search(const std::string& folder) {
    pump_.Step();
    // The 8-bit API reaches no path this long.
    if (folder.size() >= kMaxPath || !platform_.FolderExists(folder)) {
      pump_.Step();
      return;
    }
    pump_.Step();
    FileIdentity identity;
    const bool identified = platform_.FolderIdentity(folder, identity);
    pump_.Step();
    if (identified) {
      if (std::find(descent_.begin(), descent_.end(), identity) != descent_.end()) return;
      descent_.push_back(identity);
    }

    std::string candidate = JoinPath(folder, name_);
    pump_.Step();
    if (platform_.FileExists(candidate)) {
      pump_.Step();
      found_.Add(candidate);
    }
    pump_.Step();
    SearchSubfolders(folder);

    if (identified) descent_.pop_back();
  }

 private:
  void SearchSubfolders(const std::string& folder) {
    const std::unique_ptr<FolderListing> listing = platform_.ListFolder(JoinPath(folder, "*.*"));
    pump_.Step();
    if (!listing) return;
    DirEntry entry;
    while (listing->Next(entry)) {
      pump_.Step();
      if (IsSubfolder(entry)) {
        const std::string subfolder = JoinPath(folder, entry.name);
        window_.SetLabelText(progress_, subfolder);
        pump_.Step();
        Search(subfolder);
      }
    }
    pump_.Step();
  }

  static bool IsSubfolder(const DirEntry& entry) {
    return (entry.attributes & kAttrVolumeLabel) == 0 && (entry.attributes & kAttrDirectory) != 0 &&
           entry.name != "." && entry.name != "..";
  }

  Platform& platform_;
  MessagePump& pump_;
  const std::string& name_;
  StringList& found_;
  MainWindow& window_;
  Label progress_;
  std::vector<FileIdentity> descent_;
};

}  // namespace

void SearchFolder(Platform& platform, MessagePump& pump, const std::string& name,
                  const std::string& folder, StringList& found, MainWindow& window,
                  Label progress) {
  Walk(platform, pump, name, found, window, progress).Search(folder);
}

}  // namespace mwn
