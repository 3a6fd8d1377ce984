#include "update/run/command_line.h"

namespace mwn {

namespace {

std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

bool IsSwitch(const std::string& argument) {
  return argument.size() > 1 && (argument[0] == '/' || argument[0] == '-');
}

bool IsQuietSwitch(const std::string& name) {
  return name == "quiet" || name == "s" || name == "silent" || name == "verysilent";
}

// /name <file>, /name=<file> or /name alone; false when `argument` is none
// of these. A path never starts with a switch character in Windows form.
bool TakesFile(const std::vector<std::string>& arguments, std::size_t& i, const std::string& name,
               const std::string& lowered, bool& wanted, std::string& path) {
  if (lowered == name) {
    wanted = true;
    if (i + 1 < arguments.size() && !IsSwitch(arguments[i + 1])) path = arguments[++i];
    return true;
  }
  const std::string withEquals = name + "=";
  if (lowered.rfind(withEquals, 0) != 0 || lowered.size() <= withEquals.size()) return false;
  wanted = true;
  path = arguments[i].substr(1 + withEquals.size());
  return true;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
  CommandLine command;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    const std::string name = IsSwitch(argument) ? Lower(argument.substr(1)) : "";
    Options& options = command.options;
    if (IsQuietSwitch(name)) {
      options.quiet = true;
    } else if (name == "check") {
      options.check = true;
    } else if (name == "replaceinuse") {
      options.replaceInUse = true;
    } else if (!TakesFile(arguments, i, "log", name, options.log, options.logPath) &&
               !TakesFile(arguments, i, "report", name, options.report, options.reportPath) &&
               command.understood) {
      // Read on all the same: a quiet switch anywhere keeps the refusal quiet.
      command.understood = false;
      command.refused = argument;
    }
  }
  return command;
}

}  // namespace mwn
