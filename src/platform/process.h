// What the updater asks of the system about its own process and window: the
// message pump, the dialogs, the cursor, its own image and command line, the
// clock and the system's messages. Part of the platform interface
// (platform/platform.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace mwn {

// Message box flags and answers, as the system defines them.
constexpr unsigned kMbOkCancel = 0x01;
constexpr unsigned kMbYesNo = 0x04;
constexpr unsigned kMbIconStop = 0x10;
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;
constexpr int kIdYes = 6;
constexpr int kIdNo = 7;

// Called now and then from inside a long operation (a copy, a comparison),
// so that the caller can let the window answer meanwhile.
using Progress = std::function<void()>;

struct LocalTime {
  unsigned year = 0;
  unsigned month = 0;
  unsigned day = 0;
  unsigned hour = 0;
  unsigned minute = 0;
  unsigned second = 0;
  unsigned millisecond = 0;
};

// A running program, as the run names one that holds a copy open.
struct RunningProgram {
  std::string image;  // its executable's file name
  std::string path;   // its executable's full path, or the empty string
  std::uint32_t pid = 0;
  std::uint32_t session = 0;
};

class ProcessServices {
 public:
  virtual ~ProcessServices() = default;

  // Processes every pending window message, then returns.
  virtual void ProcessMessages() = 0;
  // Milliseconds from an arbitrary start; wraps are the caller's concern.
  virtual std::uint32_t TickCount() = 0;
  // Waits about `milliseconds`, processing window messages as they come.
  virtual void Pause(std::uint32_t milliseconds) = 0;
  // The system message box, owned by the application window, with the
  // program's other windows disabled while it is up.
  virtual int ShowMessageBox(const std::string& text, const std::string& caption,
                             unsigned flags) = 0;
  // The wait cursor over the program's windows, or the normal one.
  virtual void SetWaitCursor(bool wait) = 0;

  // The bytes of the program's own resource, valid for the life of the
  // process; false when it is not there.
  virtual bool OwnResource(const std::string& type, const std::string& name,
                           const std::uint8_t*& data, std::size_t& size) = 0;
  // Bytes of an own resource, data[0..size), that this process never reads
  // again: the system may take their whole pages out of the working set,
  // and what they read as afterwards is undefined.
  virtual void ForgetOwnResourceBytes(const std::uint8_t* data, std::size_t size) = 0;
  // Full path of the running executable.
  virtual std::string ExecutablePath() = 0;
  // The whole command line as the process was given it.
  virtual std::string ProcessCommandLine() = 0;
  // The date and time of the machine's time zone, to the millisecond.
  virtual LocalTime Now() = 0;
  // The date and time in UTC, to the second.
  virtual LocalTime UniversalNow() = 0;
  // The programs that hold the file at `path` open, as far as the system
  // tells: the restart manager's list where it answers, else the running
  // programs whose image is that file. Empty when none is known.
  virtual std::vector<RunningProgram> ProgramsHolding(const std::string& path) = 0;
  // The system's own sentence for error code `code`, without a line end.
  virtual std::string SystemMessage(std::uint32_t code) = 0;
};

}  // namespace mwn
