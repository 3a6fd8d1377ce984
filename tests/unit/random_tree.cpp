#include "random_tree.h"

#include <algorithm>
#include <cstdio>

#include "fake_platform.h"
#include "update/base/path.h"

namespace {

const char* const kFolderNames[] = {"Apps",     "Data",  "Old",   "Backup", "Program Files",
                                    "Marlowen", "Tools", "Users", "Work",   "Archive",
                                    "bin",      "x",     "MWN",   "Copies"};
const char* const kShareNames[] = {"\\\\srv\\apps", "\\\\nas\\Public", "\\\\10.0.0.7\\bin"};
const char* const kOtherFiles[] = {"readme.txt", "Mwn.exe.bak", "MwnUpdate.exe", "Mwn.ex"};

constexpr std::uint16_t kReplacement[4] = {2, 1, 0, 0};

bool Above(const std::uint16_t (&version)[4], const std::uint16_t (&other)[4]) {
  return std::lexicographical_compare(other, other + 4, version, version + 4);
}

bool StartsIgnoringCase(const std::string& text, const std::string& prefix) {
  return text.size() >= prefix.size() && SameIgnoringCase(text.substr(0, prefix.size()), prefix);
}

}  // namespace

RandomTree::RandomTree(std::uint32_t seed, LongPaths longPaths) : seed_(seed), state_(seed) {
  AddDrives();
  AddShares();
  MakeOneCopyNewer();
  if (Chance(60) && longPaths == LongPaths::kSometimes) AddLongPaths();
  if (Chance(40)) AddBackLink();
  if (Chance(35)) AddCrossLink();
}

// splitmix64: the same numbers from every standard library.
std::uint32_t RandomTree::Next() {
  std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return static_cast<std::uint32_t>((z ^ (z >> 31)) >> 32);
}

int RandomTree::AddNode(int parent, const std::string& name, bool folder) {
  Node node;
  node.name = name;
  node.folder = folder;
  node.parent = parent;
  node.path = mwn::JoinPath(nodes_[parent].path, name);
  nodes_.push_back(node);
  const int index = static_cast<int>(nodes_.size()) - 1;
  nodes_[parent].children.push_back(index);
  return index;
}

bool RandomTree::HasChild(int folder, const std::string& name) const {
  for (int child : nodes_[folder].children) {
    if (SameIgnoringCase(nodes_[child].name, name)) return true;
  }
  return false;
}

void RandomTree::AddDrives() {
  std::vector<std::pair<char, unsigned>> drives = {{'C', mwn::kDriveFixed}};
  if (Chance(15)) drives.push_back({'A', mwn::kDriveRemovable});
  static const unsigned types[] = {mwn::kDriveFixed,   mwn::kDriveFixed,    mwn::kDriveRemovable,
                                   mwn::kDriveUnknown, mwn::kDriveRamDisk,  mwn::kDriveRemote,
                                   mwn::kDriveCdRom,   mwn::kDriveNoRootDir};
  std::string letters = "DEFGHKMPXZ";
  for (int extra = 1 + Below(3); extra > 0; --extra) {
    const std::size_t at = Below(static_cast<std::uint32_t>(letters.size()));
    drives.push_back({letters[at], types[Below(8)]});
    letters.erase(at, 1);
  }
  for (const auto& [letter, type] : drives) {
    Root root{std::string(1, letter) + ":\\", type, false, -1};
    if (type != mwn::kDriveNoRootDir && type != mwn::kDriveRemote) {
      Node node;
      node.folder = true;
      node.path = root.path;
      nodes_.push_back(node);
      root.node = static_cast<int>(nodes_.size()) - 1;
      // The temp folder stays empty: the run makes its scratch folder there.
      if (letter == 'C') temp_ = AddNode(root.node, "Temp", true);
      if (Chance(30)) labels_.push_back({root.path, Chance(30) ? "Mwn.exe" : "DATA"});
      Populate(root.node, 0);
    }
    roots_.push_back(root);
  }
}

