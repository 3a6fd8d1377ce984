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

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
  CommandLine command;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    const std::string name = IsSwitch(argument) ? Lower(argument.substr(1)) : "";
    if (IsQuietSwitch(name)) {
      command.options.quiet = true;
    } else if (name == "log") {
      command.options.log = true;
      // A path never starts with a switch character in Windows form.
      if (i + 1 < arguments.size() && !IsSwitch(arguments[i + 1])) {
        command.options.logPath = arguments[++i];
      }
    } else if (name.rfind("log=", 0) == 0 && name.size() > 4) {
      command.options.log = true;
      command.options.logPath = argument.substr(5);
    } else if (command.understood) {
      // Read on all the same: a quiet switch anywhere keeps the refusal quiet.
      command.understood = false;
      command.refused = argument;
    }
  }
  return command;
}

}  // namespace mwn
