// The yardstick for the updater's scan: the plainest recursive walk of the
// same trees, one FindFirstFileA/FindNextFileA listing per folder and
// nothing else, counting the files named Mwn.exe.
//
//   mwn_walk <root>...      (drive roots such as C:\ and D:\ as the arguments)
//
// Prints "copies <n> folders <n> entries <n> ms <elapsed>" on one line.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

struct Totals {
  unsigned long copies = 0;
  unsigned long folders = 0;
  unsigned long entries = 0;
};

void Walk(const std::string& folder, Totals& totals) {
  ++totals.folders;
  const std::string prefix = folder.back() == '\\' ? folder : folder + '\\';
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((prefix + "*.*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const char* name = entry.cFileName;
    const bool dots = name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
    if (dots) continue;
    ++totals.entries;
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      Walk(prefix + entry.cFileName, totals);
    } else if (lstrcmpiA(entry.cFileName, "Mwn.exe") == 0) {
      ++totals.copies;
    }
  } while (FindNextFileA(find, &entry));
  FindClose(find);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: mwn_walk <root>...\n");
    return 2;
  }
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  Totals totals;
  for (int i = 1; i < argc; ++i) Walk(argv[i], totals);
  QueryPerformanceCounter(&end);
  const double ms = 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
  std::printf("copies %lu folders %lu entries %lu ms %.1f\n", totals.copies, totals.folders, totals.entries, ms);
  return 0;
}
