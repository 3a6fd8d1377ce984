// The program's one internal command line: run elevated by the update run,
// it replaces the copies named in a list file with its own payload, without
// a window or a dialog.
#pragma once

#include <string>
#include <vector>

namespace mwn {

class Platform;
class MessagePump;

// MwnUpdate.exe --replace-copies <list file> [--image=<identity>]: with the
// identity (platform/files.h ImageIdentityArgument) of the file the consent
// was asked for, which the instance must be.
inline constexpr char kReplaceCopiesArgument[] = "--replace-copies";

// Exit codes of the listed-copies mode.
constexpr int kListedCopiesDone = 0;  // the list was read, whatever each copy's outcome
constexpr int kListedCopiesNoList = 2;
constexpr int kListedCopiesNoPayload = 3;
constexpr int kListedCopiesOtherImage = 4;  // not the file the consent was asked for

// The lines of a list file's content, CR LF or LF apart.
std::vector<std::string> ListLines(const std::string& content);

// True for what the listed-copies mode may touch: an absolute path on a
// drive letter whose last component is the target name, ignoring case, with
// no "." or ".." component, forward slash, wildcard, stream or device name,
// nor a component ending in a dot or a space, in it.
bool IsListableCopyPath(const std::string& path);

// Replaces every copy in the list at `listPath` whose line is a full path as
// the system spells it (no other separator, "." or ".."), passes
// IsListableCopyPath, lies on a searchable drive,
// exists as a file and is not newer than the payload, with the image
// inflated from the program's own payload, staged from memory, through the
// same verified replacement as the update run, under the same rules for the
// copy's folder. Gives the exit code.
int ReplaceListedCopies(Platform& platform, MessagePump& pump, const std::string& listPath);

}  // namespace mwn
