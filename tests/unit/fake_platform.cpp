#include "fake_platform.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include "fake_held_folder.h"
#include "fake_threads.h"
#include "payload/payload.h"

namespace {

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

std::string UpperAscii(std::string text) {
  for (char& c : text) c = UpperAscii(c);
  return text;
}

// "C:\Data\x" gives the key "C:" and the rest "Data\x"; "\\srv\apps\x" gives
// "\\SRV\APPS" and "x". False for a relative path.
bool SplitRoot(const std::string& path, std::string& key, std::string& rest) {
  std::size_t restStart;
  if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
    const std::size_t serverEnd = path.find('\\', 2);
    if (serverEnd == std::string::npos || serverEnd == 2) return false;
    const std::size_t shareEnd = path.find('\\', serverEnd + 1);
    key = UpperAscii(path.substr(0, shareEnd));
    restStart = shareEnd == std::string::npos ? path.size() : shareEnd;
  } else if (path.size() >= 2 && path[1] == ':') {
    key = UpperAscii(path.substr(0, 2));
    restStart = 2;
  } else {
    return false;
  }
  if (restStart < path.size() && path[restStart] == '\\') ++restStart;
  rest = path.substr(restStart);
  return true;
}

std::vector<std::string> Components(const std::string& rest) {
  std::vector<std::string> parts;
  if (rest.empty()) return parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = rest.find('\\', start);
    parts.push_back(rest.substr(start, end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  if (parts.size() > 1 && parts.back().empty()) parts.pop_back();  // trailing backslash
  return parts;
}

std::string Join(const std::string& folder, const std::string& name) {
  if (!folder.empty() && folder.back() == '\\') return folder + name;
  return folder + "\\" + name;
}

// The version words of "VERSION:a.b.c.d" inside `bytes`.
bool ParseVersionMarker(const std::vector<std::uint8_t>& bytes, std::uint32_t& ms,
                        std::uint32_t& ls) {
  static const std::string marker = "VERSION:";
  auto at = std::search(bytes.begin(), bytes.end(), marker.begin(), marker.end());
  if (at == bytes.end()) return false;
  at += static_cast<std::ptrdiff_t>(marker.size());
  std::uint32_t fields[4];
  for (int i = 0; i < 4; ++i) {
    if (i > 0) {
      if (at == bytes.end() || *at != '.') return false;
      ++at;
    }
    std::uint32_t value = 0;
    int digits = 0;
    while (at != bytes.end() && *at >= '0' && *at <= '9' && digits < 6) {
      value = value * 10 + (*at - '0');
      ++at;
      ++digits;
    }
    if (digits == 0 || value > 0xFFFF) return false;
    fields[i] = value;
  }
  ms = fields[0] << 16 | fields[1];
  ls = fields[2] << 16 | fields[3];
  return true;
}

constexpr char kVersionBlockMagic[] = "FVER";
constexpr std::uint32_t kVersionBlockSize = 16;
constexpr std::uint32_t kErrorAlreadyExists = 183;
constexpr std::uint32_t kErrorDirectory = 267;
constexpr std::uint32_t kReparseTagMountPoint = 0xA0000003;

void PutWord(std::vector<std::uint8_t>& data, std::size_t at, std::uint32_t word) {
  for (int i = 0; i < 4; ++i) data[at + i] = static_cast<std::uint8_t>(word >> (8 * i));
}

std::uint32_t GetWord(const std::vector<std::uint8_t>& data, std::size_t at) {
  std::uint32_t word = 0;
  for (int i = 0; i < 4; ++i) word |= static_cast<std::uint32_t>(data[at + i]) << (8 * i);
  return word;
}

}  // namespace

const char* OpName(Op op) {
  static const char* const names[] = {
      "LogicalDriveMask",   "DriveTypeOf",         "OpenConnectedDisks",
      "ReadConnectedDisks", "CloseConnectedDisks", "FolderExists",
      "FileExists",         "ListFolder",          "ListNext",
      "FolderIdentity",     "DeleteFile",          "CopyFile",
      "MoveFile",           "StoredName",          "FileHoldsExactly",
      "FilesHoldSame",      "FileAttributes",      "TempPath",
      "UniqueTempFile",     "CreateFolder",        "RemoveFolder",
      "CreateFileRW",       "WriteFileBytes",      "CloseFile",
      "VersionInfoSize",    "VersionInfo",         "RootFileVersion",
      "OwnResource",        "ExecutablePath",      "EqualIgnoringCase",
      "ShowMessageBox",     "SetWaitCursor",       "FlushFile",
      "ReadWholeFile",      "RunningElevated",     "RunElevated",
      "Pause",              "CreatePrivateFolder", "RemovePrivateFolder",
      "HoldFolder",         "FullPathName",        "RandomTempName",
      "EntryVersion",       "SeekPenaltyOf",       "HideFile",
      "DeleteAtRestart",    "KeepAccessList"};
  return names[static_cast<int>(op)];
}

bool IsTempName(const std::string& name) {
  return name.size() > 7 && SameIgnoringCase(name.substr(0, 3), mwn::kTempPrefix) &&
         SameIgnoringCase(name.substr(name.size() - 4), ".TMP");
}

bool SameIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (UpperAscii(a[i]) != UpperAscii(b[i])) return false;
  }
  return true;
}

std::vector<std::uint8_t> ToBytes(const std::string& text) {
  return std::vector<std::uint8_t>(text.begin(), text.end());
}

