// What one listing of a folder tells the walk, read the same way whether the
// walk lists the folder itself or a listing thread does it ahead of the walk.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace mwn {

class Platform;

struct Subfolder {
  std::string name;
  bool link;  // a junction, symbolic link or mount point
};

struct FolderContents {
  std::vector<Subfolder> subfolders;  // in listing order, without "." and ".."
  bool copy = false;                  // JoinPath(folder, name) is a file to list
};

// Lists `folder` and asks for the file `name` in it where the listing shows
// that name or broke off (a folder that may be entered but not listed can
// still hold it). `goOn` is called between the calls; false stops there.
FolderContents ReadFolder(Platform& platform, const std::string& folder, const std::string& name,
                          const std::function<bool()>& goOn);

}  // namespace mwn
