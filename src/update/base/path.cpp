#include "update/base/path.h"

#include "platform/platform.h"
#include "platform/wtf8.h"

namespace mwn {

namespace {

std::size_t NameStart(const std::string& path) {
  const std::size_t separator = path.find_last_of("\\:");
  return separator == std::string::npos ? 0 : separator + 1;
}

}  // namespace

std::string JoinPath(const std::string& folder, const std::string& name) {
  std::string joined;
  joined.reserve(folder.size() + 1 + name.size());
  joined = folder;
  joined += name;
  // The last component of folder + name is the name itself exactly when the
  // folder already ends in a separator (or is empty).
  if (joined.compare(NameStart(joined), std::string::npos, name) == 0) return joined;
  joined.insert(folder.size(), 1, '\\');
  return joined;
}

bool WithinPathLimit(const std::string& path) { return Utf16Length(path) < kMaxPath; }

bool IsOnDriveLetter(const std::string& path) {
  const char letter = path.empty() ? '\0' : path[0];
  return path.size() >= 3 && ((letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z')) &&
         path[1] == ':' && path[2] == '\\';
}

std::string FolderOfPath(const std::string& path) {
  const std::size_t cut = path.find_last_of('\\');
  if (cut == std::string::npos) return "";
  if (cut == 0 || path[cut - 1] == ':') return path.substr(0, cut + 1);
  return path.substr(0, cut);
}

std::string NameOfPath(const std::string& path) { return path.substr(NameStart(path)); }

}  // namespace mwn
