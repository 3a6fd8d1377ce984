// mwn_robot: drives a running program from outside by window messages and
// checks what its windows show. It reads a scenario, one command a line, from
// the file named on its command line or from standard input, and stops with
// exit code 1 at the first expectation that fails (2 for a bad scenario).
//
//   attach <image> [timeout]            wait for the process whose exe file is <image>
//   launch <command line>               start a process (from the robot's folder) and attach to it
//   launch-in <folder> <command line>   start a process from <folder> and attach to it
//   hidden-until-exit [timeout]         no window of the process is ever visible until it ends
//   wait-box <caption> [timeout]        wait for its system message box (#32770)
//   wait-plain <text> [timeout]         wait for its plain message showing <text>
//   caption-is <text>                   the current dialog's caption
//   text-is <text>                      the current dialog's message text
//   icon-is <shown|none>                whether the current dialog shows an icon
//   buttons-are <text>...               the current dialog's buttons, left to right
//   press <OK|Cancel|Yes|No>            BM_CLICK on that button of the current dialog
//   key <Escape|Enter>                  the key, posted to the dialog's focused control
//   close-box                           WM_CLOSE to the current dialog
//   wait-gone [timeout]                 the current dialog is destroyed
//   main-caption-is <text>              the main window's caption
//   caption-stays <text> <seconds>      the caption keeps <text> that long
//   frames-until-dialog <n> [timeout]   wait for any dialog, seeing >= n caption frames first
//   control-is <id> <text>              a child control's text (WM_GETTEXT)
//   enabled-is <main|id> <0|1>          IsWindowEnabled of the main window or a child
//   layout-is <dpi>                     the main window centred and every place and size in it
//                                       that of the layout at 96 dpi times dpi/96, within a pixel
//   no-dialog-for <seconds>             no dialog of the process comes up in that time
//   activate-main                       make the main window the active one
//   close-main                          WM_CLOSE to the main window
//   close-windows                       WM_CLOSE to every top-level window of the process
//   expect-running                      the process has not ended
//   expect-exit [timeout] [code]        the process ends (with that exit code)
//   print-windows                       list the process's windows and their texts
//
// Arguments are separated by blanks; "quoted" arguments may hold blanks and
// the escapes \r \n \" \\. Timeouts are in seconds (default 60). Waiting
// polls every 25 ms: the program runs at its own pace, never a fixed one.
// Scenarios and output are UTF-8; windows are read with the wide functions.

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iostream>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/control_ids.h"
#include "app/form1_layout.h"

namespace {

using mwn::control::kForm1Class;

constexpr DWORD kPollMs = 25;
constexpr double kDefaultTimeout = 60;
constexpr UINT kMessageTimeoutMs = 5000;

struct Failure : std::runtime_error {
  using std::runtime_error::runtime_error;
};
struct BadScenario : std::runtime_error {
  using std::runtime_error::runtime_error;
};

std::string Printable(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\r') out += "\\r";
    else if (c == '\n') out += "\\n";
    else if (c == '"' || c == '\\') out += std::string("\\") + c;
    else out += c;
  }
  return out + "\"";
}

std::vector<std::string> SplitArguments(const std::string& line) {
  std::vector<std::string> args;
  size_t i = 0;
  while (i < line.size()) {
    if (line[i] == ' ' || line[i] == '\t' || line[i] == '\r') { ++i; continue; }
    std::string arg;
    if (line[i] == '"') {
      for (++i; i < line.size() && line[i] != '"'; ++i) {
        if (line[i] != '\\' || i + 1 == line.size()) { arg += line[i]; continue; }
        char e = line[++i];
        arg += e == 'r' ? '\r' : e == 'n' ? '\n' : e;
      }
      if (i == line.size()) throw BadScenario("unterminated quote");
      ++i;
    } else {
      while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') arg += line[i++];
    }
    args.push_back(arg);
  }
  return args;
}

