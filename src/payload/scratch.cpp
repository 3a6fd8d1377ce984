#include "payload/payload.h"
#include "platform/errors.h"
#include "platform/platform.h"
#include "platform/pump.h"

namespace mwn {

std::string MakeScratchFolder(Platform& platform, MessagePump& pump, std::uint32_t& errorCode) {
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
  platform.DeleteFileAt(name);  // if it stays, the folder's creation below fails
  pump.Step();
  const std::uint32_t code = platform.CreateFolder(name);
  if (code != kErrorSuccess) {
    errorCode = code;
    return "";
  }
  return name;
}

void RemoveScratchFolder(Platform& platform, const std::string& folder) {
  const std::uint32_t code = platform.RemoveFolder(folder);
  if (code != kErrorSuccess) throw EInOutError(code);
}

}  // namespace mwn