void RandomTree::AddShares() {
  if (!Chance(50)) {
    networkAnswer_ = Chance(50) ? mwn::kErrorNoNetwork : mwn::kErrorSuccess;
    return;
  }
  std::vector<std::string> listed;
  for (const char* name : kShareNames) {
    if (!Chance(50) && !(listed.empty() && name == kShareNames[2])) continue;
    Node node;
    node.folder = true;
    node.path = name;
    nodes_.push_back(node);
    const int index = static_cast<int>(nodes_.size()) - 1;
    roots_.push_back({name, 0, true, index});
    Populate(index, 1);
    listed.push_back(name);
  }
  std::string shouted = listed.front();
  std::transform(shouted.begin(), shouted.end(), shouted.begin(),
                 [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; });
  if (Chance(30)) listed.push_back(shouted);
  if (Chance(25)) listed.push_back("\\\\gone\\old");
  for (std::size_t i = listed.size(); i > 1; --i) std::swap(listed[i - 1], listed[Below(i)]);
  const std::size_t cut = listed.size() > 1 && Chance(50) ? 1 + Below(listed.size() - 1) : 0;
  if (cut == 0) {
    shareBatches_ = {listed};
  } else {
    shareBatches_ = {{listed.begin(), listed.begin() + cut}, {listed.begin() + cut, listed.end()}};
    if (Chance(30)) readAnswers_ = {mwn::kErrorSuccess, 59};  // the network went away
  }
  networkAnswer_ = Chance(20) ? mwn::kErrorNoNetwork : mwn::kErrorSuccess;
}

void RandomTree::Populate(int folder, int depth) {
  if (Chance(35)) AddCopy(folder);
  if (Chance(25)) {
    const std::string name = kOtherFiles[Below(4)];
    if (!HasChild(folder, name)) {
      nodes_[AddNode(folder, name, false)].bytes = "other file " + name;
    }
  }
  if (Chance(4) && !HasChild(folder, "Mwn.exe")) Populate(AddNode(folder, "Mwn.exe", true), 4);
  if (depth >= 4) return;
  for (int count = Below(depth == 0 ? 4 : 3); count > 0; --count) {
    const std::string name = kFolderNames[Below(sizeof kFolderNames / sizeof *kFolderNames)];
    if (HasChild(folder, name)) continue;
    const int child = AddNode(folder, name, true);
    const std::uint32_t kind = Below(100);
    if (kind < 8) {
      nodes_[child].attributes = mwn::kAttrHidden;
    } else if (kind < 12) {
      nodes_[child].attributes = mwn::kAttrSystem;
    } else if (kind < 15) {
      nodes_[child].attributes = mwn::kAttrHidden | mwn::kAttrSystem;
    }
    nodes_[child].unlistable = Chance(4);
    Populate(child, depth + 1);
  }
}

void RandomTree::AddCopy(int folder) {
  const std::uint32_t spelling = Below(10);
  const std::string name = spelling < 7 ? "Mwn.exe" : spelling < 9 ? "MWN.EXE" : "mwn.EXE";
  if (HasChild(folder, name)) return;
  Node& copy = nodes_[AddNode(folder, name, false)];
  const std::uint32_t kind = Below(20);
  copy.hasVersion = kind >= 3;
  if (kind >= 3 && kind < 7) {
    std::copy(kReplacement, kReplacement + 4, copy.version);
  } else if (kind >= 7) {
    const std::uint16_t older[4][4] = {
        {1, static_cast<std::uint16_t>(Below(5)), static_cast<std::uint16_t>(Below(10)),
         static_cast<std::uint16_t>(Below(100))},
        {2, 0, static_cast<std::uint16_t>(Below(10)), static_cast<std::uint16_t>(Below(100))},
        {0, 9, 0, static_cast<std::uint16_t>(Below(5))},
        {2, 0, 65535, 65535}};
    const std::uint32_t which = Below(4);
    std::copy(older[which], older[which] + 4, copy.version);
  }
  copy.attributes = Chance(10) ? mwn::kAttrHidden : 0;
  if (Chance(10)) copy.attributes |= mwn::kAttrReadOnly;
  copy.locked = Chance(8);
  copy.denyRead = Chance(4);
  if (copy.hasVersion) {
    char version[32];
    std::snprintf(version, sizeof version, "%u.%u.%u.%u", copy.version[0], copy.version[1],
                  copy.version[2], copy.version[3]);
    copy.bytes = VersionedImage(version, "old copy at " + copy.path);
  } else {
    copy.bytes = "MZ\x90 no version information, " + copy.path;
  }
}