std::string FromBytes(const std::vector<std::uint8_t>& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

std::vector<std::uint8_t> ZlibStream(const std::string& bytes) {
  uLongf size = compressBound(static_cast<uLong>(bytes.size()));
  std::vector<std::uint8_t> stream(size);
  if (compress2(stream.data(), &size, reinterpret_cast<const Bytef*>(bytes.data()),
                static_cast<uLong>(bytes.size()), 9) != Z_OK) {
    throw std::runtime_error("compress2 failed");
  }
  stream.resize(size);
  return stream;
}

std::string VersionedImage(const std::string& version, const std::string& filler) {
  return "MZ\x90" + filler + "\x01VERSION:" + version + "\x02" + filler + "PE";
}

// --- listing ----------------------------------------------------------------

class FakePlatform::Listing : public mwn::FolderListing {
 public:
  Listing(FakePlatform& platform, Node* folder, std::string path, bool root)
      : platform_(platform), folder_(folder), path_(std::move(path)), position_(root ? 2 : 0) {
    ++platform_.openHandles_;
  }
  ~Listing() override {
    const std::lock_guard<std::recursive_mutex> lock(platform_.mutex_);
    --platform_.openHandles_;
  }

  mwn::ListStep Next(mwn::DirEntry& entry) override {
    const std::lock_guard<std::recursive_mutex> lock(platform_.mutex_);
    if (platform_.Failing(Op::ListNext, path_)) return mwn::ListStep::kFailed;
    if (position_ < 2) {
      entry.name = position_ == 0 ? "." : "..";
      entry.attributes = mwn::kAttrDirectory;
      entry.reparseTag = 0;
      ++position_;
      return mwn::ListStep::kEntry;
    }
    const std::size_t index = position_ - 2;
    if (index >= folder_->entries.size()) return mwn::ListStep::kEnd;
    const Entry& found = folder_->entries[index];
    entry.name = found.name;
    entry.attributes = found.node->attributes | (found.node->folder ? mwn::kAttrDirectory : 0) |
                       (found.link ? mwn::kAttrReparsePoint : 0);
    entry.reparseTag = found.link ? kReparseTagMountPoint : found.node->reparseTag;
    ++position_;
    return mwn::ListStep::kEntry;
  }

 private:
  FakePlatform& platform_;
  Node* folder_;
  std::string path_;
  std::size_t position_;
};

class FakePlatform::Enumeration : public mwn::ConnectedDisks {
 public:
  explicit Enumeration(FakePlatform& platform) : platform_(platform) { ++platform_.openHandles_; }
  ~Enumeration() override {
    platform_.Failing(Op::CloseConnectedDisks, "");
    --platform_.openHandles_;
  }

  std::uint32_t Next(std::vector<std::string>& remoteNames) override {
    if (platform_.Failing(Op::ReadConnectedDisks, "")) return platform_.failCode;
    const std::size_t read = platform_.CountOf(Op::ReadConnectedDisks) - 1;
    if (read < platform_.readAnswers.size() && platform_.readAnswers[read] != mwn::kErrorSuccess) {
      return platform_.readAnswers[read];
    }
    if (batch_ >= platform_.shareBatches.size()) return mwn::kErrorNoMoreItems;
    remoteNames = platform_.shareBatches[batch_++];
    return mwn::kErrorSuccess;
  }

 private:
  FakePlatform& platform_;
  std::size_t batch_ = 0;
};

class FakePlatform::File : public mwn::WritableFile {
 public:
  File(FakePlatform& platform, Node* node, std::string path)
      : platform_(platform), node_(node), path_(std::move(path)) {
    ++platform_.openHandles_;
  }
  ~File() override {
    if (open_) Close();
  }

  std::uint32_t Write(const std::uint8_t* data, std::size_t size, std::size_t& written,
                      const mwn::Progress& whileWaiting) override {
    written = 0;
    if (platform_.Failing(Op::WriteFileBytes, path_)) return platform_.failCode;
    if (whileWaiting) whileWaiting();
    const std::size_t taken = std::min(size, platform_.writeLimit);
    std::vector<std::uint8_t> bytes(data, data + taken);
    if (platform_.corrupt && platform_.corrupt(Op::WriteFileBytes, path_)) {
      bytes = platform_.Corrupted(std::move(bytes));
    }
    node_->bytes.insert(node_->bytes.end(), bytes.begin(), bytes.end());
    node_->unflushed = true;
    written = taken;
    return mwn::kErrorSuccess;
  }

  std::uint32_t Close() override {
    const bool failing = platform_.Failing(Op::CloseFile, path_);
    // The handle is gone even when the close reports an error.
    if (open_) --platform_.openHandles_;
    open_ = false;
    return failing ? platform_.failCode : mwn::kErrorSuccess;
  }

 private:
  FakePlatform& platform_;
  Node* node_;
  std::string path_;
  bool open_ = true;
};

// Removes the very folder it made, wherever an entry for it now stands, and
// never what an entry at its old path might lead to.
class FakePlatform::PrivateHold : public mwn::PrivateFolder {
 public:
  PrivateHold(FakePlatform& platform, Node* folder, std::string path)
      : platform_(platform), folder_(folder), path_(std::move(path)), entries_(platform, folder) {
    ++platform_.openHandles_;
  }
  ~PrivateHold() override {
    if (folder_ != nullptr) --platform_.openHandles_;
  }

  mwn::FolderEntries& Entries() override { return entries_; }

  std::uint32_t Remove() override {
    if (platform_.Failing(Op::RemovePrivateFolder, path_)) return platform_.failCode;
    if (!folder_->entries.empty()) return mwn::kErrorDirNotEmpty;
    for (const auto& node : platform_.nodes_) {
      for (std::size_t i = 0; i < node->entries.size(); ++i) {
        if (node->entries[i].node == folder_ && !node->entries[i].link) {
          platform_.RemoveEntry(node.get(), i);
          break;
        }
      }
    }
    folder_ = nullptr;
    --platform_.openHandles_;
    return mwn::kErrorSuccess;
  }

 private:
  FakePlatform& platform_;
  Node* folder_;
  std::string path_;
  HeldEntries entries_;
};

// --- the machine --------------------------------------------------------------

FakePlatform::FakePlatform() = default;
FakePlatform::~FakePlatform() = default;

FakePlatform::Node* FakePlatform::NewNode(bool folder, std::uint32_t volume,
                                          std::uint32_t attributes) {
  nodes_.push_back(std::make_unique<Node>());
  Node* node = nodes_.back().get();
  node->folder = folder;
  node->volume = volume;
  node->attributes = attributes;
  node->index = nextIndex_++;
  return node;
}

FakePlatform::Node* FakePlatform::RootOf(const std::string& path, std::string& rest) const {
  std::string key;
  if (!SplitRoot(path, key, rest)) return nullptr;
  const auto found = roots_.find(key);
  return found == roots_.end() ? nullptr : found->second;
}

FakePlatform::Node* FakePlatform::EnsureRoot(const std::string& path) {
  std::string key;
  std::string rest;
  if (!SplitRoot(path, key, rest)) throw std::logic_error("not a full path: " + path);
  Node*& root = roots_[key];
  if (root == nullptr) root = NewNode(true, nextVolume_++, 0);
  return root;
}

FakePlatform::Resolved FakePlatform::Resolve(const std::string& path) const {
  Resolved result;
  std::string rest;
  Node* node = RootOf(path, rest);
  if (node == nullptr) return result;
  const std::vector<std::string> parts = Components(rest);
  if (parts.empty()) {
    result.node = node;
    return result;
  }
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (!node->folder || parts[i].empty()) return Resolved{};
    Node* next = nullptr;
    std::size_t position = 0;
    for (std::size_t e = 0; e < node->entries.size(); ++e) {
      const Entry& entry = node->entries[e];
      if ((entry.node->attributes & mwn::kAttrVolumeLabel) == 0 &&
          SameIgnoringCase(entry.name, parts[i])) {
        next = entry.node;
        position = e;
        break;
      }
    }
    if (i + 1 == parts.size()) {
      result.parent = node;
      result.position = position;
      result.node = next;
      result.lastName = parts[i];
      return result;
    }
    if (next == nullptr) return Resolved{};
    node = next;
  }
  return result;
}

