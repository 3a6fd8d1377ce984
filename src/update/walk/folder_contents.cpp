#include "update/walk/folder_contents.h"

#include "platform/platform.h"
#include "update/base/path.h"

namespace mwn {

namespace {

bool IsSubfolder(const DirEntry& entry) {
  return (entry.attributes & kAttrVolumeLabel) == 0 && (entry.attributes & kAttrDirectory) != 0 &&
         entry.name != "." && entry.name != "..";
}

// A DFS link or a cloud placeholder is a reparse point too, but no other
// name for a folder the walk may be in. One whose tag the listing does not
// give counts as a link.
bool IsLink(const DirEntry& entry) {
  return (entry.attributes & kAttrReparsePoint) != 0 &&
         (entry.reparseTag == 0 || (entry.reparseTag & kReparseTagNameSurrogate) != 0);
}

bool BearsName(Platform& platform, const DirEntry& entry, const std::string& name) {
  return (entry.attributes & kAttrDirectory) == 0 && entry.name.size() == name.size() &&
         platform.EqualIgnoringCase(entry.name, name);
}

}  // namespace

FolderContents ReadFolder(Platform& platform, const std::string& folder, const std::string& name,
                          const std::function<bool()>& goOn) {
  FolderContents contents;
  bool named = false;
  ListStep step = ListStep::kFailed;
  {
    const std::unique_ptr<FolderListing> listing = platform.ListFolder(JoinPath(folder, "*.*"));
    if (!goOn()) return contents;
    DirEntry entry;
    while (listing && (step = listing->Next(entry)) == ListStep::kEntry) {
      if (!goOn()) return contents;
      if (IsSubfolder(entry)) {
        contents.subfolders.push_back({entry.name, IsLink(entry)});
      } else if (!named && BearsName(platform, entry, name)) {
        named = true;
      }
    }
  }
  if (!goOn()) return contents;
  if (step != ListStep::kEnd || named) {
    const std::string candidate = JoinPath(folder, name);
    contents.copy = WithinPathLimit(candidate) && platform.FileExists(candidate);
    goOn();
  }
  return contents;
}

}  // namespace mwn
