// Measures from outside, as a user's clock would:
//
//   mwn_probe run <MwnUpdate.exe> [interval-ms]
//   mwn_probe time <command line>
//
// run: starts the updater, answers OK at the confirmation and times the run
// from that click to the moment its "Done!" message is up. From the click
// until the close prompt is up, so over the whole run (scan, inflation,
// replacement of the copies, the clean-up after "Done!"), a second thread
// sends WM_NULL to Form1 every interval (20 ms) and times each answer. It
// reads the updater's peak working set while "Done!" is up, dismisses it,
// answers Yes at the close prompt and waits for the process to end. Prints
//
//   run_ms <ms> pings <n> worst_ms <ms> worst_at_ms <ms> p99_ms <ms> peak_kib <KiB> updated <n> order <hex>
//
// where worst_at_ms is when the slowest answer's WM_NULL was sent, from the
// click, updated counts the lines of the list of updated copies (Memo3) and
// order is a hash of that list, the same for the same copies in the same
// order.
// Every wait polls with a generous limit; any other outcome than "Done!" (a
// refusal, a failure notice, an error) ends the probe with exit code 1.
//
// time: runs the command line (output to this console) and prints
// "ms <elapsed> exit <code>", the elapsed time from its start to its end.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/control_ids.h"

namespace {

constexpr DWORD kPollMs = 2;
constexpr DWORD kStartLimitMs = 120000;
constexpr DWORD kRunLimitMs = 1800000;
constexpr UINT kPingTimeoutMs = 60000;

double NowMs() {
  static const double frequency = [] {
    LARGE_INTEGER value;
    QueryPerformanceFrequency(&value);
    return static_cast<double>(value.QuadPart);
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return 1000.0 * static_cast<double>(now.QuadPart) / frequency;
}

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "mwn_probe: %s\n", what);
  std::exit(1);
}

// Reads another process's window text without sending it a message, so a
// poll never waits for the updater's pump.
std::string TextOf(HWND window) {
  char text[512] = "";
  GetWindowTextA(window, text, sizeof text);
  return text;
}

struct Search {
  DWORD processId;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectVisibleOf(HWND window, LPARAM context) {
  auto& search = *reinterpret_cast<Search*>(context);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == search.processId && IsWindowVisible(window)) search.found.push_back(window);
  return TRUE;
}

// The updater's visible top-level windows.
std::vector<HWND> WindowsOf(DWORD processId) {
  Search search{processId, {}};
  EnumWindows(CollectVisibleOf, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// The texts of the window's STATIC children, joined by newlines.
std::string StaticTexts(HWND window) {
  std::string texts;
  for (HWND child = FindWindowExA(window, nullptr, "STATIC", nullptr); child != nullptr;
       child = FindWindowExA(window, child, "STATIC", nullptr)) {
    texts += TextOf(child) + "\n";
  }
  return texts;
}

// Polls until a dialog of the updater (a visible top-level window with
// controls, not Form1 and not the childless application window) is up; gives
// it with its caption and texts. Every dialog of the updater disables Form1
// while it is up, so while `form` is enabled one cheap question per poll
// suffices, and the walk being measured shares the system with less.
// Fails when the process ends or time runs out.
HWND WaitForDialog(HANDLE process, DWORD processId, HWND form, DWORD limitMs, std::string& caption,
                   std::string& texts) {
  const double deadline = NowMs() + limitMs;
  while (NowMs() < deadline) {
    if (form == nullptr || !IsWindowEnabled(form)) {
      for (HWND window : WindowsOf(processId)) {
        char className[64] = "";
        GetClassNameA(window, className, sizeof className);
        if (className == std::string(mwn::control::kForm1Class) || GetWindow(window, GW_CHILD) == nullptr) continue;
        caption = TextOf(window);
        texts = StaticTexts(window);
        return window;
      }
    }
    if (WaitForSingleObject(process, kPollMs) == WAIT_OBJECT_0) Fail("the updater ended early");
  }
  Fail("timed out waiting for a dialog of the updater");
}

// The lines of an edit control of the updater: asked by message, which "Done!"
// answers from its modal loop.
std::string EditText(HWND edit) {
  DWORD_PTR length = 0;
  if (edit == nullptr || !SendMessageTimeoutA(edit, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, kPingTimeoutMs, &length)) {
    Fail("cannot read the list of updated copies");
  }
  std::string text(length + 1, '\0');
  DWORD_PTR copied = 0;
  SendMessageTimeoutA(edit, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]), SMTO_NORMAL, kPingTimeoutMs,
                      &copied);
  text.resize(copied);
  return text;
}

int LineCount(const std::string& text) {
  int lines = 0;
  for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2)) ++lines;
  return lines;
}

// FNV-1a of the list: runs that updated the same copies in the same order
// print the same value.
unsigned OrderHash(const std::string& text) {
  unsigned hash = 2166136261u;
  for (unsigned char c : text) hash = (hash ^ c) * 16777619u;
  return hash;
}

void WaitGone(HWND window, DWORD limitMs) {
  const double deadline = NowMs() + limitMs;
  while (IsWindow(window) && IsWindowVisible(window)) {
    if (NowMs() > deadline) Fail("a dialog of the updater stayed up after its button was pressed");
    Sleep(kPollMs);
  }
}

void Press(HWND dialog, int id) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

struct Ping {
  double sentMs;  // from the click
  double answerMs;
};

