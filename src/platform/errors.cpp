#include "platform/errors.h"

namespace mwn {

std::string InOutErrorMessage(std::uint32_t code) {
  switch (code) {
    case kErrorFileNotFound: return "File not found";
    case kErrorPathNotFound: return "Invalid filename";
    case kErrorTooManyOpenFiles: return "Too many open files";
    case kErrorAccessDenied: return "File access denied";
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

}  // namespace mwn
