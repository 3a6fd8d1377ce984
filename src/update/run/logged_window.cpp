#include "update/run/logged_window.h"

#include <utility>

#include "update/base/run_log.h"

namespace mwn {

LoggedWindow::LoggedWindow(MainWindow& window, RunLog& log, CopyVersionReader versionOf)
    : window_(window), log_(log), versionOf_(std::move(versionOf)) {}

// Kept on without a log file too: the run's record is made of these lines.
StringList& LoggedWindow::Lines(Memo memo) { return OfMemo(memo, memo1_, memo2_, memo3_); }

void LoggedWindow::LoggedLines::Add(const std::string& line) {
  Inner().Add(line);
  owner_.Added(memo_, line);
}

void LoggedWindow::Added(Memo memo, const std::string& line) {
  switch (memo) {
    case Memo::Memo1: {
      // Read for the log and the report only: a run without them reads no
      // file for its record.
      VersionStamp version;
      const bool known = log_.Detailed() && versionOf_(line, version);
      if (known && newestFound_ < version) newestFound_ = version;
      log_.Found(line, known ? &version : nullptr);
      return;
    }
    case Memo::Memo2:
      log_.Location(line);
      return;
    case Memo::Memo3:
      log_.Updated(line);
      return;
  }
}

}  // namespace mwn
