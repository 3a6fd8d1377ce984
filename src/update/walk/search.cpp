#include "update/walk/search.h"

#include <set>
#include <utility>
#include <vector>

#include "platform/platform.h"
#include "platform/pump.h"
#include "update/base/path.h"
#include "update/walk/folder_contents.h"

namespace mwn {

namespace {

// Links on one descent path whose folders the system cannot identify (so
// that a loop through them cannot be told): more are taken for a loop, which
// would otherwise run on to the path limit, thousands of levels deep.
constexpr std::size_t kMostBlindLinks = 8;

// One walk of one tree. Each folder costs one listing and nothing more: the
// listing tells which entries are folders, and whether the file may be
// here (then asked for exactly). Only a link can lead to a folder walked
// before, so identities (slow to learn on some systems) are asked only at and
// below a link: of each folder there and, once each, of those above a link.
// Every folder entered there is remembered, and entered once: however links
// are laid, the walk lists each folder the system can identify at most twice,
// once on the plain path to it and once through links. Listing threads, where
// given, list ahead of the walk down to the links; what the window is told,
// and in which order, stays the same.
class Walk {
 public:
  Walk(Platform& platform, MessagePump& pump, const std::string& name, StringList& found,
       MainWindow& window, Label progress)
      : platform_(platform),
        pump_(pump),
        name_(name),
        found_(found),
        window_(window),
        progress_(progress),
        answering_([this] { pump_.Answer(); }) {}

  void Start(const std::string& root, LookAhead lookAhead) {
    pump_.Step();
    const bool exists = WithinPathLimit(root) && platform_.FolderExists(root);
    pump_.Step();
    if (!exists) return;
    if (lookAhead.threads > 0) {
      ahead_ = std::make_unique<ListingsAhead>(platform_, root, name_, lookAhead, answering_);
      if (!ahead_->Running()) ahead_.reset();
    }
    WalkPosition position;
    Search(root, false, position);
  }

 private:
  struct Level {
    // The caller's path, alive while the level is on the descent path: a
    // deep tree keeps each of its paths once.
    const std::string* folder;
    bool belowLink = false;
    bool link = false;
    bool asked = false;
    bool identified = false;
    FileIdentity identity{};
  };

  // `folder` was listed as a folder; one gone since lists nothing.
  void Search(const std::string& folder, bool link, WalkPosition& position) {
    if (!WithinPathLimit(folder)) return;
    // Below a link, any folder may be one walked before.
    const bool belowLink = link || (!descent_.empty() && descent_.back().belowLink);
    descent_.push_back(Level{&folder, belowLink, link});
    if (!belowLink || FirstVisit()) {
      const FolderContents contents = Contents(folder, belowLink, position);
      pump_.Step();
      if (contents.copy) {
        found_.Add(JoinPath(folder, name_));
        pump_.Step();
      }
      position.push_back(0);
      for (const Subfolder& subfolder : contents.subfolders) {
        const std::string path = JoinPath(folder, subfolder.name);
        window_.SetLabelText(progress_, path);
        pump_.Step();
        Search(path, subfolder.link, position);
        ++position.back();
      }
      position.pop_back();
    }
    descent_.pop_back();
  }

  FolderContents Contents(const std::string& folder, bool belowLink, const WalkPosition& position) {
    if (ahead_ && !belowLink) return ahead_->Take(position);
    return ReadFolder(platform_, folder, name_, [this] {
      pump_.Step();
      return true;
    });
  }

  // Folders on the descent path below the first link are remembered as
  // walked; those above it only a link can lead back to.
  bool FirstVisit() {
    Level& self = descent_.back();
    if (!Identify(self)) return !self.link || BlindLinks() <= kMostBlindLinks;
    if (self.link) {
      for (std::size_t i = 0; i + 1 < descent_.size(); ++i) {
        if (Identify(descent_[i]) && descent_[i].identity == self.identity) return false;
      }
    }
    return walkedBelowLinks_.emplace(self.identity.volumeSerial, self.identity.fileIndex).second;
  }

  std::size_t BlindLinks() const {
    std::size_t blind = 0;
    for (const Level& level : descent_) blind += level.link && level.asked && !level.identified;
    return blind;
  }

  bool Identify(Level& level) {
    if (!level.asked) {
      pump_.Step();
      level.identified = platform_.FolderIdentity(*level.folder, level.identity);
      level.asked = true;
      pump_.Step();
    }
    return level.identified;
  }

  Platform& platform_;
  MessagePump& pump_;
  const std::string& name_;
  StringList& found_;
  MainWindow& window_;
  Label progress_;
  const Progress answering_;
  std::vector<Level> descent_;
  std::set<std::pair<std::uint32_t, std::uint64_t>> walkedBelowLinks_;
  std::unique_ptr<ListingsAhead> ahead_;
};

}  // namespace

void SearchFolder(Platform& platform, MessagePump& pump, const std::string& name,
                  const std::string& folder, StringList& found, MainWindow& window,
                  Label progress, LookAhead lookAhead) {
  Walk(platform, pump, name, found, window, progress).Start(folder, lookAhead);
}

}  // namespace mwn