void RandomTree::MakeOneCopyNewer() {
  std::vector<int> copies;
  for (std::size_t i = 0; i < nodes_.size(); ++i) {
    if (nodes_[i].hasVersion) copies.push_back(static_cast<int>(i));
  }
  if (copies.empty() || !Chance(20)) return;
  Node& copy = nodes_[copies[Below(static_cast<std::uint32_t>(copies.size()))]];
  static const char* const newer[] = {"2.1.0.1", "3.0.0.0", "2.40000.0.0"};
  static const std::uint16_t fields[3][4] = {{2, 1, 0, 1}, {3, 0, 0, 0}, {2, 40000, 0, 0}};
  const std::uint32_t which = Below(3);
  std::copy(fields[which], fields[which] + 4, copy.version);
  copy.bytes = VersionedImage(newer[which], "newer copy at " + copy.path);
}

std::vector<int> RandomTree::Folders(bool withRoots) const {
  std::vector<int> folders;
  for (std::size_t i = 0; i < nodes_.size(); ++i) {
    const Node& node = nodes_[i];
    if (!node.folder || static_cast<int>(i) == temp_) continue;
    if (!withRoots && node.parent < 0) continue;
    folders.push_back(static_cast<int>(i));
  }
  return folders;
}

bool RandomTree::IsAncestorOrSelf(int ancestor, int node) const {
  for (; node >= 0; node = nodes_[node].parent) {
    if (node == ancestor) return true;
  }
  return false;
}

void RandomTree::AddBackLink() {
  const std::vector<int> folders = Folders(false);
  if (folders.empty()) return;
  const int from = folders[Below(static_cast<std::uint32_t>(folders.size()))];
  std::vector<int> ancestors;
  for (int node = from; node >= 0; node = nodes_[node].parent) ancestors.push_back(node);
  const std::string name = Chance(50) ? "Up" : "Loop";
  if (HasChild(from, name)) return;
  AddLink(from, name, ancestors[Below(static_cast<std::uint32_t>(ancestors.size()))]);
}

void RandomTree::AddCrossLink() {
  const std::vector<int> parents = Folders(true);
  const int from = parents[Below(static_cast<std::uint32_t>(parents.size()))];
  std::vector<int> targets;
  std::vector<int> withCopy;
  for (int folder : Folders(false)) {
    if (IsAncestorOrSelf(folder, from)) continue;
    targets.push_back(folder);
    if (HasChild(folder, "Mwn.exe")) withCopy.push_back(folder);
  }
  if (!withCopy.empty() && Chance(70)) targets = withCopy;
  const std::string name = Chance(50) ? "Mirror" : "Shortcut";
  if (targets.empty() || HasChild(from, name)) return;
  AddLink(from, name, targets[Below(static_cast<std::uint32_t>(targets.size()))]);
}

// Anywhere among the entries of `from`, so that walks see folders after it.
void RandomTree::AddLink(int from, const std::string& name, int target) {
  const int link = AddNode(from, name, false);
  nodes_[link].link = target;
  std::vector<int>& children = nodes_[from].children;
  std::rotate(children.begin() + Below(static_cast<std::uint32_t>(children.size())),
              children.end() - 1, children.end());
  ++links_;
}