// Polls `done` until it holds or `seconds` pass; true if it held.
bool WaitFor(double seconds, const std::function<bool()>& done) {
  const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(seconds * 1000);
  for (;;) {
    if (done()) return true;
    if (GetTickCount64() >= deadline) return false;
    Sleep(kPollMs);
  }
}

std::string Utf8(const std::wstring& wide) {
  if (wide.empty()) return "";
  const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string text(size > 0 ? size : 0, '\0');
  if (size > 0) WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &text[0], size, nullptr, nullptr);
  return text;
}

std::wstring Wide(const std::string& text) {
  if (text.empty()) return L"";
  const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(size > 0 ? size : 0, L'\0');
  if (size > 0) MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &wide[0], size);
  return wide;
}

std::string ClassOf(HWND window) {
  wchar_t name[256] = L"";
  GetClassNameW(window, name, 256);
  return Utf8(name);
}

// Top-level captions are read without a message; children need one.
std::string TopLevelText(HWND window) {
  wchar_t text[1024] = L"";
  GetWindowTextW(window, text, 1024);
  return Utf8(text);
}

std::string ChildText(HWND control) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(control, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &length))
    throw Failure("no answer to WM_GETTEXTLENGTH");
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutW(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]),
                           SMTO_ABORTIFHUNG, kMessageTimeoutMs, &copied))
    throw Failure("no answer to WM_GETTEXT");
  text.resize(copied);
  return Utf8(text);
}

BOOL CALLBACK CollectWindow(HWND window, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
  return TRUE;
}

std::vector<HWND> Children(HWND parent) {
  std::vector<HWND> found;
  EnumChildWindows(parent, CollectWindow, reinterpret_cast<LPARAM>(&found));
  return found;
}

bool IsIconStatic(HWND control) {
  return ClassOf(control) == "Static" && (GetWindowLongW(control, GWL_STYLE) & SS_TYPEMASK) == SS_ICON;
}

// "&Yes" shows as Yes; "&&" as a single "&".
std::string WithoutMnemonic(const std::string& text) {
  std::string shown;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size()) ++i;
    shown += text[i];
  }
  return shown;
}

class Robot {
 public:
  void Run(std::istream& scenario) {
    std::string line;
    int number = 0;
    while (std::getline(scenario, line)) {
      ++number;
      std::vector<std::string> args = SplitArguments(line);
      if (args.empty() || args[0][0] == '#') continue;
      std::printf("robot: %s\n", line.c_str());
      std::fflush(stdout);
      try {
        Execute(args);
      } catch (const Failure& failure) {
        std::printf("robot: FAILED at line %d: %s\n", number, failure.what());
        if (process_) PrintWindows();
        std::fflush(stdout);
        std::exit(1);
      } catch (const BadScenario& bad) {
        std::printf("robot: bad scenario line %d: %s\n", number, bad.what());
        std::exit(2);
      }
    }
  }

