// The run's log, and what it says about the process.
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_path.h"
#include "platform/win32/win32_platform.h"

namespace mwn {
namespace {

class Win32LogFile : public LogFile {
 public:
  explicit Win32LogFile(UniqueFileHandle file) : file_(std::move(file)) {}

  // Each line in one write to a file opened for appending only, so that the
  // lines of two processes sharing a log never interleave within a line.
  bool WriteLine(const std::string& line) override {
    const std::string bytes = line + "\r\n";
    DWORD written = 0;
    return WriteFile(file_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                     nullptr) &&
           written == bytes.size() && FlushFileBuffers(file_.get());
  }

 private:
  UniqueFileHandle file_;
};

}  // namespace

std::unique_ptr<LogFile> Win32Platform::OpenLogFile(const std::string& path,
                                                    std::uint32_t& error) {
  std::wstring wide;
  if (!WidePath(path, wide)) {
    error = ERROR_INVALID_NAME;
    return nullptr;
  }
  // A run as SYSTEM may log into a folder where others can create files: a
  // link planted under the log's name is written into, not followed.
  UniqueFileHandle file(CreateFileW(wide.c_str(), FILE_APPEND_DATA | SYNCHRONIZE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT,
                                    nullptr));
  if (!file) {
    error = GetLastError();
    return nullptr;
  }
  return std::make_unique<Win32LogFile>(std::move(file));
}

LocalTime Win32Platform::Now() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  LocalTime time;
  time.year = now.wYear;
  time.month = now.wMonth;
  time.day = now.wDay;
  time.hour = now.wHour;
  time.minute = now.wMinute;
  time.second = now.wSecond;
  time.millisecond = now.wMilliseconds;
  return time;
}

std::string Win32Platform::SystemMessage(std::uint32_t code) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  if (length == 0 || text == nullptr) return "";
  std::wstring message(text, length);
  LocalFree(text);
  while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' ||
                              message.back() == L' ')) {
    message.pop_back();
  }
  return NarrowText(message);
}

std::string Win32Platform::UserName() {
  wchar_t name[257] = L"";
  DWORD size = sizeof name / sizeof name[0];
  return GetUserNameW(name, &size) ? NarrowText(name) : "";
}

std::string Win32Platform::ProcessCommandLine() { return NarrowText(GetCommandLineW()); }

}  // namespace mwn
