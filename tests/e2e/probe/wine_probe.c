/* What the end-to-end tests need of the 32-bit Wine they run under, tried
 * before any scenario: several threads at once (the walk's listing threads)
 * and a child process (the elevated instance, the robot's updater).
 * Exit code 0 when both work, 1 when a thread could not be made, 2 when the
 * child could not be started, 3 when it ended wrongly.
 * "wine_probe token": what a scenario asks of a process started with a given
 * token; the exit code is 10 * TokenElevation + the elevation type (3 for a
 * standard user's limited token, 12 for an administrator's full one), 1 when
 * the token cannot be read. */
#include <windows.h>

enum { kThreads = 8, kChildExitCode = 42 };

static DWORD WINAPI Idle(LPVOID unused) {
  (void)unused;
  for (int round = 0; round < 4; ++round) Sleep(50);
  return 0;
}

static int RunThreads(void) {
  HANDLE threads[kThreads];
  for (int i = 0; i < kThreads; ++i) {
    threads[i] = CreateThread(NULL, 0, Idle, NULL, 0, NULL);
    if (threads[i] == NULL) return 0;
  }
  WaitForMultipleObjects(kThreads, threads, TRUE, INFINITE);
  for (int i = 0; i < kThreads; ++i) CloseHandle(threads[i]);
  return 1;
}

static int RunChild(void) {
  WCHAR path[MAX_PATH];
  WCHAR commandLine[MAX_PATH + 16];
  if (GetModuleFileNameW(NULL, path, MAX_PATH) == 0) return 2;
  wsprintfW(commandLine, L"\"%s\" child", path);
  STARTUPINFOW startup;
  ZeroMemory(&startup, sizeof startup);
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process;
  if (!CreateProcessW(path, commandLine, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process)) {
    return 2;
  }
  DWORD exitCode = 0;
  WaitForSingleObject(process.hProcess, INFINITE);
  GetExitCodeProcess(process.hProcess, &exitCode);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return exitCode == kChildExitCode ? 0 : 3;
}

static int TokenState(void) {
  HANDLE token;
  TOKEN_ELEVATION elevation;
  TOKEN_ELEVATION_TYPE type;
  DWORD size = 0;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return 1;
  const BOOL read =
      GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size) &&
      GetTokenInformation(token, TokenElevationType, &type, sizeof type, &size);
  CloseHandle(token);
  return read ? 10 * (elevation.TokenIsElevated != 0) + (int)type : 1;
}

int main(int argc, char** argv) {
  if (argc > 1 && lstrcmpA(argv[1], "token") == 0) return TokenState();
  if (argc > 1) return RunThreads() ? kChildExitCode : 1;
  if (!RunThreads()) return 1;
  return RunChild();
}