// Sends WM_NULL to `target` every interval until told to stop, timing each
// answer.
class Pinger {
 public:
  Pinger(HWND target, double intervalMs, double originMs)
      : target_(target), intervalMs_(intervalMs), originMs_(originMs) {}
  void Start() {
    thread_ = CreateThread(nullptr, 0, ThreadMain, this, 0, nullptr);
    if (thread_ == nullptr) Fail("cannot start the WM_NULL thread");
  }
  std::vector<Ping> Stop() {
    stop_ = true;
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    return answers_;
  }

 private:
  static DWORD WINAPI ThreadMain(void* self) {
    static_cast<Pinger*>(self)->Run();
    return 0;
  }

  void Run() {
    double next = NowMs();
    while (!stop_) {
      const double sent = NowMs();
      DWORD_PTR result = 0;
      SendMessageTimeoutA(target_, WM_NULL, 0, 0, SMTO_NORMAL, kPingTimeoutMs, &result);
      answers_.push_back({sent - originMs_, NowMs() - sent});
      next += intervalMs_;
      const double wait = next - NowMs();
      if (wait > 0) Sleep(static_cast<DWORD>(wait));
      else next = NowMs();
    }
  }

  HWND target_;
  double intervalMs_;
  double originMs_;
  std::atomic<bool> stop_{false};
  HANDLE thread_ = nullptr;
  std::vector<Ping> answers_;
};

int MeasureRun(const char* updater, double intervalMs) {
  std::string commandLine = std::string("\"") + updater + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessA(updater, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
    Fail("cannot start the updater");
  }
  WaitForInputIdle(info.hProcess, kStartLimitMs);

  std::string caption, texts;
  HWND confirmation = WaitForDialog(info.hProcess, info.dwProcessId, nullptr, kStartLimitMs, caption, texts);
  if (caption != "Update Marlowen Now?") Fail(("unexpected first window: " + caption).c_str());
  HWND form = nullptr;
  while ((form = FindWindowExA(nullptr, form, mwn::control::kForm1Class, nullptr)) != nullptr) {
    DWORD owner = 0;
    GetWindowThreadProcessId(form, &owner);
    if (owner == info.dwProcessId) break;
  }
  if (form == nullptr) Fail("no Form1 window");

  const double clicked = NowMs();
  Pinger pinger(form, intervalMs, clicked);
  Press(confirmation, IDOK);
  pinger.Start();
  // The confirmation may still be up for a moment after the click.
  WaitGone(confirmation, kStartLimitMs);
  HWND outcome = WaitForDialog(info.hProcess, info.dwProcessId, form, kRunLimitMs, caption, texts);
  const double runMs = NowMs() - clicked;

  if (texts != "Done!\n") {
    std::fprintf(stderr, "mwn_probe: the run ended with \"%s\" instead of \"Done!\"\n", texts.c_str());
    TerminateProcess(info.hProcess, 1);
    pinger.Stop();
    return 1;
  }
  const std::string updatedList = EditText(GetDlgItem(form, mwn::control::kMemo3));
  const int updated = LineCount(updatedList);
  Press(outcome, IDOK);
  WaitGone(outcome, kStartLimitMs);
  // The clean-up of the scratch files runs between "Done!" and the close prompt.
  HWND closePrompt = WaitForDialog(info.hProcess, info.dwProcessId, form, kRunLimitMs, caption, texts);
  std::vector<Ping> answers = pinger.Stop();
  if (caption != "Close Marlowen Update?") Fail(("unexpected window instead of the close prompt: " + caption).c_str());

  PROCESS_MEMORY_COUNTERS memory{};
  memory.cb = sizeof memory;
  GetProcessMemoryInfo(info.hProcess, &memory, sizeof memory);
  Press(closePrompt, IDYES);
  if (WaitForSingleObject(info.hProcess, kStartLimitMs) != WAIT_OBJECT_0) Fail("the updater did not end");

  if (answers.empty()) Fail("no WM_NULL was answered");
  std::sort(answers.begin(), answers.end(), [](const Ping& a, const Ping& b) { return a.answerMs < b.answerMs; });
  const Ping& worst = answers.back();
  // The nearest-rank 99th percentile.
  const double p99 = answers[(answers.size() * 99 + 99) / 100 - 1].answerMs;
  const std::size_t peakKib = memory.PeakWorkingSetSize / 1024;
  std::printf("run_ms %.1f pings %zu worst_ms %.1f worst_at_ms %.0f p99_ms %.1f peak_kib %zu updated %d order %08x\n",
              runMs, answers.size(), worst.answerMs, worst.sentMs, p99, peakKib, updated, OrderHash(updatedList));
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  return 0;
}

int TimeCommand(std::string commandLine) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  const double started = NowMs();
  if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info)) {
    Fail("cannot start the command");
  }
  WaitForSingleObject(info.hProcess, INFINITE);
  const double elapsed = NowMs() - started;
  DWORD code = 0;
  GetExitCodeProcess(info.hProcess, &code);
  std::fflush(stdout);
  std::printf("ms %.1f exit %lu\n", elapsed, code);
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "run" && (argc == 3 || argc == 4)) return MeasureRun(argv[2], argc == 4 ? std::atof(argv[3]) : 20.0);
  if (mode == "time" && argc > 2) {
    // The probe's own command line, past the mode word, as the child's.
    const char* rest = std::strstr(GetCommandLineA(), " time ");
    if (rest != nullptr) return TimeCommand(rest + 6);
  }
  std::fprintf(stderr, "usage: mwn_probe run <MwnUpdate.exe> [interval-ms]\n"
                       "       mwn_probe time <command line>\n");
  return 2;
}