FakePlatform::Node* FakePlatform::Find(const std::string& path) const { return Resolve(path).node; }

FakePlatform::Node* FakePlatform::FindOrDie(const std::string& path) const {
  Node* node = Find(path);
  if (node == nullptr) throw std::logic_error("no such file or folder: " + path);
  return node;
}

FakePlatform::Node* FakePlatform::EnsureFolder(const std::string& path) {
  Node* node = EnsureRoot(path);
  std::string rest;
  RootOf(path, rest);
  for (const std::string& part : Components(rest)) {
    Node* next = nullptr;
    for (const Entry& entry : node->entries) {
      if (SameIgnoringCase(entry.name, part)) next = entry.node;
    }
    if (next == nullptr) {
      next = NewNode(true, node->volume, 0);
      node->entries.push_back({part, next});
    }
    if (!next->folder) throw std::logic_error("a file stands in the way: " + path);
    node = next;
  }
  return node;
}

void FakePlatform::RemoveEntry(Node* parent, std::size_t position) {
  parent->entries.erase(parent->entries.begin() + static_cast<std::ptrdiff_t>(position));
}

void FakePlatform::AddDrive(char letter, unsigned type) {
  letter = UpperAscii(letter);
  driveMask_ |= 1u << (letter - 'A');
  driveTypes_[letter] = type;
  if (type != mwn::kDriveNoRootDir && type != mwn::kDriveRemote) {
    EnsureRoot(std::string(1, letter) + ":\\");
  }
}

void FakePlatform::AddShare(const std::string& remoteName) { EnsureRoot(remoteName); }

void FakePlatform::AddFolder(const std::string& path, std::uint32_t attributes) {
  EnsureFolder(path)->attributes = attributes;
}

void FakePlatform::AddFile(const std::string& path, const std::string& contents,
                           std::uint32_t attributes) {
  const std::size_t cut = path.find_last_of('\\');
  Node* folder = EnsureFolder(path.substr(0, cut));
  const std::string name = path.substr(cut + 1);
  for (const Entry& entry : folder->entries) {
    if (SameIgnoringCase(entry.name, name)) throw std::logic_error("already there: " + path);
  }
  Node* file = NewNode(false, folder->volume, attributes);
  file->bytes = ToBytes(contents);
  folder->entries.push_back({name, file});
}

void FakePlatform::AddLink(const std::string& path, const std::string& target,
                           std::size_t position) {
  Node* targetFolder = FindOrDie(target);
  const std::size_t cut = path.find_last_of('\\');
  std::vector<Entry>& entries = EnsureFolder(path.substr(0, cut))->entries;
  entries.insert(entries.begin() + static_cast<std::ptrdiff_t>(std::min(position, entries.size())),
                 {path.substr(cut + 1), targetFolder, true});
}

void FakePlatform::SetReparseTag(const std::string& path, std::uint32_t tag) {
  Node* node = FindOrDie(path);
  node->attributes |= mwn::kAttrReparsePoint;
  node->reparseTag = tag;
}

