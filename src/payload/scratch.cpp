#include "payload/payload.h"
#include "platform/platform.h"
#include "update/errors.h"
#include "update/pump.h"

namespace mwn {

std::string MakeScratchFolder(Platform& platform, MessagePump& pump, std::uint32_t& errorCode) {
  errorCode = kErrorSuccess;
  const std::string temp = platform.TempPath();
  pump.Step();
  // Neither call reports why it failed; a missing temp folder is the usual cause.
  if (temp.empty()) {
    errorCode = kErrorPathNotFound;
    return "";
  }
  const std::string name = platform.UniqueTempFile(temp, "Mwn");
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