// Long names down to a folder 12 characters short of the length limit, and
// in it, in random order, folders whose copies' paths are one short of it
// and exactly at it, and folders one short of it, at it and past it.
void RandomTree::AddLongPaths() {
  const std::vector<int> folders = Folders(true);
  int folder = folders[Below(static_cast<std::uint32_t>(folders.size()))];
  const std::size_t base = mwn::kMaxPath - 12;
  for (char letter = 'L'; nodes_[folder].path.size() < base; ++letter) {
    const std::size_t room = base - mwn::JoinPath(nodes_[folder].path, "").size();
    // Halves of a long way, so that no step leaves a way of nothing.
    folder = AddNode(folder, std::string(room > 120 ? room / 2 : room, letter), true);
  }
  std::vector<std::size_t> nameLengths = {2, 3, 10, 11, 12};
  for (std::size_t i = nameLengths.size(); i > 1; --i) {
    std::swap(nameLengths[i - 1], nameLengths[Below(static_cast<std::uint32_t>(i))]);
  }
  for (std::size_t length : nameLengths) {
    const int near = AddNode(folder, std::string(length, 'N'), true);
    if (length < 10 || Chance(50)) AddCopy(near);
    if (length >= 10) AddNode(near, "x", true);
  }
}

void RandomTree::Build(FakePlatform& platform) const {
  for (const Root& root : roots_) {
    if (root.share) {
      platform.AddShare(root.path);
    } else {
      platform.AddDrive(root.path[0], root.driveType);
    }
  }
  // Parents come before their children, so entries keep the order of the tree.
  for (const Node& node : nodes_) {
    if (node.parent < 0 || node.link >= 0) continue;
    if (node.folder) {
      platform.AddFolder(node.path, node.attributes);
    } else {
      platform.AddFile(node.path, node.bytes, node.attributes);
    }
  }
  // Each link where it stands among its folder's entries: those before it
  // are all there by then.
  for (const Node& node : nodes_) {
    for (std::size_t i = 0; i < node.children.size(); ++i) {
      const Node& child = nodes_[node.children[i]];
      if (child.link >= 0) platform.AddLink(child.path, nodes_[child.link].path, i);
    }
  }
  for (const auto& [root, name] : labels_) platform.AddVolumeLabel(root, name);
  for (const Node& node : nodes_) {
    if (node.link >= 0) continue;
    if (node.locked) platform.SetLocked(node.path);
    if (node.denyRead) platform.SetDenyRead(node.path);
    if (node.unlistable) platform.SetUnlistable(node.path);
  }
  platform.shareBatches = shareBatches_;
  platform.openAnswer = networkAnswer_;
  platform.readAnswers = readAnswers_;
  platform.tempPath = kTempPath;
  // Half the machines keep a file's spelling through renames, as Wine does.
  platform.keepsSpellingOnRename = (seed_ & 1) != 0;
}

void RandomTree::Walk(int folder, const std::string& path, std::vector<int>& descent,
                      std::vector<Find>& finds) const {
  if (path.size() >= mwn::kMaxPath) return;
  if (std::find(descent.begin(), descent.end(), folder) != descent.end()) return;
  descent.push_back(folder);
  const Node& node = nodes_[folder];
  for (int child : node.children) {
    const Node& entry = nodes_[child];
    const std::string copy = mwn::JoinPath(path, "Mwn.exe");
    if (!entry.folder && entry.link < 0 && SameIgnoringCase(entry.name, "Mwn.exe") &&
        copy.size() < mwn::kMaxPath) {
      finds.push_back({copy, child});
    }
  }
  if (!node.unlistable) {
    for (int child : node.children) {
      const Node& entry = nodes_[child];
      if (entry.folder || entry.link >= 0) {
        Walk(Target(child), mwn::JoinPath(path, entry.name), descent, finds);
      }
    }
  }
  descent.pop_back();
}