void FakePlatform::AddVolumeLabel(const std::string& root, const std::string& name,
                                  std::uint32_t attributes) {
  Node* rootNode = EnsureRoot(root);
  rootNode->entries.push_back({name, NewNode(false, rootNode->volume, attributes)});
}

void FakePlatform::SetRunningImage(const std::string& path, const mwn::RunningProgram& program) {
  FindOrDie(path)->runningAs.push_back(program);
}

void FakePlatform::EndRunningPrograms() {
  for (const auto& node : nodes_) node->runningAs.clear();
}

void FakePlatform::SetLocked(const std::string& path, bool locked) {
  FindOrDie(path)->locked = locked;
}

void FakePlatform::SetDenyRead(const std::string& path, bool denied) {
  FindOrDie(path)->denyRead = denied;
}

void FakePlatform::SetUnlistable(const std::string& path, bool unlistable) {
  FindOrDie(path)->unlistable = unlistable;
}

void FakePlatform::SetAttributes(const std::string& path, std::uint32_t attributes) {
  FindOrDie(path)->attributes = attributes;
}

void FakePlatform::SetOwnedByStandardUser(const std::string& path) {
  FindOrDie(path)->ownedByStandardUser = true;
}

bool FakePlatform::IsFile(const std::string& path) const {
  const Node* node = Find(path);
  return node != nullptr && !node->folder;
}

bool FakePlatform::IsFolder(const std::string& path) const {
  const Node* node = Find(path);
  return node != nullptr && node->folder;
}

std::string FakePlatform::Contents(const std::string& path) const {
  return FromBytes(FindOrDie(path)->bytes);
}

std::uint32_t FakePlatform::AttributesOf(const std::string& path) const {
  const Node* node = FindOrDie(path);
  return node->attributes | (node->folder ? mwn::kAttrDirectory : 0);
}

std::vector<std::string> FakePlatform::Names(const std::string& folder) const {
  std::vector<std::string> names;
  for (const Entry& entry : FindOrDie(folder)->entries) names.push_back(entry.name);
  return names;
}

int FakePlatform::CountOf(Op op) const {
  return static_cast<int>(
      std::count_if(calls.begin(), calls.end(), [op](const Call& call) { return call.op == op; }));
}

std::vector<FakePlatform::Call> FakePlatform::CallsOf(Op op) const {
  std::vector<Call> selected;
  for (const Call& call : calls) {
    if (call.op == op) selected.push_back(call);
  }
  return selected;
}

bool FakePlatform::Failing(Op op, const std::string& path, const std::string& other) {
  if (adversary && !inAdversary_) {
    inAdversary_ = true;
    adversary(calls.size());
    inAdversary_ = false;
  }
  calls.push_back({op, path, other});
  return fail && fail(op, path);
}

std::vector<std::uint8_t> FakePlatform::Corrupted(std::vector<std::uint8_t> bytes) const {
  if (bytes.empty()) {
    bytes.push_back(0);
  } else {
    bytes[bytes.size() / 2] ^= 0xFF;
  }
  return bytes;
}

void FakePlatform::Crash() {
  for (const std::unique_ptr<Node>& node : nodes_) {
    if (!node->unflushed) continue;
    std::fill(node->bytes.begin(), node->bytes.end(), 0);
    node->unflushed = false;
  }
}

void FakePlatform::Event(const std::string& text) {
  if (events != nullptr) events->push_back(text);
}

// --- drives and network ----------------------------------------------------------

std::uint32_t FakePlatform::LogicalDriveMask() {
  Failing(Op::LogicalDriveMask, "");
  return driveMask_;
}

unsigned FakePlatform::DriveTypeOf(const std::string& root) {
  Failing(Op::DriveTypeOf, root);
  if (root.size() != 3 || root[1] != ':' || root[2] != '\\') return mwn::kDriveNoRootDir;
  const auto found = driveTypes_.find(UpperAscii(root[0]));
  return found == driveTypes_.end() ? mwn::kDriveNoRootDir : found->second;
}

mwn::SeekPenalty FakePlatform::SeekPenaltyOf(const std::string& root) {
  if (Failing(Op::SeekPenaltyOf, root) || root.empty()) return mwn::SeekPenalty::kNotSaid;
  const char letter = UpperAscii(root[0]);
  if (noSeekPenaltyDrives.find(letter) != std::string::npos) return mwn::SeekPenalty::kNone;
  if (seekPenaltyDrives.find(letter) != std::string::npos) return mwn::SeekPenalty::kIncurs;
  return mwn::SeekPenalty::kNotSaid;
}

// Real time: the listing delays are waited out in real time.
std::uint64_t FakePlatform::Microseconds() {
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  return std::chrono::duration_cast<std::chrono::microseconds>(now).count();
}

std::unique_ptr<mwn::ConnectedDisks> FakePlatform::OpenConnectedDisks(std::uint32_t& error) {
  error = mwn::kErrorSuccess;
  if (Failing(Op::OpenConnectedDisks, "")) error = failCode;
  else if (openAnswer != mwn::kErrorSuccess) error = openAnswer;
  if (error != mwn::kErrorSuccess) return nullptr;
  return std::make_unique<Enumeration>(*this);
}

// --- file system -----------------------------------------------------------------

bool FakePlatform::FolderExists(const std::string& path) {
  const std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (Failing(Op::FolderExists, path)) return false;
  const Node* node = Find(path);
  return node != nullptr && node->folder;
}

bool FakePlatform::FileExists(const std::string& path) {
  const std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (Failing(Op::FileExists, path)) return false;
  const Node* node = Find(path);
  return node != nullptr && !node->folder;
}

