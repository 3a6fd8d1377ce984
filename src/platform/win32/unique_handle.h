// Sole ownership of one system handle, closed by its traits when the owner
// goes. Traits give the handle type, the value meaning "none" and the call
// that closes it.
#pragma once

#include <utility>

#include "platform/win32/process/system_library.h"
#include "platform/win32/windows_api.h"

namespace mwn {

template <typename Traits>
class UniqueHandle {
 public:
  using Handle = typename Traits::Handle;

  UniqueHandle() noexcept : handle_(Traits::Invalid()) {}
  explicit UniqueHandle(Handle handle) noexcept : handle_(handle) {}
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) take(other.release());
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() { CloseIfValid(); }

  Handle get() const noexcept { return handle_; }
  explicit operator bool() const noexcept { return handle_ != Traits::Invalid(); }

  // Closes the handle held so far and owns `handle` from now on.
  void take(Handle handle) noexcept {
    CloseIfValid();
    handle_ = handle;
  }
  // Gives up ownership without closing; the caller closes the result.
  Handle release() noexcept { return std::exchange(handle_, Traits::Invalid()); }

 private:
  void CloseIfValid() noexcept {
    if (*this) Traits::Close(handle_);
  }

  Handle handle_;
};

struct FileHandleTraits {
  using Handle = HANDLE;
  static Handle Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void Close(Handle handle) noexcept { CloseHandle(handle); }
};

// Process and token handles: the system gives null when there is none, and
// INVALID_HANDLE_VALUE is a valid one, the current process's own.
struct KernelHandleTraits {
  using Handle = HANDLE;
  static Handle Invalid() noexcept { return nullptr; }
  static void Close(Handle handle) noexcept { CloseHandle(handle); }
};

struct FindHandleTraits {
  using Handle = HANDLE;
  static Handle Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void Close(Handle handle) noexcept { FindClose(handle); }
};

struct NetEnumHandleTraits {
  using Handle = HANDLE;
  static Handle Invalid() noexcept { return nullptr; }
  // Only ever opened through mpr.dll, so it is there to close with.
  static void Close(Handle handle) noexcept {
    const auto close = NetworkLibrary().Function<decltype(&WNetCloseEnum)>("WNetCloseEnum");
    if (close != nullptr) close(handle);
  }
};

using UniqueFileHandle = UniqueHandle<FileHandleTraits>;
using UniqueKernelHandle = UniqueHandle<KernelHandleTraits>;
using UniqueFindHandle = UniqueHandle<FindHandleTraits>;
using UniqueNetEnumHandle = UniqueHandle<NetEnumHandleTraits>;

}  // namespace mwn