 private:
  void Execute(const std::vector<std::string>& a) {
    const std::string& c = a[0];
    if (c == "attach") Attach(Arg(a, 1), Timeout(a, 2));
    else if (c == "launch") Launch(Arg(a, 1));
    else if (c == "launch-in") LaunchIn(Arg(a, 1), Arg(a, 2));
    else if (c == "close-windows") CloseWindows();
    else if (c == "hidden-until-exit") HiddenUntilExit(Timeout(a, 1));
    else if (c == "wait-box") dialog_ = WaitDialog("system message box " + Printable(Arg(a, 1)), Timeout(a, 2), [&](HWND w) { return IsBox(w) && TopLevelText(w) == a[1]; });
    else if (c == "wait-plain") dialog_ = WaitDialog("plain message " + Printable(Arg(a, 1)), Timeout(a, 2), [&](HWND w) { return IsPlain(w) && DialogText(w) == a[1]; });
    else if (c == "caption-is") Expect("dialog caption", TopLevelText(Dialog()), Arg(a, 1));
    else if (c == "text-is") Expect("dialog text", DialogText(Dialog()), Arg(a, 1));
    else if (c == "icon-is") ExpectIcon(Arg(a, 1));
    else if (c == "buttons-are") Expect("dialog buttons", Join(ButtonTexts(Dialog())), Join({a.begin() + 1, a.end()}));
    else if (c == "press") Press(Arg(a, 1));
    else if (c == "key") Key(Arg(a, 1));
    else if (c == "close-box") PostMessageW(Dialog(), WM_CLOSE, 0, 0);
    else if (c == "wait-gone") WaitGone(Timeout(a, 1));
    else if (c == "main-caption-is") Expect("main caption", TopLevelText(Main()), Arg(a, 1));
    else if (c == "caption-stays") CaptionStays(Arg(a, 1), Seconds(Arg(a, 2)));
    else if (c == "frames-until-dialog") FramesUntilDialog(Count(Arg(a, 1)), Timeout(a, 2));
    else if (c == "caption-moves-until-dialog") CaptionMovesUntilDialog(Seconds(Arg(a, 1)), Timeout(a, 2));
    else if (c == "control-is") Expect("control " + Arg(a, 1), ChildText(Control(Arg(a, 1))), Arg(a, 2));
    else if (c == "enabled-is") ExpectEnabled(Arg(a, 1), Arg(a, 2));
    else if (c == "layout-is") ExpectLayout(Count(Arg(a, 1)));
    else if (c == "no-dialog-for") NoDialogFor(Seconds(Arg(a, 1)));
    else if (c == "activate-main") Activate();
    else if (c == "close-main") PostMessageW(Main(), WM_CLOSE, 0, 0);
    else if (c == "expect-running") ExpectRunning();
    else if (c == "expect-exit") ExpectExit(Timeout(a, 1), a.size() > 2 ? &a[2] : nullptr);
    else if (c == "print-windows") PrintWindows();
    else throw BadScenario("unknown command " + c);
  }

  static const std::string& Arg(const std::vector<std::string>& a, size_t i) {
    if (i >= a.size()) throw BadScenario("missing argument " + std::to_string(i));
    return a[i];
  }
  static double Seconds(const std::string& text) {
    char* end = nullptr;
    double value = std::strtod(text.c_str(), &end);
    if (*end || value < 0) throw BadScenario("not a number of seconds: " + text);
    return value;
  }
  static double Timeout(const std::vector<std::string>& a, size_t i) {
    return i < a.size() ? Seconds(a[i]) : kDefaultTimeout;
  }
  static int Count(const std::string& text) { return static_cast<int>(Seconds(text)); }

  static std::string Join(const std::vector<std::string>& parts) {
    std::string joined;
    for (const std::string& part : parts) joined += (joined.empty() ? "" : " ") + Printable(part);
    return joined;
  }

  static void Expect(const std::string& what, const std::string& seen, const std::string& wanted) {
    if (seen != wanted) throw Failure(what + " is " + Printable(seen) + ", expected " + Printable(wanted));
  }