std::unique_ptr<mwn::FolderListing> FakePlatform::ListFolder(const std::string& pattern) {
  PayListingDelay(pattern);
  const std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (Failing(Op::ListFolder, pattern)) return nullptr;
  const std::size_t cut = pattern.find_last_of('\\');
  if (cut == std::string::npos || pattern.substr(cut + 1) != "*.*") return nullptr;
  const std::string folderPath = pattern.substr(0, cut);
  const Resolved folder = Resolve(folderPath);
  if (folder.node == nullptr || !folder.node->folder || folder.node->unlistable) return nullptr;
  const bool root = folder.parent == nullptr;
  return std::make_unique<Listing>(*this, folder.node, folderPath, root);
}

bool FakePlatform::FolderIdentity(const std::string& path, mwn::FileIdentity& identity) {
  const std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (Failing(Op::FolderIdentity, path)) return false;
  const Node* node = Find(path);
  if (node == nullptr || !node->folder) return false;
  identity.volumeSerial = node->volume;
  identity.fileIndex = node->index;
  return true;
}

bool FakePlatform::DeleteFileAt(const std::string& path) {
  if (Failing(Op::DeleteFile, path)) return false;
  const Resolved target = Resolve(path);
  if (target.node == nullptr || target.node->folder || target.node->locked ||
      target.node->Running() ||
      (target.node->attributes & mwn::kAttrReadOnly) != 0 || ChangeRefused(target.parent)) {
    return false;
  }
  RemoveEntry(target.parent, target.position);
  return true;
}

std::uint32_t FakePlatform::CopyFileTo(const std::string& source, const std::string& destination,
                                       bool overwrite, const mwn::Progress& progress) {
  if (Failing(Op::CopyFile, destination, source)) return failCode;
  const Node* from = Find(source);
  if (from == nullptr || from->folder) return mwn::kErrorFileNotFound;
  if (from->denyRead) return mwn::kErrorAccessDenied;
  const Resolved to = Resolve(destination);
  if (to.parent == nullptr || to.lastName.empty()) return mwn::kErrorPathNotFound;
  if (ChangeRefused(to.parent) || ChangeRefused(to.node)) return mwn::kErrorAccessDenied;
  if (progress) progress();
  std::vector<std::uint8_t> bytes = from->bytes;
  if (corrupt && corrupt(Op::CopyFile, destination)) bytes = Corrupted(std::move(bytes));
  Node* file = to.node;
  if (file != nullptr) {
    if (!overwrite) return kErrorAlreadyExists;
    // As the system answers for a running program's executable.
    if (file->folder || file->locked || file->Running() ||
        (file->attributes & mwn::kAttrReadOnly) != 0) {
      return mwn::kErrorAccessDenied;
    }
    file->attributes = from->attributes;
  } else {
    file = NewNode(false, to.parent->volume, from->attributes);
    to.parent->entries.push_back({to.lastName, file});
  }
  file->bytes = std::move(bytes);
  file->unflushed = true;
  return mwn::kErrorSuccess;
}

std::uint32_t FakePlatform::MoveFileTo(const std::string& source, const std::string& destination,
                                       bool replace) {
  if (Failing(Op::MoveFile, destination, source)) return failCode;
  const Resolved from = Resolve(source);
  if (from.node == nullptr || from.node->folder || from.parent == nullptr) {
    return mwn::kErrorFileNotFound;
  }
  if (from.node->locked) return mwn::kErrorAccessDenied;
  const Resolved to = Resolve(destination);
  if (to.parent == nullptr || to.lastName.empty()) return mwn::kErrorPathNotFound;
  if (ChangeRefused(from.parent) || ChangeRefused(to.parent)) return mwn::kErrorAccessDenied;
  if (to.node == from.node) {  // a change of the name's case only
    if (!keepsSpellingOnRename) from.parent->entries[from.position].name = to.lastName;
    return mwn::kErrorSuccess;
  }
  if (to.node != nullptr) {
    if (!replace) return kErrorAlreadyExists;
    if (to.node->folder || to.node->locked || to.node->Running() ||
        (to.node->attributes & mwn::kAttrReadOnly) != 0) {
      return mwn::kErrorAccessDenied;
    }
    // The replaced entry keeps its stored name, as the volume keeps it.
    to.parent->entries[to.position].node = from.node;
    RemoveEntry(from.parent, from.position);
    return mwn::kErrorSuccess;
  }
  RemoveEntry(from.parent, from.position);
  to.parent->entries.push_back({to.lastName, from.node});
  return mwn::kErrorSuccess;
}

bool FakePlatform::FlushFileToDisk(const std::string& path, const mwn::Progress& progress) {
  if (Failing(Op::FlushFile, path)) return false;
  if (progress) progress();
  Node* node = Find(path);
  if (node == nullptr || node->folder || node->locked || node->Running()) return false;
  node->unflushed = false;
  return true;
}

std::string FakePlatform::StoredName(const std::string& path) {
  if (Failing(Op::StoredName, path)) return "";
  const Resolved found = Resolve(path);
  if (found.node == nullptr || found.parent == nullptr) return "";
  return found.parent->entries[found.position].name;
}

const FakePlatform::Node* FakePlatform::Readable(const std::string& path) const {
  const Node* node = Find(path);
  return node == nullptr || node->folder || node->denyRead ? nullptr : node;
}

bool FakePlatform::FileHoldsExactly(const std::string& path, const std::uint8_t* data,
                                    std::size_t size, const mwn::Progress& progress) {
  if (Failing(Op::FileHoldsExactly, path)) return false;
  if (progress) progress();
  const Node* node = Readable(path);
  return node != nullptr && node->bytes.size() == size &&
         std::equal(node->bytes.begin(), node->bytes.end(), data);
}

