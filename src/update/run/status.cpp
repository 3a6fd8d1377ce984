#include "update/run/status.h"

#include <vector>

#include "platform/platform.h"
#include "update/base/run_log.h"
#include "update/base/run_record.h"

namespace mwn {

namespace {

StatusValue Text(const std::string& name, const std::string& text) {
  StatusValue value;
  value.name = name;
  value.text = text;
  return value;
}

StatusValue Number(const std::string& name, std::uint32_t number) {
  StatusValue value;
  value.name = name;
  value.isNumber = true;
  value.number = number;
  return value;
}

}  // namespace

void WriteRunStatus(Platform& platform, const RunRecord& record) {
  if (!record.searched || record.mode == "check") return;
  const std::vector<StatusValue> values = {
      Text("Version", record.replacementKnown ? VersionText(record.replacement) : ""),
      Number("ExitCode", static_cast<std::uint32_t>(record.exitCode)),
      Number("CopiesLeft", record.CopiesLeft()),
      Text("LastRun", UtcStamp(record.ended)),
  };
  platform.WriteStatus(record.elevated, values);
}

}  // namespace mwn
