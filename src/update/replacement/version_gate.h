// The version gate: whether the replacement may go over the copies found.
#pragma once

#include <set>
#include <string>

namespace mwn {

class CopyFolders;
class StringList;
struct VersionStamp;

struct GateVerdict {
  bool update = false;
  // Newer than the replacement, in folders where that holds nothing back:
  // left as they are, never made older.
  std::set<std::string> newerLeft;
};

// The copies in `copies` that the run acts on, each version read through
// the folder the replacement would act in. The run updates when the
// `replacement` version (null: it has none that can be read) is at least as
// new as every readable copy that may hold it back (CopyFolders::
// MayHoldBack); a newer copy anywhere else is only left alone, for anyone
// may have put it there. A replacement without a readable version never
// updates.
GateVerdict JudgeCopies(CopyFolders& folders, const VersionStamp* replacement,
                        const StringList& copies);

}  // namespace mwn
