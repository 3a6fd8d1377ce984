#include "update/replacement/path_folder.h"

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

std::uint32_t PathFolder::Hide(const std::string& name) {
  return platform_.HideFileAt(PathOf(name));
}

}  // namespace mwn