bool FakePlatform::FilesHoldSame(const std::string& a, const std::string& b,
                                 const mwn::Progress& progress) {
  if (Failing(Op::FilesHoldSame, a, b)) return false;
  if (progress) progress();
  const Node* first = Readable(a);
  const Node* second = Readable(b);
  return first != nullptr && second != nullptr && first->bytes == second->bytes;
}

bool FakePlatform::FileAttributesOf(const std::string& path, std::uint32_t& attributes) {
  if (Failing(Op::FileAttributes, path)) return false;
  const Node* node = Find(path);
  if (node == nullptr) return false;
  attributes = node->attributes | (node->folder ? mwn::kAttrDirectory : 0);
  return true;
}

void FakePlatform::SetAccessList(const std::string& path, const std::string& list) {
  FindOrDie(path)->accessList = list;
}

std::string FakePlatform::AccessListOf(const std::string& path) const {
  return FindOrDie(path)->accessList;
}

std::uint32_t FakePlatform::HideFileAt(const std::string& path) {
  if (Failing(Op::HideFile, path)) return failCode;
  Node* node = Find(path);
  if (node == nullptr) return mwn::kErrorFileNotFound;
  if (ChangeRefused(node)) return mwn::kErrorAccessDenied;
  node->attributes |= mwn::kAttrHidden;
  return mwn::kErrorSuccess;
}

std::string FakePlatform::TempPath() {
  if (Failing(Op::TempPath, "")) return "";
  return tempPath;
}

std::string FakePlatform::UniqueTempFile(const std::string& folder, const std::string& prefix,
                                         std::uint32_t& error) {
  error = mwn::kErrorSuccess;
  if (Failing(Op::UniqueTempFile, folder)) {
    error = failCode;
    return "";
  }
  const Node* parent = Find(folder);
  if (parent == nullptr || !parent->folder) {
    error = mwn::kErrorPathNotFound;
    return "";
  }
  if (ChangeRefused(parent)) {
    error = mwn::kErrorAccessDenied;
    return "";
  }
  for (;;) {
    char digits[8];
    std::snprintf(digits, sizeof digits, "%04X", tempCounter++ & 0xFFFF);
    const std::string path = Join(folder, prefix + digits + ".TMP");
    if (Find(path) != nullptr) continue;
    const Resolved place = Resolve(path);
    place.parent->entries.push_back({place.lastName, NewNode(false, place.parent->volume, 0)});
    return path;
  }
}

std::uint32_t FakePlatform::CreateFolder(const std::string& path) {
  if (Failing(Op::CreateFolder, path)) return failCode;
  return MakeFolder(path);
}

std::uint32_t FakePlatform::MakeFolder(const std::string& path) {
  const Resolved place = Resolve(path);
  if (place.parent == nullptr)
    return place.node != nullptr ? kErrorAlreadyExists : mwn::kErrorPathNotFound;
  if (place.node != nullptr) return kErrorAlreadyExists;
  if (ChangeRefused(place.parent)) return mwn::kErrorAccessDenied;
  place.parent->entries.push_back({place.lastName, NewNode(true, place.parent->volume, 0)});
  return mwn::kErrorSuccess;
}

std::unique_ptr<mwn::PrivateFolder> FakePlatform::CreatePrivateFolder(const std::string& path,
                                                                       std::uint32_t& error) {
  error = Failing(Op::CreatePrivateFolder, path) ? failCode : MakeFolder(path);
  if (error != mwn::kErrorSuccess) return nullptr;
  Node* folder = Find(path);
  folder->administratorsOnly = true;
  return std::make_unique<PrivateHold>(*this, folder, path);
}

std::uint32_t FakePlatform::RemoveFolder(const std::string& path) {
  if (Failing(Op::RemoveFolder, path)) return failCode;
  const Resolved target = Resolve(path);
  if (target.node == nullptr) return mwn::kErrorFileNotFound;
  if (!target.node->folder || target.parent == nullptr) return kErrorDirectory;
  if (!target.node->entries.empty()) return mwn::kErrorDirNotEmpty;
  RemoveEntry(target.parent, target.position);
  return mwn::kErrorSuccess;
}

std::unique_ptr<mwn::WritableFile> FakePlatform::CreateFileRW(const std::string& path,
                                                             std::uint32_t& error) {
  error = mwn::kErrorSuccess;
  if (Failing(Op::CreateFileRW, path)) {
    error = failCode;
    return nullptr;
  }
  const Resolved place = Resolve(path);
  Node* file = place.node;
  if (place.parent == nullptr || place.lastName.empty()) {
    error = mwn::kErrorPathNotFound;
  } else if (ChangeRefused(place.parent) || ChangeRefused(place.node)) {
    error = mwn::kErrorAccessDenied;
  } else if (file != nullptr && (file->folder || (file->attributes & mwn::kAttrReadOnly) != 0)) {
    error = mwn::kErrorAccessDenied;
  } else if (file != nullptr && (file->locked || file->Running())) {
    error = mwn::kErrorSharingViolation;
  }
  if (error != mwn::kErrorSuccess) return nullptr;
  if (file != nullptr) {
    file->bytes.clear();
  } else {
    file = NewNode(false, place.parent->volume, 0);
    place.parent->entries.push_back({place.lastName, file});
  }
  return std::make_unique<File>(*this, file, path);
}

bool FakePlatform::ReadWholeFile(const std::string& path, std::string& content) {
  if (Failing(Op::ReadWholeFile, path)) return false;
  const Node* node = Readable(path);
  if (node == nullptr) return false;
  content = FromBytes(node->bytes);
  return true;
}

