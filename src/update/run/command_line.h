// The command line an administrator or a deployment tool starts the updater
// with, turned into options and a verdict without touching the system.
#pragma once

#include <string>
#include <vector>

namespace mwn {

struct Options {
  // No window, no dialog, no consent prompt: the command line is the consent.
  bool quiet = false;
  bool log = false;
  // Empty with `log`: a dated name in the temp folder.
  std::string logPath;
  // The search and the version gate alone, changing nothing: the exit code
  // says what a run would come to.
  bool check = false;
  // A JSON document of the run at its end; empty `reportPath`: beside the
  // default log.
  bool report = false;
  std::string reportPath;
  // A copy held by a running program as its image is replaced all the same:
  // the old image moves aside in its folder until the program ends.
  bool replaceInUse = false;
};

struct CommandLine {
  bool understood = true;
  // The first argument that was not understood, for the message.
  std::string refused;
  Options options;
};

// `arguments` without the program's own name. Switches start with "/" or "-"
// and ignore letter case: /quiet (or /S, /silent, /verysilent), /log <file>,
// /log=<file>, or /log alone; /report in the same three forms; /check;
// /replaceinuse.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

}  // namespace mwn
