// Seeded random machines for the fault-injection suite: drives of every type,
// nested, hidden and unlistable folders, copies of every version and state,
// links back to an ancestor and across trees, anywhere among their folder's
// entries, paths about the length limit, and network shares. The same seed
// gives the same machine on every build.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class FakePlatform;

class RandomTree {
 public:
  // The version the replacement carries; copies are generated around it.
  static constexpr char kReplacementVersion[] = "2.1.0.0";
  static constexpr char kTempPath[] = "C:\\Temp\\";

  // One path the search must list, and the file it reaches.
  struct Find {
    std::string path;
    int file;
  };

  // Paths about the length limit (32,767 units) are long to build and to
  // walk: runs repeated call by call leave them out.
  enum class LongPaths { kSometimes, kNever };
  explicit RandomTree(std::uint32_t seed, LongPaths longPaths = LongPaths::kSometimes);

  std::uint32_t Seed() const { return seed_; }
  // Puts the machine into `platform`, network answers included.
  void Build(FakePlatform& platform) const;

  // Every path the search must list, in no particular order: a walk that
  // enters every folder entry except a folder already on its descent path.
  std::vector<Find> ExpectedFinds() const;
  // The file or folder at `path` ("C:\A\b", "\\srv\apps\x"), through links
  // and ignoring case; -1 when there is none.
  int NodeAt(const std::string& path) const;
  const std::string& BytesOf(int file) const { return nodes_[file].bytes; }
  // A copy that the version gate must see as newer than the replacement.
  bool Newer(int file) const;
  // A copy that cannot be replaced: locked, read-only or unreadable.
  bool Stuck(int file) const;
  // Roots that exist on the machine, scanned or not.
  std::vector<std::string> RootPaths() const;
  // One line for failure messages.
  std::string Summary() const;

 private:
  struct Node {
    std::string name;
    std::string path;  // as built
    bool folder = false;
    int parent = -1;
    int link = -1;  // an entry that is the folder `link` under another name
    std::uint32_t attributes = 0;
    bool unlistable = false;
    bool locked = false;
    bool denyRead = false;
    bool hasVersion = false;
    std::uint16_t version[4] = {};
    std::string bytes;
    std::vector<int> children;
  };
  struct Root {
    std::string path;    // "C:\" or "\\srv\apps"
    unsigned driveType;  // for drives; shares are 0 and have `share` set
    bool share;
    int node;  // -1 when the drive has no root
  };

  std::uint32_t Next();
  std::uint32_t Below(std::uint32_t bound) { return Next() % bound; }
  bool Chance(int percent) { return Below(100) < static_cast<std::uint32_t>(percent); }

  int AddNode(int parent, const std::string& name, bool folder);
  bool HasChild(int folder, const std::string& name) const;
  void Populate(int folder, int depth);
  void AddCopy(int folder);
  void AddDrives();
  void AddShares();
  void MakeOneCopyNewer();
  void AddBackLink();
  void AddCrossLink();
  void AddLink(int from, const std::string& name, int target);
  void AddLongPaths();
  std::vector<int> Folders(bool withRoots) const;
  bool IsAncestorOrSelf(int ancestor, int node) const;
  int Target(int node) const { return nodes_[node].link >= 0 ? nodes_[node].link : node; }
  void Walk(int folder, const std::string& path, std::vector<int>& descent,
            std::vector<Find>& finds) const;

  std::uint32_t seed_;
  std::uint64_t state_;
  std::vector<Node> nodes_;
  std::vector<Root> roots_;
  std::vector<std::pair<std::string, std::string>> labels_;  // root, name
  std::vector<std::vector<std::string>> shareBatches_;
  std::uint32_t networkAnswer_ = 0;
  std::vector<std::uint32_t> readAnswers_;
  int temp_ = -1;
  int links_ = 0;
};
