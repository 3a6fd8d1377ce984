#include "update/path.h"

namespace mwn {

std::string JoinPath(const std::string& folder, const std::string& name) {
  std::string joined;
  joined.reserve(folder.size() + 1 + name.size());
  joined = folder;
  joined += name;
  // The last component of folder + name is the name itself exactly when the
  // folder already ends in a separator (or is empty).
  const std::size_t separator = joined.find_last_of("\\:");
  const std::size_t lastStart = separator == std::string::npos ? 0 : separator + 1;
  if (joined.compare(lastStart, std::string::npos, name) == 0) return joined;
  joined.insert(folder.size(), 1, '\\');
  return joined;
}

}  // namespace mwn
