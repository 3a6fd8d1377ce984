#include "update/replacement/path_folder.h"

#include <new>
#include <vector>

#include "update/base/path.h"

namespace mwn {

std::string PathFolder::PathOf(const std::string& name) const { return JoinPath(folder_, name); }

bool PathFolder::Attributes(const std::string& name, std::uint32_t& attributes) {
  return platform_.FileAttributesOf(PathOf(name), attributes);
}

std::string PathFolder::NewTempFile(const std::string& prefix, std::uint32_t& error) {
  const std::string path = platform_.UniqueTempFile(folder_, prefix, error);
  return path.empty() ? "" : NameOfPath(path);
}

// The system's call for a new file replaces one of the same name; the
// staged names this is used for are fresh ones.
std::unique_ptr<WritableFile> PathFolder::CreateNew(const std::string& name,
                                                    std::uint32_t& error) {
  return platform_.CreateFileRW(PathOf(name), error);
}

std::unique_ptr<WritableFile> PathFolder::Rewrite(const std::string& name, std::uint32_t& error) {
  return platform_.CreateFileRW(PathOf(name), error);
}

std::uint32_t PathFolder::Copy(const std::string& from, const std::string& to,
                               const Progress& progress) {
  return platform_.CopyFileTo(PathOf(from), PathOf(to), true, progress);
}

std::uint32_t PathFolder::Rename(const std::string& from, const std::string& to, bool replace) {
  return platform_.MoveFileTo(PathOf(from), PathOf(to), replace);
}

bool PathFolder::Flush(const std::string& name, const Progress& progress) {
  return platform_.FlushFileToDisk(PathOf(name), progress);
}

bool PathFolder::HoldsExactly(const std::string& name, const std::uint8_t* data, std::size_t size,
                              const Progress& progress) {
  return platform_.FileHoldsExactly(PathOf(name), data, size, progress);
}

bool PathFolder::Same(const std::string& a, const std::string& b, const Progress& progress) {
  return platform_.FilesHoldSame(PathOf(a), PathOf(b), progress);
}

std::string PathFolder::StoredName(const std::string& name) {
  return platform_.StoredName(PathOf(name));
}

bool PathFolder::Delete(const std::string& name) { return platform_.DeleteFileAt(PathOf(name)); }

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

}  // namespace mwn
