/* mwn_limited <command line>: runs the command line as a standard user's
 * program, waits for it and ends with its exit code. Under Wine every process
 * starts with a full administrator's token; its linked token is the limited
 * one a standard user's programs get, so the child is started with that.
 * A process that is not elevated passes its own token on. Never starts the
 * child elevated: exit code 240 when no token without elevation is to be
 * had, 241 when the child could not be started (the reason on stderr). */
#include <windows.h>

enum { kNoLimitedToken = 240, kNotStarted = 241 };

/* No USER32 (wsprintf): a DLL planted beside the program it starts, that
 * Wine's USER32 would load, stays out of the launcher. */
static int Fail(int code, const char* what) {
  char message[160] = "mwn_limited: ";
  char number[16];
  char* digit = number + sizeof number - 1;
  DWORD error = GetLastError();
  *digit = 0;
  do {
    *--digit = (char)('0' + error % 10);
    error /= 10;
  } while (error != 0);
  lstrcatA(message, what);
  lstrcatA(message, " (error ");
  lstrcatA(message, digit);
  lstrcatA(message, ")\r\n");
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_ERROR_HANDLE), message, lstrlenA(message), &written, NULL);
  return code;
}

static BOOL Elevated(HANDLE token, BOOL* elevated) {
  TOKEN_ELEVATION elevation;
  DWORD size = 0;
  if (!GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size)) {
    return FALSE;
  }
  *elevated = elevation.TokenIsElevated != 0;
  return TRUE;
}

/* A primary token without elevation: the process's own, or its linked one. */
static HANDLE LimitedPrimaryToken(void) {
  HANDLE own = NULL, source = NULL, primary = NULL;
  BOOL elevated = TRUE;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ALL_ACCESS, &own)) return NULL;
  if (Elevated(own, &elevated) && !elevated) {
    source = own;
  } else {
    TOKEN_LINKED_TOKEN linked;
    DWORD size = 0;
    if (GetTokenInformation(own, TokenLinkedToken, &linked, sizeof linked, &size)) {
      source = linked.LinkedToken;
    }
  }
  if (source != NULL &&
      !DuplicateTokenEx(source, TOKEN_ALL_ACCESS, NULL, SecurityImpersonation, TokenPrimary,
                        &primary)) {
    primary = NULL;
  }
  if (source != NULL && source != own) CloseHandle(source);
  CloseHandle(own);
  if (primary != NULL && (!Elevated(primary, &elevated) || elevated)) {
    CloseHandle(primary);
    primary = NULL;
  }
  return primary;
}

/* The command line after this program's own name, as it was given. */
static WCHAR* ChildCommandLine(void) {
  WCHAR* line = GetCommandLineW();
  if (*line == L'"') {
    for (++line; *line && *line != L'"'; ++line) {}
    if (*line) ++line;
  } else {
    while (*line && *line != L' ' && *line != L'\t') ++line;
  }
  while (*line == L' ' || *line == L'\t') ++line;
  return line;
}

int main(void) {
  WCHAR* commandLine = ChildCommandLine();
  if (*commandLine == 0) return Fail(kNotStarted, "no command line to run");
  HANDLE token = LimitedPrimaryToken();
  if (token == NULL) return Fail(kNoLimitedToken, "no token without elevation");
  STARTUPINFOW startup;
  ZeroMemory(&startup, sizeof startup);
  startup.cb = sizeof startup;
  PROCESS_INFORMATION child;
  const BOOL started = CreateProcessAsUserW(token, NULL, commandLine, NULL, NULL, FALSE, 0, NULL,
                                            NULL, &startup, &child);
  CloseHandle(token);
  if (!started) return Fail(kNotStarted, "the command line could not be started");
  CloseHandle(child.hThread);
  /* Ends when the child does; whoever started this program bounds the wait. */
  WaitForSingleObject(child.hProcess, INFINITE);
  DWORD exitCode = kNotStarted;
  GetExitCodeProcess(child.hProcess, &exitCode);
  CloseHandle(child.hProcess);
  return (int)exitCode;
}
