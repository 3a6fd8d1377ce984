#include "fake_held_folder.h"

#include <cstdio>

#include "payload/payload.h"

namespace {

constexpr std::uint32_t kErrorAlreadyExists = 183;

}  // namespace

FakePlatform::HeldEntries::HeldEntries(FakePlatform& platform, Node* folder)
    : platform_(platform),
      folder_(folder),
      root_("\\\\HELD\\" + std::to_string(reinterpret_cast<std::uintptr_t>(folder))) {
  platform_.roots_[root_] = folder_;
  ++folder_->holds;
  ++platform_.openHandles_;
}

FakePlatform::HeldEntries::~HeldEntries() {
  platform_.roots_.erase(root_);
  --folder_->holds;
  --platform_.openHandles_;
}

bool FakePlatform::HeldEntries::NoLink(const std::string& name) const {
  const Entry* entry = platform_.EntryAt(PathOf(name));
  return entry == nullptr || !entry->link;
}

bool FakePlatform::HeldEntries::Attributes(const std::string& name, std::uint32_t& attributes) {
  if (!NoLink(name)) {
    attributes = mwn::kAttrDirectory | mwn::kAttrReparsePoint;
    return true;
  }
  return platform_.FileAttributesOf(PathOf(name), attributes);
}

std::string FakePlatform::HeldEntries::NewTempFile(const std::string& prefix,
                                                   std::uint32_t& error) {
  for (;;) {
    const std::string name = platform_.RandomTempName(prefix);
    if (name.empty()) {
      error = platform_.failCode;
      return "";
    }
    if (platform_.EntryAt(PathOf(name)) != nullptr) continue;
    if (CreateNew(name, error) == nullptr) return "";
    return name;
  }
}

std::unique_ptr<mwn::WritableFile> FakePlatform::HeldEntries::CreateNew(const std::string& name,
                                                                        std::uint32_t& error) {
  if (platform_.EntryAt(PathOf(name)) != nullptr) {
    error = Failed("create", kErrorAlreadyExists);
    return nullptr;
  }
  auto file = platform_.CreateFileRW(PathOf(name), error);
  if (file == nullptr) Failed("create", error);
  return file;
}

std::unique_ptr<mwn::WritableFile> FakePlatform::HeldEntries::Rewrite(const std::string& name,
                                                                      std::uint32_t& error) {
  if (!NoLink(name)) {
    error = Failed("open to rewrite", mwn::kErrorAccessDenied);
    return nullptr;
  }
  auto file = platform_.CreateFileRW(PathOf(name), error);
  if (file == nullptr) Failed("open to rewrite", error);
  return file;
}

std::uint32_t FakePlatform::HeldEntries::Copy(const std::string& from, const std::string& to,
                                              const mwn::Progress& progress) {
  if (!NoLink(from) || !NoLink(to)) return Failed("copy", mwn::kErrorAccessDenied);
  const std::uint32_t error = platform_.CopyFileTo(PathOf(from), PathOf(to), true, progress);
  return error == mwn::kErrorSuccess ? error : Failed("copy", error);
}

std::uint32_t FakePlatform::HeldEntries::Rename(const std::string& from, const std::string& to,
                                                bool replace) {
  if (!NoLink(from) || !NoLink(to)) return Failed("rename", mwn::kErrorAccessDenied);
  const std::uint32_t error = platform_.MoveFileTo(PathOf(from), PathOf(to), replace);
  return error == mwn::kErrorSuccess ? error : Failed("rename", error);
}

bool FakePlatform::HeldEntries::Flush(const std::string& name, const mwn::Progress& progress) {
  return NoLink(name) && platform_.FlushFileToDisk(PathOf(name), progress);
}

bool FakePlatform::HeldEntries::HoldsExactly(const std::string& name, const std::uint8_t* data,
                                             std::size_t size, const mwn::Progress& progress) {
  return NoLink(name) && platform_.FileHoldsExactly(PathOf(name), data, size, progress);
}

bool FakePlatform::HeldEntries::Same(const std::string& a, const std::string& b,
                                     const mwn::Progress& progress) {
  return NoLink(a) && NoLink(b) && platform_.FilesHoldSame(PathOf(a), PathOf(b), progress);
}

std::string FakePlatform::HeldEntries::StoredName(const std::string& name) {
  return platform_.StoredName(PathOf(name));
}

bool FakePlatform::HeldEntries::Delete(const std::string& name) {
  return NoLink(name) && platform_.DeleteFileAt(PathOf(name));
}

bool FakePlatform::HeldEntries::FileVersion(const std::string& name, std::uint32_t& versionMS,
                                            std::uint32_t& versionLS) {
  if (platform_.Failing(Op::EntryVersion, PathOf(name)) || !NoLink(name)) return false;
  const Node* node = platform_.Readable(PathOf(name));
  return node != nullptr &&
         platform_.ImageFileVersion(node->bytes.data(), node->bytes.size(), versionMS, versionLS);
}

std::vector<std::string> FakePlatform::HeldEntries::FileNames() {
  std::vector<std::string> names;
  if (platform_.Failing(Op::ListFolder, root_)) return names;
  for (const Entry& entry : folder_->entries) {
    if (!entry.link && !entry.node->folder) names.push_back(entry.name);
  }
  return names;
}

std::uint32_t FakePlatform::HeldEntries::Hide(const std::string& name) {
  return NoLink(name) ? platform_.HideFileAt(PathOf(name)) : mwn::kErrorAccessDenied;
}

