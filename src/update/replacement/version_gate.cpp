#include "update/replacement/version_gate.h"

#include "update/base/version.h"
#include "update/base/window.h"
#include "update/replacement/copy_folders.h"

namespace mwn {

GateVerdict JudgeCopies(CopyFolders& folders, const VersionStamp* replacement,
                        const StringList& copies) {
  GateVerdict verdict;
  if (replacement == nullptr) return verdict;
  verdict.update = true;
  for (int i = 0; i < copies.Count(); ++i) {
    const std::string copy = copies.Get(i);
    VersionStamp stamp;
    if (!folders.ActsOn(copy) || !folders.Version(copy, stamp) || !(*replacement < stamp)) {
      continue;
    }
    if (folders.MayHoldBack(copy)) {
      verdict.update = false;
    } else {
      verdict.newerLeft.insert(copy);
    }
  }
  return verdict;
}

}  // namespace mwn
