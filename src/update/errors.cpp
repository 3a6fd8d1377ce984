#include "update/errors.h"

#include "platform/platform.h"

namespace mwn {

std::string InOutErrorMessage(std::uint32_t code) {
  switch (code) {
    case 2: return "File not found";
    case 3: return "Invalid filename";
    case 4: return "Too many open files";
    case 5: return "File access denied";
    case kIoReadBeyondEnd: return "Read beyond end of file";
    case kIoShortWrite: return "Disk full";
    case kIoInvalidNumeric: return "Invalid numeric input";
    default: return "I/O error " + std::to_string(code);
  }
}

EInOutError::EInOutError(std::uint32_t code) : Exception(InOutErrorMessage(code)), code_(code) {}

std::string WithClosingPeriod(const std::string& message) {
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') return message + ".";
  return message;
}

void ShowErrorMessage(Platform& platform, const std::string& title, const Exception& error) {
  if (dynamic_cast<const EAbort*>(&error)) return;
  platform.ShowMessageBox(WithClosingPeriod(error.Message()), title, kMbIconStop);
}

}  // namespace mwn
