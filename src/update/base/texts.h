// Every fixed text the program shows or writes.
#pragma once

namespace mwn::text {

inline constexpr char kTargetName[] = "Mwn.exe";
inline constexpr char kCaption[] = "Mwn Update";

inline constexpr char kConfirmCaption[] = "Update Marlowen Now?";
inline constexpr char kConfirmText[] =
    "This program will search your system for copies of Marlowen and attempt to update them.  "
    "If you haven't done a recent backup in Marlowen, do so before running this update; if you "
    "have any copies of Marlowen running on your system, close them before running this update. "
    "Click 'OK' to run this update now; otherwise, click 'Cancel'.";
inline constexpr char kCloseCaption[] = "Close Marlowen Update?";
inline constexpr char kCloseText[] = "Marlowen Update has completed it's processing.  Close?";

inline constexpr char kCancelled[] = "Update cancelled by user.";
inline constexpr char kRefusal[] =
    "Error: a newer version of Mwn.exe already exists on your \r\nsystem.  No update will take "
    "place.";
inline constexpr char kFailure[] =
    "One or more copies of Marlowen could not be updated.\r\nThe file(s) may be in use or you "
    "might not have write-permission.";
inline constexpr char kDone[] = "Done!";

inline constexpr char kDrivesHeading[] = "Accessible drives found on your system . . .";
inline constexpr char kFoundOnSystem[] = "Copies of Marlowen found on your system . . .";
inline constexpr char kUpdatedHeading[] = "Copies of Marlowen that have been updated . . .";
inline constexpr char kNotYetUpdated[] = "Copies of Marlowen not yet updated . . .";
inline constexpr char kCouldNotUpdate[] = "The following copies of Marlowen could not be updated . . .";

inline constexpr char kAlreadyRunning[] =
    "Marlowen Update is already running on this computer.\r\nWait until it has finished, then "
    "try again.";
inline constexpr char kNotUnderstood[] = "The command line was not understood: ";
inline constexpr char kAcceptedSwitches[] =
    "\r\n\r\nAccepted switches (\"-\" may stand for \"/\"):\r\n"
    "/quiet, /S, /silent or /verysilent: update without a window or a question\r\n"
    "/log <file> or /log=<file>: write a log of the run to the file\r\n"
    "/log alone: write it to the temp folder (with an administrator's rights, to "
    "%SystemRoot%\\Logs\\MwnUpdate)\r\n"
    "/report <file>, /report=<file> or /report alone: a JSON report of the run, likewise\r\n"
    "/check: change nothing; the exit code says whether a run would update (1) or not (0)\r\n"
    "/replaceinuse: replace copies that are running; they start the new version next time";
inline constexpr char kLogNotOpened[] = "The log file could not be opened: ";
inline constexpr char kUnsafeSystem[] =
    "This system is missing an update that this program needs to run with an administrator's "
    "rights safely.\r\nStart it without those rights, or install the Windows update KB2533623 "
    "first.";

inline constexpr char kScanningPrefix[] = "Scanning ";
inline constexpr char kScanningSuffix[] = " for copies of Marlowen . . .";

}  // namespace mwn::text
