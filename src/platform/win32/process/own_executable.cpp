#include "platform/win32/process/own_executable.h"

#include "platform/win32/unique_handle.h"

namespace mwn {
namespace {

struct OwnExecutable {
  std::wstring path;
  UniqueFileHandle held;
  DWORD error = ERROR_INVALID_HANDLE;
};

OwnExecutable& Own() {
  static OwnExecutable own;
  return own;
}

}  // namespace

std::wstring ModulePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
    if (length == 0) return L"";
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

void HoldOwnExecutable() {
  OwnExecutable& own = Own();
  const std::wstring path = ModulePath();
  if (path.empty()) {
    own.error = GetLastError();
    return;
  }
  own.held.take(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!own.held) {
    own.error = GetLastError();
    return;
  }
  own.path = path;
}

const std::wstring& HeldOwnExecutable(DWORD& error) {
  error = Own().error;
  return Own().path;
}

}  // namespace mwn
