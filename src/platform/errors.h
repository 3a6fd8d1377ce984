// The one family of errors that can end a run early. It depends on nothing,
// so every layer may throw it.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "platform/error_codes.h"

namespace mwn {

class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
  std::string Message() const { return what(); }
};

// A file or folder operation failed with the system's (or the runtime's own
// 100, 101, 106) error code.
class EInOutError : public Exception {
 public:
  explicit EInOutError(std::uint32_t code);
  std::uint32_t Code() const { return code_; }

 private:
  std::uint32_t code_;
};

class EZlibError : public Exception {
 public:
  using Exception::Exception;
};

class EDecompressionError : public EZlibError {
 public:
  EDecompressionError() : EZlibError("error") {}
};

class EOutOfMemory : public Exception {
 public:
  EOutOfMemory() : Exception("Out of memory") {}
};

// Silent: the handler passes over it without a dialog.
class EAbort : public Exception {
 public:
  EAbort() : Exception("Operation aborted") {}
};

// The runtime's own codes beside the system's.
constexpr std::uint32_t kIoReadBeyondEnd = 100;
constexpr std::uint32_t kIoShortWrite = 101;
constexpr std::uint32_t kIoInvalidNumeric = 106;

std::string InOutErrorMessage(std::uint32_t code);

// The message as the error box shows it: a period appended when the message
// is not empty and its last byte, taken unsigned, lies above '.'.
std::string WithClosingPeriod(const std::string& message);

}  // namespace mwn
