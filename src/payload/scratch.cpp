#include "payload/payload.h"
#include "platform/errors.h"
#include "platform/platform.h"
#include "platform/pump.h"

namespace mwn {

namespace {

// The name the system gave a new unique temp file, that file deleted again
// so that the folder can take its name; the empty string and the code when
// there is none.
std::string FreedUniqueName(Platform& platform, MessagePump& pump, std::uint32_t& errorCode) {
  errorCode = kErrorSuccess;
  const std::string temp = platform.TempPath();
  pump.Step();
  // Both failures are reported as a missing temp folder, the usual cause.
  if (temp.empty()) {
    errorCode = kErrorPathNotFound;
    return "";
  }
  std::uint32_t nameError = kErrorSuccess;
  const std::string name = platform.UniqueTempFile(temp, kTempPrefix, nameError);
  pump.Step();
  if (name.empty()) {
    errorCode = kErrorPathNotFound;
    return "";
  }
  platform.DeleteFileAt(name);  // if it stays, the folder's creation fails
  pump.Step();
  return name;
}

}  // namespace

std::string MakeScratchFolder(Platform& platform, MessagePump& pump, std::uint32_t& errorCode) {
  const std::string name = FreedUniqueName(platform, pump, errorCode);
  if (name.empty()) return "";
  const std::uint32_t code = platform.CreateFolder(name);
  if (code != kErrorSuccess) {
    errorCode = code;
    return "";
  }
  return name;
}

// Named from the system's strong random source: a name drawn from the
// 65,535 of a unique temp file could be taken ahead by anyone, and the run
// would then not start. Should another program put a file or link at the
// name all the same, the creation fails: the folder is always one the run
// made itself.
ScratchFolder MakePrivateScratchFolder(Platform& platform, MessagePump& pump,
                                       std::uint32_t& errorCode) {
  ScratchFolder folder;
  const std::string temp = platform.TempPath();
  pump.Step();
  const std::string random = platform.RandomTempName(kTempPrefix);
  pump.Step();
  if (temp.empty() || random.empty()) {
    errorCode = kErrorPathNotFound;
    return folder;
  }
  const std::string name = temp + (temp.back() == '\\' ? "" : "\\") + random;
  folder.held = platform.CreatePrivateFolder(name, errorCode);
  if (folder.held) folder.path = name;
  return folder;
}

void RemoveScratchFolder(Platform& platform, const std::string& folder) {
  const std::uint32_t code = platform.RemoveFolder(folder);
  if (code != kErrorSuccess) throw EInOutError(code);
}

void RemoveScratchFolder(Platform& platform, ScratchFolder& folder) {
  if (!folder.held) {
    RemoveScratchFolder(platform, folder.path);
    return;
  }
  const std::uint32_t code = folder.held->Remove();
  if (code != kErrorSuccess) throw EInOutError(code);
  folder.held.reset();
}

}  // namespace mwn
