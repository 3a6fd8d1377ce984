// The program's entry: the interactive mode with its window, or the quiet
// mode, as the command line says; or, started with the internal argument by
// an update run for copies it could not reach, the listed-copies mode, which
// has no window at all and is not held back by its own parent's run.
#include <cstdlib>
#include <string>
#include <vector>

#include "app/interactive.h"
#include "platform/pump.h"
#include "platform/win32/process/bound_imports.h"
#include "platform/win32/process/own_executable.h"
#include "platform/win32/process/system_library.h"
#include "platform/win32/wide_path.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/windows_api.h"
#include "update/base/exit_codes.h"
#include "update/replacement/listed_copies.h"
#include "update/run/check.h"
#include "update/run/command_line.h"
#include "update/run/start.h"

namespace {

// The arguments after the program's name, split by the runtime from
// GetCommandLineW as it always split the 8-bit command line.
std::vector<std::string> Arguments() {
  std::vector<std::string> arguments;
  for (int i = 1; i < __argc && __wargv != nullptr; ++i) {
    arguments.push_back(mwn::NarrowText(__wargv[i]));
  }
  return arguments;
}

// True when the identity the consent was asked for, where the starting
// instance names one, is this process's own held file: a link on the way
// re-pointed before the prompt starts some other file, which then refuses.
bool RunsNamedImage(const std::vector<std::string>& arguments) {
  if (arguments.size() < 3) return true;
  mwn::FileIdentity named;
  mwn::FileIdentity own;
  return mwn::ParseImageIdentityArgument(arguments[2], named) && mwn::HeldOwnIdentity(own) &&
         named == own;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
  mwn::HoldOwnExecutable();
  // Before anything loads a DLL on the program's behalf: the program's own
  // folder (a downloads folder, say) is then never searched for one.
  mwn::RestrictDllSearchToSystemFolder();
  if (!mwn::BindUserInterfaceImports()) return mwn::ToInt(mwn::ExitCode::kFailed);
  // Before anything touches a drive: a card reader or floppy drive without a
  // medium is then just a location whose walk finds nothing, instead of a
  // system box asking for a disk in the middle of the scan.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  mwn::Win32Platform platform;
  const std::vector<std::string> arguments = Arguments();
  if (!arguments.empty() && arguments[0] == mwn::kReplaceCopiesArgument) {
    // With an administrator's rights: nothing is taken from the folder it
    // was started in, whoever started it.
    if (!platform.DllSearchNarrowed()) return mwn::ToInt(mwn::ExitCode::kUnsafeSystem);
    if (!RunsNamedImage(arguments)) return mwn::kListedCopiesOtherImage;
    mwn::EnterSystemFolder();
    mwn::MessagePump pump(platform);
    return mwn::ReplaceListedCopies(platform, pump, arguments.size() >= 2 ? arguments[1] : "");
  }
  const mwn::CommandLine command = mwn::ParseCommandLine(arguments);
  if (command.options.check) return mwn::RunCheck(platform, command);
  return command.options.quiet
             ? mwn::RunQuietly(platform, command)
             : mwn::RunInteractive(instance, platform, command);
}