// --- version information ------------------------------------------------------------

bool FakePlatform::ImageFileVersion(const std::uint8_t* data, std::size_t size,
                                    std::uint32_t& versionMS, std::uint32_t& versionLS) {
  return ParseVersionMarker(std::vector<std::uint8_t>(data, data + size), versionMS, versionLS);
}

// As the system reads a path: either separator, empty components and "."
// dropped, ".." taking one back (never above the root), trailing dots and
// spaces dropped from the last component.
std::string FakePlatform::FullPathName(const std::string& path) {
  if (Failing(Op::FullPathName, path)) return "";
  std::string plain = path;
  for (char& c : plain) {
    if (c == '/') c = '\\';
  }
  if (plain.size() < 3 || plain[1] != ':' || plain[2] != '\\') return "";
  std::vector<std::string> kept;
  for (const std::string& part : Components(plain.substr(3))) {
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (!kept.empty()) kept.pop_back();
      continue;
    }
    kept.push_back(part);
  }
  std::string full = plain.substr(0, 3);
  for (std::size_t i = 0; i < kept.size(); ++i) {
    std::string part = kept[i];
    if (i + 1 == kept.size()) {
      while (!part.empty() && (part.back() == '.' || part.back() == ' ')) part.pop_back();
    }
    full += (i > 0 ? "\\" : "") + part;
  }
  return full;
}


std::uint32_t FakePlatform::VersionInfoSize(const std::string& path) {
  if (Failing(Op::VersionInfoSize, path)) return 0;
  const Node* node = Find(path);
  std::uint32_t ms = 0;
  std::uint32_t ls = 0;
  if (node == nullptr || node->folder || node->denyRead ||
      !ParseVersionMarker(node->bytes, ms, ls)) {
    return 0;
  }
  return kVersionBlockSize;
}

bool FakePlatform::VersionInfo(const std::string& path, std::vector<std::uint8_t>& data) {
  if (Failing(Op::VersionInfo, path)) return false;
  const Node* node = Find(path);
  std::uint32_t ms = 0;
  std::uint32_t ls = 0;
  if (node == nullptr || node->folder || node->denyRead || data.size() < kVersionBlockSize ||
      !ParseVersionMarker(node->bytes, ms, ls)) {
    return false;
  }
  std::copy(kVersionBlockMagic, kVersionBlockMagic + 4, data.begin());
  PutWord(data, 4, ms);
  PutWord(data, 8, ls);
  return true;
}

bool FakePlatform::RootFileVersion(const std::vector<std::uint8_t>& data, std::uint32_t& versionMS,
                                   std::uint32_t& versionLS) {
  if (Failing(Op::RootFileVersion, "")) return false;
  if (data.size() < kVersionBlockSize ||
      !std::equal(kVersionBlockMagic, kVersionBlockMagic + 4, data.begin())) {
    return false;
  }
  versionMS = GetWord(data, 4);
  versionLS = GetWord(data, 8);
  return true;
}

// --- the program itself ------------------------------------------------------------------

void FakePlatform::ForgetOwnResourceBytes(const std::uint8_t* data, std::size_t size) {
  resourceForgotten = std::max(resourceForgotten, (data - resource.data()) + size);
}

bool FakePlatform::OwnResource(const std::string& type, const std::string& name,
                               const std::uint8_t*& data, std::size_t& size) {
  if (Failing(Op::OwnResource, type + "/" + name)) return false;
  if (type == "#16" && name == "#1") {  // the executable's version block, as VersionInfo reads it
    ownVersion_.assign(kVersionBlockSize, 0);
    if (!VersionInfo(executablePath, ownVersion_)) return false;
    data = ownVersion_.data();
    size = ownVersion_.size();
    return true;
  }
  if (!hasResource || type != mwn::kPayloadResourceType || name != mwn::kPayloadResourceName) return false;
  data = resource.data();
  size = resource.size();
  return true;
}

std::string FakePlatform::ExecutablePath() {
  Failing(Op::ExecutablePath, "");
  return executablePath;
}

bool FakePlatform::EqualIgnoringCase(const std::string& a, const std::string& b) {
  const std::lock_guard<std::recursive_mutex> lock(mutex_);
  Failing(Op::EqualIgnoringCase, a, b);
  return SameIgnoringCase(a, b);
}

namespace {

class FakeLock : public mwn::MachineLock {
 public:
  FakeLock(int& held, const std::function<void()>& released) : held_(held), released_(released) {
    ++held_;
  }
  ~FakeLock() override {
    --held_;
    released_();
  }

 private:
  int& held_;
  std::function<void()> released_;
};

class FakeLog : public mwn::LogFile {
 public:
  explicit FakeLog(std::vector<std::string>& lines) : lines_(lines) {}
  bool WriteLine(const std::string& line) override {
    lines_.push_back(line);
    return true;
  }

 private:
  std::vector<std::string>& lines_;
};

}  // namespace

// As the system's: with an administrator's rights, a name in the shared
// namespace that others hold is passed over.
std::unique_ptr<mwn::MachineLock> FakePlatform::TakeMachineLock(const std::string&) {
  if (locksHeld > 0 || lockedByAdministratorsRun || (lockedByOther && !elevated)) {
    Event("lock:held");
    return nullptr;
  }
  Event("lock:taken");
  return std::make_unique<FakeLock>(locksHeld, [this] { Event("lock:released"); });
}

