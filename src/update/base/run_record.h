// What a run found and did, kept as it goes for the report (/report) and
// the status that detection rules read: one entry per copy found.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/process.h"
#include "update/base/version.h"

namespace mwn {

enum class CopyOutcome {
  kUpdated,
  kNotUpdated,
  kLeftForUser,
  // Newer than the replacement: never touched.
  kNewer,
  // What a check finds: at least the replacement's version, or older.
  kCurrent,
  kWouldUpdate,
};

struct CopyRecord {
  std::string path;
  bool versionKnown = false;
  VersionStamp versionBefore;
  CopyOutcome outcome = CopyOutcome::kNotUpdated;
  std::uint32_t error = 0;
  std::string reason;
  std::vector<RunningProgram> heldBy;
};

struct RunRecord {
  // "interactive", "quiet", "check".
  std::string mode;
  bool elevated = false;
  bool system = false;
  bool updaterKnown = false;
  VersionStamp updater;
  bool replacementKnown = false;
  VersionStamp replacement;
  LocalTime started;
  LocalTime ended;
  int exitCode = 0;
  // The scan began: the run's end counts for the status.
  bool searched = false;
  std::vector<std::string> locations;
  std::vector<CopyRecord> copies;

  // The entry of the copy at `path`, made when missing.
  CopyRecord& Copy(const std::string& path);
  // Copies the run could act on that are still older than the replacement;
  // one whose version was not read (no log, no report) and that was not
  // updated counts too.
  std::uint32_t CopiesLeft() const;
};

// "2026-03-01T14:05:09Z"
std::string UtcStamp(const LocalTime& time);
// The record as one JSON document.
std::string ReportJson(const RunRecord& record);

}  // namespace mwn
