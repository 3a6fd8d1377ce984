#include "update/replacement/listed_copies.h"

#include <new>

#include "platform/errors.h"
#include "platform/platform.h"
#include "platform/pump.h"
#include "platform/wtf8.h"
#include "update/base/path.h"
#include "update/base/texts.h"
#include "update/base/version.h"
#include "update/replacement/copy_folders.h"
#include "update/replacement/copy_replacement.h"
#include "update/replacement/extraction.h"
#include "update/walk/scan.h"

namespace mwn {

namespace {

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameAsciiIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

// The names the system keeps for devices in every folder, with or without
// an extension: "C:\Apps\NUL\Mwn.exe" reaches no folder named NUL.
bool IsDeviceName(const std::string& component) {
  static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
  const std::string stem = component.substr(0, component.find('.'));
  for (const char* device : kDevices) {
    if (SameAsciiIgnoringCase(stem, device)) return true;
  }
  return stem.size() == 4 &&
         (SameAsciiIgnoringCase(stem.substr(0, 3), "COM") ||
          SameAsciiIgnoringCase(stem.substr(0, 3), "LPT")) &&
         stem[3] >= '0' && stem[3] <= '9';
}

bool OnSearchableDrive(Platform& platform, const std::string& path) {
  return IsSearchedDriveType(platform.DriveTypeOf(path.substr(0, 3)));
}

bool RefusedTheUser(CopyFolders& folders, const std::string& path) {
  return folders.Rights() == RunRights::kStandard ||
         folders.Trust(path) == FolderTrust::kAdministratorsOnly;
}

}  // namespace

std::vector<std::string> ListLines(const std::string& content) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < content.size()) {
    std::size_t end = content.find('\n', start);
    if (end == std::string::npos) end = content.size();
    std::string line = content.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

bool IsListableCopyPath(const std::string& path) {
  // A damaged list may hold bytes that spell no name: never taken for
  // another file's.
  if (path.size() < 4 || !WithinPathLimit(path) || !IsOnDriveLetter(path) || !IsWtf8(path)) {
    return false;
  }
  if (path.find_first_of(":*?\"<>|/", 2) != std::string::npos ||
      path.find('\0') != std::string::npos) {
    return false;
  }
  for (std::size_t start = 3; start <= path.size();) {
    std::size_t end = path.find('\\', start);
    if (end == std::string::npos) end = path.size();
    const std::string component = path.substr(start, end - start);
    if (component.empty() || component == "." || component == ".." ||
        component.back() == '.' || component.back() == ' ' || IsDeviceName(component)) {
      return false;
    }
    start = end + 1;
  }
  return SameAsciiIgnoringCase(NameOfPath(path), text::kTargetName);
}

int ReplaceListedCopies(Platform& platform, MessagePump& pump, const std::string& listPath) {
  std::string content;
  if (!platform.ReadWholeFile(listPath, content)) return kListedCopiesNoList;

  PayloadImage image;
  try {
    image = InflateOwnPayload(platform, pump);
  } catch (const Exception&) {
    return kListedCopiesNoPayload;
  } catch (const std::bad_alloc&) {
    return kListedCopiesNoPayload;
  }

  // The list lies where the user's programs can rewrite it: each line is
  // only a hint. It must be a path as the system itself spells it in full,
  // it is held to the same rules as the copies the update run finds, and it
  // is never used to put an older image over a newer copy. The update run
  // lists only copies whose folder refused its user a new file: with an
  // administrator's rights, a folder only administrators can change, and
  // no other is acted in. The copies are staged from the image in this
  // instance's own memory: no scratch folder is made in a temp folder that
  // the user's other programs can write to.
  VersionStamp replacementVersion;
  if (!ImageVersionStamp(platform, image.Data(), image.Size(), replacementVersion)) {
    return kListedCopiesDone;  // a replacement without a version never updates
  }
  CopyFolders folders(platform, pump, RightsOfRun(platform, pump));
  CopyReplacement replacement(platform, pump, folders, "", image.Data(), image.Size());
  for (const std::string& path : ListLines(content)) {
    // The update run lists paths as the system spells them in full; any
    // other spelling was not written by it.
    const bool plain = !path.empty() && platform.FullPathName(path) == path;
    pump.Step();
    if (!plain || !IsListableCopyPath(path) || !OnSearchableDrive(platform, path) ||
        !folders.ActsOn(path) || !RefusedTheUser(folders, path) || !folders.IsFile(path)) {
      continue;
    }
    VersionStamp copyVersion;
    if (folders.Version(path, copyVersion) && replacementVersion < copyVersion) continue;
    replacement.Replace(path);
  }
  return kListedCopiesDone;
}

}  // namespace mwn
