/* A DLL planted beside a program under the name of a system DLL it uses:
 * loaded, it leaves a mark beside itself that names the program that loaded
 * it (<dll>.loaded-by-<program>). It exports nothing; whoever loads it has
 * already lost. */
#include <stdio.h>
#include <string.h>
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved) {
  (void)reserved;
  if (reason == DLL_PROCESS_ATTACH) {
    char dll[MAX_PATH], program[MAX_PATH], mark[2 * MAX_PATH + 16];
    GetModuleFileNameA(self, dll, MAX_PATH);
    GetModuleFileNameA(NULL, program, MAX_PATH);
    const char* name = strrchr(program, '\\');
    snprintf(mark, sizeof mark, "%s.loaded-by-%s", dll, name != NULL ? name + 1 : program);
    HANDLE file = CreateFileA(mark, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  }
  return TRUE;
}
