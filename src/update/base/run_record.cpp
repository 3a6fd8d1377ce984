#include "update/base/run_record.h"

#include <cstdio>

#include "update/base/json.h"
#include "update/base/run_log.h"

namespace mwn {

namespace {

const char* OutcomeName(CopyOutcome outcome) {
  switch (outcome) {
    case CopyOutcome::kUpdated:
      return "updated";
    case CopyOutcome::kNotUpdated:
      return "notUpdated";
    case CopyOutcome::kLeftForUser:
      return "leftForUser";
    case CopyOutcome::kNewer:
      return "newer";
    case CopyOutcome::kCurrent:
      return "current";
    case CopyOutcome::kWouldUpdate:
      return "wouldUpdate";
  }
  return "";
}

void VersionOrNull(JsonWriter& json, bool known, const VersionStamp& version) {
  if (known) {
    json.String(VersionText(version));
  } else {
    json.Null();
  }
}

void Holders(JsonWriter& json, const std::vector<RunningProgram>& programs) {
  json.BeginArray();
  for (const RunningProgram& program : programs) {
    json.BeginObject();
    json.Key("image");
    json.String(program.image);
    json.Key("path");
    json.String(program.path);
    json.Key("pid");
    json.Number(program.pid);
    json.Key("session");
    json.Number(program.session);
    json.EndObject();
  }
  json.EndArray();
}

void Copy(JsonWriter& json, const CopyRecord& copy) {
  json.BeginObject();
  json.Key("path");
  json.String(copy.path);
  json.Key("versionBefore");
  VersionOrNull(json, copy.versionKnown, copy.versionBefore);
  json.Key("outcome");
  json.String(OutcomeName(copy.outcome));
  json.Key("error");
  json.Number(copy.error);
  json.Key("reason");
  json.String(copy.reason);
  json.Key("heldBy");
  Holders(json, copy.heldBy);
  json.EndObject();
}

}  // namespace

CopyRecord& RunRecord::Copy(const std::string& path) {
  for (CopyRecord& copy : copies) {
    if (copy.path == path) return copy;
  }
  copies.push_back(CopyRecord{});
  copies.back().path = path;
  return copies.back();
}

std::uint32_t RunRecord::CopiesLeft() const {
  std::uint32_t left = 0;
  for (const CopyRecord& copy : copies) {
    const bool older = !copy.versionKnown || !replacementKnown || copy.versionBefore < replacement;
    if (copy.outcome == CopyOutcome::kNotUpdated && older) ++left;
  }
  return left;
}

std::string UtcStamp(const LocalTime& time) {
  char text[32];
  std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02uZ", time.year, time.month,
                time.day, time.hour, time.minute, time.second);
  return text;
}

std::string ReportJson(const RunRecord& record) {
  JsonWriter json;
  json.BeginObject();
  json.Key("updater");
  VersionOrNull(json, record.updaterKnown, record.updater);
  json.Key("replacement");
  VersionOrNull(json, record.replacementKnown, record.replacement);
  json.Key("mode");
  json.String(record.mode);
  json.Key("elevated");
  json.Bool(record.elevated);
  json.Key("system");
  json.Bool(record.system);
  json.Key("started");
  json.String(UtcStamp(record.started));
  json.Key("ended");
  json.String(UtcStamp(record.ended));
  json.Key("exitCode");
  json.Number(record.exitCode);
  json.Key("locations");
  json.BeginArray();
  for (const std::string& location : record.locations) json.String(location);
  json.EndArray();
  json.Key("copies");
  json.BeginArray();
  for (const CopyRecord& copy : record.copies) Copy(json, copy);
  json.EndArray();
  json.EndObject();
  return json.Text();
}

}  // namespace mwn
