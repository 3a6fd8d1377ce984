#include "update/replacement/path_folder.h"

#include <new>
#include <vector>

#include "platform/error_codes.h"
#include "update/base/path.h"

namespace mwn {

std::string PathFolder::PathOf(const std::string& name) const { return JoinPath(folder_, name); }

// The by-path calls give a code where they have one, and nothing else.
std::uint32_t PathFolder::NotedCode(const char* step, std::uint32_t error) {
  return error == kErrorSuccess ? error : Failed(step, error);
}

bool PathFolder::NotedDone(const char* step, bool done) {
  if (!done) Failed(step, kErrorSuccess);
  return done;
}

bool PathFolder::Attributes(const std::string& name, std::uint32_t& attributes) {
  // None is an answer (no such entry), not a failed step.
  return platform_.FileAttributesOf(PathOf(name), attributes);
}

std::string PathFolder::NewTempFile(const std::string& prefix, std::uint32_t& error) {
  const std::string path = platform_.UniqueTempFile(folder_, prefix, error);
  if (path.empty()) Failed("create", error);
  return path.empty() ? "" : NameOfPath(path);
}

// The system's call for a new file replaces one of the same name; the
// staged names this is used for are fresh ones.
std::unique_ptr<WritableFile> PathFolder::CreateNew(const std::string& name,
                                                    std::uint32_t& error) {
  std::unique_ptr<WritableFile> file = platform_.CreateFileRW(PathOf(name), error);
  if (!file) Failed("create", error);
  return file;
}

std::unique_ptr<WritableFile> PathFolder::Rewrite(const std::string& name, std::uint32_t& error) {
  std::unique_ptr<WritableFile> file = platform_.CreateFileRW(PathOf(name), error);
  if (!file) Failed("open to rewrite", error);
  return file;
}

std::uint32_t PathFolder::Copy(const std::string& from, const std::string& to,
                               const Progress& progress) {
  return NotedCode("copy", platform_.CopyFileTo(PathOf(from), PathOf(to), true, progress));
}

std::uint32_t PathFolder::Rename(const std::string& from, const std::string& to, bool replace) {
  return NotedCode("rename", platform_.MoveFileTo(PathOf(from), PathOf(to), replace));
}

bool PathFolder::Flush(const std::string& name, const Progress& progress) {
  return NotedDone("flush", platform_.FlushFileToDisk(PathOf(name), progress));
}

bool PathFolder::HoldsExactly(const std::string& name, const std::uint8_t* data, std::size_t size,
                              const Progress& progress) {
  return NotedDone("compare", platform_.FileHoldsExactly(PathOf(name), data, size, progress));
}

bool PathFolder::Same(const std::string& a, const std::string& b, const Progress& progress) {
  return NotedDone("compare", platform_.FilesHoldSame(PathOf(a), PathOf(b), progress));
}

std::string PathFolder::StoredName(const std::string& name) {
  return platform_.StoredName(PathOf(name));
}

bool PathFolder::Delete(const std::string& name) {
  return NotedDone("delete", platform_.DeleteFileAt(PathOf(name)));
}

// By the system's version calls: a standard run reads only what its user
// could read anyway.
bool PathFolder::FileVersion(const std::string& name, std::uint32_t& versionMS,
                             std::uint32_t& versionLS) {
  const std::string path = PathOf(name);
  std::vector<std::uint8_t> data;
  try {
    data.resize(platform_.VersionInfoSize(path));
  } catch (const std::bad_alloc&) {
    return false;
  }
  return !data.empty() && platform_.VersionInfo(path, data) &&
         platform_.RootFileVersion(data, versionMS, versionLS);
}

std::vector<std::string> PathFolder::FileNames() {
  std::vector<std::string> names;
  const std::unique_ptr<FolderListing> listing = platform_.ListFolder(PathOf("*.*"));
  DirEntry entry;
  while (listing && listing->Next(entry) == ListStep::kEntry) {
    if ((entry.attributes & (kAttrDirectory | kAttrReparsePoint)) == 0) names.push_back(entry.name);
  }
  return names;
}

std::uint32_t PathFolder::Hide(const std::string& name) {
  return platform_.HideFileAt(PathOf(name));
}

}  // namespace mwn