  void Attach(const std::string& image, double timeout) {
    DWORD pid = 0;
    if (!WaitFor(timeout, [&] { return (pid = FindProcess(image)) != 0; }))
      throw Failure("no process " + image);
    process_ = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!process_) throw Failure("cannot open process " + image);
    pid_ = pid;
  }

  // Started here rather than attached to: a quiet run may be over before
  // an attach would find it.
  void Launch(const std::string& commandLine) {
    std::wstring line = Wide(commandLine);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started))
      throw Failure("cannot start " + commandLine);
    CloseHandle(started.hThread);
    process_ = started.hProcess;
    pid_ = started.dwProcessId;
    main_ = nullptr;
  }

  // A program started from its own folder, as a user starts one, and left
  // running when the robot ends.
  void LaunchIn(const std::string& folder, const std::string& commandLine) {
    std::wstring line = Wide(commandLine);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    const std::wstring from = Wide(folder);
    if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, from.c_str(), &startup,
                        &started))
      throw Failure("cannot start " + commandLine + " in " + folder);
    CloseHandle(started.hThread);
    process_ = started.hProcess;
    pid_ = started.dwProcessId;
    main_ = nullptr;
    std::printf("robot: started process %lu\n", pid_);
  }

  void CloseWindows() {
    for (HWND window : TopLevelWindows()) PostMessageW(window, WM_CLOSE, 0, 0);
  }

  void HiddenUntilExit(double timeout) {
    if (!process_) throw Failure("no process attached");
    HWND shown = nullptr;
    int polls = 0;
    const bool ended = WaitFor(timeout, [&] {
      ++polls;
      for (HWND window : TopLevelWindows())
        if (IsWindowVisible(window)) shown = window;
      return shown || !Running();
    });
    std::printf("robot: %d polls of the windows\n", polls);
    if (shown) throw Failure("a window became visible: " + ClassOf(shown) + " " + Printable(TopLevelText(shown)));
    if (!ended) throw Failure("the process is still running");
  }

  static DWORD FindProcess(const std::string& image) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return 0;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    DWORD found = 0;
    const std::wstring wanted = Wide(image);
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
      if (lstrcmpiW(entry.szExeFile, wanted.c_str()) == 0) found = entry.th32ProcessID;
    CloseHandle(snapshot);
    return found;
  }

  std::vector<HWND> TopLevelWindows() const {
    std::vector<HWND> all, own;
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&all));
    for (HWND window : all) {
      DWORD owner = 0;
      GetWindowThreadProcessId(window, &owner);
      if (owner == pid_) own.push_back(window);
    }
    return own;
  }

  static bool IsBox(HWND window) { return IsWindowVisible(window) && ClassOf(window) == "#32770"; }

  // A plain message is any other visible top-level window with an OK button.
  static bool IsPlain(HWND window) {
    if (!IsWindowVisible(window) || ClassOf(window) == "#32770" || ClassOf(window) == kForm1Class) return false;
    HWND ok = GetDlgItem(window, IDOK);
    return ok && ClassOf(ok) == "Button";
  }

  static std::string DialogText(HWND dialog) {
    for (HWND child : Children(dialog))
      if (ClassOf(child) == "Static" && !IsIconStatic(child) && IsWindowVisible(child)) return ChildText(child);
    throw Failure("the dialog has no text");
  }

  static std::vector<std::string> ButtonTexts(HWND dialog) {
    std::vector<std::pair<LONG, std::string>> buttons;
    for (HWND child : Children(dialog)) {
      if (ClassOf(child) != "Button" || !IsWindowVisible(child)) continue;
      RECT place;
      GetWindowRect(child, &place);
      buttons.emplace_back(place.left, WithoutMnemonic(ChildText(child)));
    }
    std::sort(buttons.begin(), buttons.end());
    std::vector<std::string> texts;
    for (auto& button : buttons) texts.push_back(button.second);
    return texts;
  }

  HWND WaitDialog(const std::string& what, double timeout, const std::function<bool(HWND)>& matches) {
    HWND found = nullptr;
    bool seen = WaitFor(timeout, [&] {
      for (HWND window : TopLevelWindows())
        if (matches(window)) { found = window; return true; }
      return !Running();
    });
    if (!seen || !found) throw Failure(std::string(Running() ? "no " : "process ended without ") + what);
    return found;
  }

  HWND Dialog() const {
    if (!dialog_ || !IsWindow(dialog_)) throw Failure("no current dialog");
    return dialog_;
  }

  HWND Main() {
    if (main_ && IsWindow(main_)) return main_;
    for (HWND window : TopLevelWindows())
      if (ClassOf(window) == kForm1Class) return main_ = window;
    throw Failure(std::string("no main window (") + kForm1Class + ")");
  }

  HWND Control(const std::string& id) {
    HWND control = GetDlgItem(Main(), Count(id));
    if (!control) throw Failure("no control " + id);
    return control;
  }

  // Wine's message box keeps its icon control when there is no icon; what
  // counts is whether the control shows one. Which icon cannot be told from
  // another process: icon handles do not compare across processes in Wine.
  void ExpectIcon(const std::string& kind) {
    if (kind != "shown" && kind != "none") throw BadScenario("icon-is takes shown or none");
    bool shown = false;
    for (HWND child : Children(Dialog())) {
      DWORD_PTR icon = 0;
      if (IsIconStatic(child) && IsWindowVisible(child) &&
          SendMessageTimeoutW(child, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &icon) && icon)
        shown = true;
    }
    if (shown != (kind == "shown")) throw Failure(shown ? "the dialog shows an icon" : "the dialog shows no icon");
  }

  void Press(const std::string& name) {
    static const std::pair<const char*, int> kButtons[] = {{"OK", IDOK}, {"Cancel", IDCANCEL}, {"Yes", IDYES}, {"No", IDNO}};
    for (auto& button : kButtons) {
      if (name != button.first) continue;
      HWND control = GetDlgItem(Dialog(), button.second);
      if (!control || !IsWindowVisible(control)) throw Failure("the dialog has no button " + name);
      PostMessageW(control, BM_CLICK, 0, 0);
      return;
    }
    throw BadScenario("unknown button " + name);
  }

  void Key(const std::string& name) {
    WPARAM key = name == "Escape" ? VK_ESCAPE : name == "Enter" ? VK_RETURN : 0;
    if (!key) throw BadScenario("unknown key " + name);
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    HWND target = Dialog();
    if (GetGUIThreadInfo(GetWindowThreadProcessId(target, nullptr), &gui) && gui.hwndFocus && IsChild(target, gui.hwndFocus))
      target = gui.hwndFocus;
    PostMessageW(target, WM_KEYDOWN, key, 1);
    PostMessageW(target, WM_KEYUP, key, 1 | (1u << 30) | (1u << 31));
  }

  void WaitGone(double timeout) {
    HWND dialog = Dialog();
    if (!WaitFor(timeout, [&] { return !IsWindow(dialog); })) throw Failure("the dialog is still there");
    dialog_ = nullptr;
  }

  void CaptionStays(const std::string& caption, double seconds) {
    std::string seen;
    if (WaitFor(seconds, [&] { return (seen = TopLevelText(Main())) != caption; }))
      throw Failure("main caption changed to " + Printable(seen));
  }

  // The animation frames are "Mwn Update" followed by one to seven " ." pairs.
  // The caption animation never stands still for more than `most` seconds
  // until a dialog comes up. A bound on the longest pause rather than a count
  // of frames: how many frames a run shows depends on how fast the machine
  // walks, how long the caption may stand still does not.
  void CaptionMovesUntilDialog(double most, double timeout) {
    std::string caption;
    ULONGLONG changed = GetTickCount64();
    double longest = 0;
    unsigned frames = 0;
    dialog_ = WaitDialog("dialog", timeout, [&](HWND w) {
      if (ClassOf(w) == kForm1Class) {
        const std::string text = TopLevelText(w);
        const ULONGLONG now = GetTickCount64();
        if (text != caption) {
          frames += !caption.empty();
          caption = text;
          changed = now;
        }
        longest = std::max(longest, (now - changed) / 1000.0);
      }
      return IsBox(w) || IsPlain(w);
    });
    std::printf("robot: %u caption changes, the longest pause %.1f s\n", frames, longest);
    if (longest > most)
      throw Failure("the caption stood still for " + std::to_string(longest) + " s");
  }

  void FramesUntilDialog(int wanted, double timeout) {
    const ULONGLONG start = GetTickCount64();
    std::set<std::string> frames;
    dialog_ = WaitDialog("dialog", timeout, [&](HWND w) {
      if (ClassOf(w) == kForm1Class) {
        std::string text = TopLevelText(w);
        if (text.rfind("Mwn Update .", 0) == 0) frames.insert(text);
      }
      return IsBox(w) || IsPlain(w);
    });
    std::printf("robot: %u animation frames seen in %.1f s\n", static_cast<unsigned>(frames.size()),
                (GetTickCount64() - start) / 1000.0);
    if (static_cast<int>(frames.size()) < wanted)
      throw Failure("only " + std::to_string(frames.size()) + " animation frames before the dialog");
  }

  void ExpectEnabled(const std::string& which, const std::string& wanted) {
    HWND window = which == "main" ? Main() : Control(which);
    Expect(which + " enabled", IsWindowEnabled(window) ? "1" : "0", wanted);
  }

  // A label's width is that of its text, so only an empty one's is known.
  void ExpectLayout(int dpi) {
    const double scale = dpi / 96.0;
    auto within = [](const std::string& what, LONG seen, double wanted) {
      if (seen - wanted > 1.0 || wanted - seen > 1.0)
        throw Failure(what + " is " + std::to_string(seen) + ", not " + std::to_string(wanted));
    };
    HWND main = Main();
    RECT frame;
    GetWindowRect(main, &frame);
    const double width = mwn::form1::kWidth * scale, height = mwn::form1::kHeight * scale;
    within("window width", frame.right - frame.left, width);
    within("window height", frame.bottom - frame.top, height);
    within("window left", frame.left, (GetSystemMetrics(SM_CXSCREEN) - width) / 2);
    within("window top", frame.top, (GetSystemMetrics(SM_CYSCREEN) - height) / 2);
    for (const mwn::form1::ControlPlace& control : mwn::form1::kControls) {
      const std::string id = std::to_string(control.id);
      RECT place;
      GetWindowRect(Control(id), &place);
      MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&place), 2);
      within(id + " left", place.left, control.box.left * scale);
      within(id + " top", place.top, control.box.top * scale);
      within(id + " height", place.bottom - place.top, control.box.height * scale);
      if (ChildText(Control(id)).empty())
        within(id + " width", place.right - place.left, control.box.width * scale);
    }
  }

  void NoDialogFor(double seconds) {
    HWND dialog = nullptr;
    WaitFor(seconds, [&] {
      for (HWND window : TopLevelWindows())
        if (IsBox(window) || IsPlain(window)) { dialog = window; return true; }
      return false;
    });
    if (dialog) throw Failure("a dialog came up: " + Printable(TopLevelText(dialog)));
  }

  // Another process may not take the foreground from the program's own
  // windows; WM_ACTIVATE is what the program's window sees when it does.
  void Activate() {
    HWND main = Main();
    SetForegroundWindow(main);
    PostMessageW(main, WM_ACTIVATE, WA_ACTIVE, 0);
  }

  bool Running() const { return WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

  void ExpectRunning() {
    if (!process_) throw Failure("no process attached");
    if (!Running()) throw Failure("the process has ended");
  }

  void ExpectExit(double timeout, const std::string* code) {
    if (!process_) throw Failure("no process attached");
    if (!WaitFor(timeout, [&] { return !Running(); })) throw Failure("the process is still running");
    DWORD exitCode = 0;
    GetExitCodeProcess(process_, &exitCode);
    std::printf("robot: exit code %lu\n", exitCode);
    if (code) Expect("exit code", std::to_string(exitCode), *code);
  }

  void PrintWindows() {
    for (HWND window : TopLevelWindows()) {
      std::printf("  window %s %s%s%s\n", ClassOf(window).c_str(), Printable(TopLevelText(window)).c_str(),
                  IsWindowVisible(window) ? "" : " hidden", IsWindowEnabled(window) ? "" : " disabled");
      for (HWND child : Children(window)) {
        std::string text;
        try { text = ChildText(child); } catch (const Failure&) { text = "?"; }
        std::printf("    %d %s %s\n", GetDlgCtrlID(child), ClassOf(child).c_str(), Printable(text).c_str());
      }
    }
  }

  HANDLE process_ = nullptr;
  DWORD pid_ = 0;
  HWND main_ = nullptr;
  HWND dialog_ = nullptr;
};

}  // namespace

int main(int argc, char** argv) {
  Robot robot;
  if (argc > 1) {
    std::ifstream scenario(argv[1]);
    if (!scenario) {
      std::printf("robot: cannot read %s\n", argv[1]);
      return 2;
    }
    robot.Run(scenario);
  } else {
    robot.Run(std::cin);
  }
  std::printf("robot: all expectations met\n");
  return 0;
}