std::string FakePlatform::AdministratorsLogFolder(std::uint32_t& error) {
  const std::lock_guard<std::recursive_mutex> lock(mutex_);
  const std::string folder = windowsFolder + "\\Logs\\MwnUpdate";
  EnsureFolder(windowsFolder + "\\Logs");
  const Resolved place = Resolve(folder);
  if (place.node == nullptr) {
    error = MakeFolder(folder);
  } else if (place.parent->entries[place.position].link) {
    error = mwn::kErrorReparsePointEncountered;
  } else if (!place.node->folder) {
    error = mwn::kErrorDirectory;
  } else {
    error = place.node->ownedByStandardUser ? mwn::kErrorInvalidOwner : mwn::kErrorSuccess;
  }
  return folder;
}

// With an administrator's rights, as through a folder held one step at a
// time: no link on the way is followed, and a log a standard user made
// beforehand is refused.
std::unique_ptr<mwn::LogFile> FakePlatform::OpenLogFile(const std::string& path,
                                                        std::uint32_t& error) {
  if (!logOpens) {
    error = mwn::kErrorPathNotFound;
    return nullptr;
  }
  const Node* existing = Find(path);
  if (elevated && CrossesLink(path)) {
    error = mwn::kErrorAccessDenied;
    return nullptr;
  }
  if (elevated && existing != nullptr && existing->ownedByStandardUser) {
    error = mwn::kErrorInvalidOwner;
    return nullptr;
  }
  return std::make_unique<FakeLog>(logs[path]);
}

std::unique_ptr<mwn::LogFile> FakePlatform::OpenReportFile(const std::string& path,
                                                           std::uint32_t& error) {
  if (!OpenLogFile(path, error)) return nullptr;
  logs.erase(path);
  reports[path].clear();
  return std::make_unique<FakeLog>(reports[path]);
}

std::vector<mwn::RunningProgram> FakePlatform::ProgramsHolding(const std::string& path) {
  const auto found = holders.find(path);
  if (found != holders.end()) return found->second;
  const Node* node = Find(path);
  return node != nullptr ? node->runningAs : std::vector<mwn::RunningProgram>{};
}

std::uint32_t FakePlatform::WriteStatus(bool machine, const std::vector<mwn::StatusValue>& values) {
  ++statusWrites;
  if (statusAnswer != mwn::kErrorSuccess) return statusAnswer;
  for (const mwn::StatusValue& value : values) {
    registry[std::string(machine ? "HKLM\\" : "HKCU\\") + value.name] =
        value.isNumber ? std::to_string(value.number) : value.text;
  }
  return mwn::kErrorSuccess;
}

std::string FakePlatform::SystemMessage(std::uint32_t code) {
  return "message " + std::to_string(code);
}

bool FakePlatform::RunningElevated() {
  Failing(Op::RunningElevated, "");
  return elevated;
}

std::uint32_t FakePlatform::RunElevated(const std::string& arguments,
                                        const mwn::Progress& whileWaiting,
                                        std::uint32_t& exitCode) {
  if (Failing(Op::RunElevated, arguments)) return failCode;
  if (elevationAnswer != mwn::kErrorSuccess) return elevationAnswer;
  if (whileWaiting) whileWaiting();
  exitCode = elevatedInstance ? elevatedInstance(arguments) : 0;
  return mwn::kErrorSuccess;
}

void FakePlatform::PayListingDelay(const std::string& pattern) {
  std::chrono::microseconds delay{0};
  {
    const std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (listingDelay) delay = listingDelay(pattern);
  }
  if (delay.count() <= 0) return;
  std::unique_lock<std::mutex> lock(delayMutex_);
  delayEnds_.wait_for(lock, delay, [this] { return cancelBlocked_; });
}

// --- threads ---------------------------------------------------------------------

std::unique_ptr<mwn::WorkLock> FakePlatform::NewWorkLock() {
  return std::make_unique<FakeWorkLock>(messagesWhileWaiting);
}

std::unique_ptr<mwn::WorkerThreads> FakePlatform::StartWorkerThreads(
    unsigned count, const std::function<void()>& body, const mwn::Progress& whileJoining) {
  count = std::min(count, threadLimit);
  if (count == 0) return nullptr;
  threadCounts.push_back(count);
  liveThreads += static_cast<int>(count);
  return std::make_unique<FakeWorkerThreads>(
      count, body, whileJoining,
      [this](bool cancel) {
        const std::lock_guard<std::mutex> lock(delayMutex_);
        cancelBlocked_ = cancel;
        delayEnds_.notify_all();
      },
      [this] { --liveThreads; });
}

// --- user interface ----------------------------------------------------------------------

void FakePlatform::ProcessMessages() {
  ++pumps;
  if (onPump) onPump();
}

std::uint32_t FakePlatform::TickCount() {
  tick += tickStep;
  return tick;
}

void FakePlatform::Pause(std::uint32_t milliseconds) {
  Failing(Op::Pause, "");
  tick += milliseconds;
  ProcessMessages();
}

int FakePlatform::ShowMessageBox(const std::string& text, const std::string& caption,
                                 unsigned flags) {
  Failing(Op::ShowMessageBox, caption);
  boxes.push_back({text, caption, flags});
  Event("box:" + caption);
  if (!boxAnswers.empty()) {
    const int answer = boxAnswers.front();
    boxAnswers.pop_front();
    return answer;
  }
  return (flags & 0x0F) == mwn::kMbYesNo ? mwn::kIdYes : mwn::kIdOk;
}

void FakePlatform::SetWaitCursor(bool wait) {
  Failing(Op::SetWaitCursor, "");
  cursorHistory.push_back(wait);
  Event(wait ? "cursor:wait" : "cursor:normal");
}
