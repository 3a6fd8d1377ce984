#include "update/search.h"

#include <vector>

#include "platform/platform.h"
#include "platform/pump.h"
#include "update/path.h"

namespace mwn {

namespace {

// One walk of one tree. Each folder costs one listing and nothing more: the
// listing tells which entries are folders, and whether the file may be
// here (then asked for exactly). Only a link can lead back to a folder on the
// descent path, so identities (slow to learn on some systems) are asked only
// at and below a link: of each folder there and, once each, of those above.
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

  void Start(const std::string& root) {
    pump_.Step();
    // The 8-bit API reaches no path this long.
    const bool exists = root.size() < kMaxPath && platform_.FolderExists(root);
    pump_.Step();
    if (exists) Search(root, false);
  }

 private:
  struct Subfolder {
    std::string name;
    bool link;
  };
  struct Level {
    std::string folder;
    bool belowLink = false;
    bool asked = false;
    bool identified = false;
    FileIdentity identity{};
  };

  // `folder` was listed as a folder; one gone since lists nothing.
  void Search(const std::string& folder, bool link) {
    if (folder.size() >= kMaxPath) return;
    // Below a link, any folder may be one already on the descent path.
    const bool belowLink = link || (!descent_.empty() && descent_.back().belowLink);
    descent_.push_back(Level{folder, belowLink});
    if (!belowLink || !LoopsBack()) {
      std::vector<Subfolder> subfolders;
      bool named = false;
      // A folder that may be entered but not listed, or whose listing broke
      // off before its end, can still hold a copy.
      if (!List(folder, subfolders, named) || named) {
        std::string candidate = JoinPath(folder, name_);
        pump_.Step();
        if (candidate.size() < kMaxPath && platform_.FileExists(candidate)) {
          pump_.Step();
          found_.Add(candidate);
        }
      }
      pump_.Step();
      for (const Subfolder& subfolder : subfolders) {
        const std::string path = JoinPath(folder, subfolder.name);
        window_.SetLabelText(progress_, path);
        pump_.Step();
        Search(path, subfolder.link);
      }
    }
    descent_.pop_back();
  }

  // Gives the subfolders in listing order and whether a file entry bears the
  // name; false when the folder cannot be listed or the listing broke off.
  bool List(const std::string& folder, std::vector<Subfolder>& subfolders, bool& named) {
    const std::unique_ptr<FolderListing> listing = platform_.ListFolder(JoinPath(folder, "*.*"));
    pump_.Step();
    if (!listing) return false;
    DirEntry entry;
    ListStep step;
    while ((step = listing->Next(entry)) == ListStep::kEntry) {
      pump_.Step();
      if (IsSubfolder(entry)) {
        subfolders.push_back({entry.name, (entry.attributes & kAttrReparsePoint) != 0});
      } else if (!named && (entry.attributes & kAttrDirectory) == 0 &&
                 entry.name.size() == name_.size() && platform_.EqualIgnoringCase(entry.name, name_)) {
        named = true;
      }
    }
    pump_.Step();
    return step == ListStep::kEnd;
  }

  bool LoopsBack() {
    Level& self = descent_.back();
    if (!Identify(self)) return false;
    for (std::size_t i = 0; i + 1 < descent_.size(); ++i) {
      if (Identify(descent_[i]) && descent_[i].identity == self.identity) return true;
    }
    return false;
  }

  bool Identify(Level& level) {
    if (!level.asked) {
      pump_.Step();
      level.identified = platform_.FolderIdentity(level.folder, level.identity);
      level.asked = true;
      pump_.Step();
    }
    return level.identified;
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
  std::vector<Level> descent_;
};

}  // namespace

void SearchFolder(Platform& platform, MessagePump& pump, const std::string& name,
                  const std::string& folder, StringList& found, MainWindow& window,
                  Label progress) {
  Walk(platform, pump, name, found, window, progress).Start(folder);
}

}  // namespace mwn