std::vector<RandomTree::Find> RandomTree::ExpectedFinds() const {
  std::vector<Find> finds;
  std::vector<int> descent;
  for (const Root& root : roots_) {
    const bool searched = root.path[0] >= 'C' && root.driveType != mwn::kDriveCdRom;
    if (!root.share && root.node >= 0 && searched) Walk(root.node, root.path, descent, finds);
  }
  if (networkAnswer_ != mwn::kErrorSuccess) return finds;
  std::vector<std::string> scanned;
  for (std::size_t read = 0; read < shareBatches_.size(); ++read) {
    if (read < readAnswers_.size() && readAnswers_[read] != mwn::kErrorSuccess) break;
    for (const std::string& name : shareBatches_[read]) {
      if (std::any_of(scanned.begin(), scanned.end(),
                      [&](const std::string& seen) { return SameIgnoringCase(seen, name); })) {
        continue;
      }
      scanned.push_back(name);
      const int node = NodeAt(name);
      if (node >= 0) Walk(node, name, descent, finds);
    }
  }
  return finds;
}

int RandomTree::NodeAt(const std::string& path) const {
  for (const Root& root : roots_) {
    if (root.node < 0) continue;
    std::string key = root.path;
    if (key.back() == '\\') key.pop_back();
    if (!StartsIgnoringCase(path, key)) continue;
    std::string rest = path.substr(key.size());
    if (!rest.empty() && rest[0] != '\\') continue;
    int node = root.node;
    std::size_t start = rest.empty() ? std::string::npos : 1;
    while (start != std::string::npos && start < rest.size()) {
      const std::size_t end = rest.find('\\', start);
      const std::string part = rest.substr(start, end - start);
      start = end == std::string::npos ? end : end + 1;
      if (!nodes_[node].folder) return -1;
      int next = -1;
      for (int child : nodes_[node].children) {
        if (SameIgnoringCase(nodes_[child].name, part)) next = Target(child);
      }
      if (next < 0) return -1;
      node = next;
    }
    return node;
  }
  return -1;
}

bool RandomTree::Newer(int file) const {
  const Node& node = nodes_[file];
  return node.hasVersion && !node.denyRead && Above(node.version, kReplacement);
}

bool RandomTree::Stuck(int file) const {
  const Node& node = nodes_[file];
  return node.locked || node.denyRead || (node.attributes & mwn::kAttrReadOnly) != 0;
}

std::vector<std::string> RandomTree::RootPaths() const {
  std::vector<std::string> paths;
  for (const Root& root : roots_) {
    if (root.node >= 0) paths.push_back(root.path);
  }
  return paths;
}

std::string RandomTree::Summary() const {
  char head[32];
  std::snprintf(head, sizeof head, "tree seed 0x%08X:", seed_);
  std::string text = head;
  for (const Root& root : roots_) {
    text += " " + root.path + (root.share ? "" : "(type " + std::to_string(root.driveType) + ")");
  }
  int folders = 0;
  int copies = 0;
  int stuck = 0;
  int newer = 0;
  for (std::size_t i = 0; i < nodes_.size(); ++i) {
    const Node& node = nodes_[i];
    folders += node.folder ? 1 : 0;
    if (!node.folder && node.link < 0 && SameIgnoringCase(node.name, "Mwn.exe")) {
      ++copies;
      stuck += Stuck(static_cast<int>(i)) ? 1 : 0;
      newer += Newer(static_cast<int>(i)) ? 1 : 0;
    }
  }
  text += "; network answer " + std::to_string(networkAnswer_) + ", " +
          std::to_string(shareBatches_.size()) + " batch(es); " + std::to_string(folders) +
          " folders, " + std::to_string(copies) + " copies (" + std::to_string(stuck) + " stuck, " +
          std::to_string(newer) + " newer), " + std::to_string(links_) + " link(s)";
  return text;
}
