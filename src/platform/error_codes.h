// The system's own error numbers that the program names. They depend on
// nothing, so the error family and the platform interface share them.
#pragma once

#include <cstdint>

namespace mwn {

constexpr std::uint32_t kErrorSuccess = 0;
constexpr std::uint32_t kErrorFileNotFound = 2;
constexpr std::uint32_t kErrorPathNotFound = 3;
constexpr std::uint32_t kErrorTooManyOpenFiles = 4;
constexpr std::uint32_t kErrorAccessDenied = 5;
constexpr std::uint32_t kErrorSharingViolation = 32;
constexpr std::uint32_t kErrorLockViolation = 33;
constexpr std::uint32_t kErrorNotSupported = 50;
constexpr std::uint32_t kErrorDiskFull = 112;
constexpr std::uint32_t kErrorDirNotEmpty = 145;
constexpr std::uint32_t kErrorNoMoreItems = 259;
constexpr std::uint32_t kErrorDirectory = 267;
constexpr std::uint32_t kErrorCancelled = 1223;
constexpr std::uint32_t kErrorNoNetwork = 1222;
constexpr std::uint32_t kErrorInvalidOwner = 1307;
constexpr std::uint32_t kErrorReparsePointEncountered = 4395;

}  // namespace mwn