std::uint32_t FakePlatform::HeldEntries::KeepAccessList(const std::string& from,
                                                        const std::string& to) {
  if (!NoLink(from) || !NoLink(to)) return Failed("keep the access list", mwn::kErrorAccessDenied);
  if (platform_.Failing(Op::KeepAccessList, PathOf(to), PathOf(from))) {
    return Failed("keep the access list", platform_.failCode);
  }
  const Node* source = platform_.Find(PathOf(from));
  Node* target = platform_.Find(PathOf(to));
  if (source == nullptr || target == nullptr) {
    return Failed("keep the access list", mwn::kErrorFileNotFound);
  }
  target->accessList = source->accessList;
  return mwn::kErrorSuccess;
}

std::uint32_t FakePlatform::HeldEntries::DeleteAtRestart(const std::string& name) {
  if (platform_.Failing(Op::DeleteAtRestart, PathOf(name))) return platform_.failCode;
  if (!platform_.elevated || !folder_->administratorsOnly || !NoLink(name)) {
    return mwn::kErrorAccessDenied;
  }
  platform_.deletionsAtRestart.push_back(name);
  return mwn::kErrorSuccess;
}

// --- the platform's calls around held folders and rights ------------------------

std::unique_ptr<mwn::HeldFolder> FakePlatform::HoldFolder(const std::string& path,
                                                          std::uint32_t& error) {
  error = mwn::kErrorSuccess;
  if (Failing(Op::HoldFolder, path)) {
    error = failCode;
    return nullptr;
  }
  const Entry* entry = EntryAt(path);
  Node* folder = Find(path);
  if (folder == nullptr) {
    error = mwn::kErrorPathNotFound;
  } else if (!folder->folder || (entry != nullptr && entry->link)) {
    error = mwn::kErrorAccessDenied;
  }
  if (error != mwn::kErrorSuccess) return nullptr;
  return std::make_unique<HeldEntries>(*this, folder);
}

bool FakePlatform::ChangeRefused(const Node* node) const {
  return node != nullptr && node->administratorsOnly && !elevated;
}

const FakePlatform::Entry* FakePlatform::EntryAt(const std::string& path) const {
  const Resolved found = Resolve(path);
  if (found.parent == nullptr || found.node == nullptr) return nullptr;
  return &found.parent->entries[found.position];
}

bool FakePlatform::CrossesLink(const std::string& path) const {
  for (std::size_t cut = path.find('\\', 3); cut != std::string::npos;
       cut = path.find('\\', cut + 1)) {
    const Entry* entry = EntryAt(path.substr(0, cut));
    if (entry != nullptr && entry->link) return true;
  }
  const Entry* last = EntryAt(path);
  return last != nullptr && last->link;
}

std::string FakePlatform::RandomTempName(const std::string& prefix) {
  if (Failing(Op::RandomTempName, prefix)) return "";
  char digits[20];
  std::snprintf(digits, sizeof digits, "%016llX",
                static_cast<unsigned long long>(randomCounter_++ * 0x9E3779B97F4A7C15ull));
  return prefix + digits + ".tmp";
}

// --- a standard user's moves ----------------------------------------------------

// The adversary is another user, or a program of the run's own account
// without an administrator's rights.
bool FakePlatform::OthersMayChange(const Node* folder) {
  return folder->trust == mwn::FolderTrust::kChangeable ||
         folder->trust == mwn::FolderTrust::kRunAccountOnly;
}

// The files in it at the time too: their own access lists, inherited from
// the folder, refuse a standard user's writes wherever a link names them.
void FakePlatform::SetAdministratorsOnly(const std::string& folder) {
  SetTrust(folder, mwn::FolderTrust::kAdministratorsOnly);
}

void FakePlatform::SetTrust(const std::string& folder, mwn::FolderTrust trust) {
  Node* node = FindOrDie(folder);
  node->trust = trust;
  node->administratorsOnly = trust == mwn::FolderTrust::kAdministratorsOnly;
  for (const Entry& entry : node->entries) {
    if (!entry.node->folder && !OthersMayChange(node)) entry.node->administratorsOnly = true;
  }
}

bool FakePlatform::SwapFolderForLink(const std::string& path, const std::string& target) {
  const Resolved found = Resolve(path);
  Node* targetFolder = Find(target);
  if (found.parent == nullptr || found.node == nullptr || targetFolder == nullptr ||
      !OthersMayChange(found.parent) || found.node->holds > 0) {
    return false;
  }
  Entry& entry = found.parent->entries[found.position];
  entry.node = targetFolder;
  entry.link = true;
  return true;
}

bool FakePlatform::PlantHardLink(const std::string& path, const std::string& target) {
  const Resolved found = Resolve(path);
  Node* targetFile = Find(target);
  if (found.parent == nullptr || found.node == nullptr || found.node->folder ||
      targetFile == nullptr || targetFile->folder ||
      !(OthersMayChange(found.parent) || (found.parent->trust == mwn::FolderTrust::kUsersMayAdd &&
                                          found.node->ownedByStandardUser))) {
    return false;
  }
  found.parent->entries[found.position].node = targetFile;
  return true;
}

bool FakePlatform::TakeNextTempName(const std::string& folder) {
  Node* parent = Find(folder);
  if (parent == nullptr || !parent->folder ||
      parent->trust == mwn::FolderTrust::kAdministratorsOnly) {
    return false;
  }
  char digits[8];
  std::snprintf(digits, sizeof digits, "%04X", tempCounter & 0xFFFF);
  const std::string name = std::string(mwn::kTempPrefix) + digits + ".TMP";
  for (const Entry& entry : parent->entries) {
    if (SameIgnoringCase(entry.name, name)) return false;
  }
  parent->entries.push_back({name, NewNode(false, parent->volume, 0)});
  return true;
}
