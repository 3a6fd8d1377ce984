// Times the updater's InflatePayload against zlib's single-shot uncompress
// into a buffer of the known size, and reports the peak memory of each.
//
//   inflate_bench compress <input> <stream>   level-9 zlib stream of <input>
//   inflate_bench time <stream> <size> [runs] medians of rotating runs
//   inflate_bench peak payload|zlib <stream> <size>
//                                             one inflation: its time and
//                                             the process's peak memory
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#include <psapi.h>
#else
#include <malloc.h>
#include <sys/resource.h>
#endif

#include "payload/payload.h"
#include "platform/errors.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

Bytes ReadFile(const char* path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    std::fprintf(stderr, "cannot read %s\n", path);
    std::exit(1);
  }
  file.seekg(0, std::ios::end);
  Bytes bytes(static_cast<std::size_t>(file.tellg()));
  file.seekg(0);
  file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return bytes;
}

void WriteFile(const char* path, const Bytes& bytes) {
  std::ofstream file(path, std::ios::binary);
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!file) {
    std::fprintf(stderr, "cannot write %s\n", path);
    std::exit(1);
  }
}

// Peak memory of the process so far, in KiB: the resident high-water mark
// (the peak working set on Windows).
long PeakKiB() {
#ifdef _WIN32
  PROCESS_MEMORY_COUNTERS counters{};
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  return static_cast<long>(counters.PeakWorkingSetSize / 1024);
#else
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
#endif
}

double Milliseconds(Clock::duration elapsed) {
  return std::chrono::duration<double, std::milli>(elapsed).count();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  return values.size() % 2 != 0 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

std::size_t InflateWithPayload(const Bytes& stream, std::size_t estimate = 0) {
  const mwn::PayloadImage image = mwn::InflatePayload(stream.data(), stream.size(), estimate);
  return image.Size();
}

std::size_t InflateWithZlib(const Bytes& stream, std::size_t size) {
  Bytes image(size);
  uLongf length = static_cast<uLongf>(size);
  if (uncompress(image.data(), &length, stream.data(), static_cast<uLong>(stream.size())) != Z_OK) return 0;
  return length;
}

int Compress(const char* inputPath, const char* streamPath) {
  const Bytes input = ReadFile(inputPath);
  uLongf size = compressBound(static_cast<uLong>(input.size()));
  Bytes stream(size);
  const Clock::time_point start = Clock::now();
  if (compress2(stream.data(), &size, input.data(), static_cast<uLong>(input.size()), 9) != Z_OK) return 1;
  const double elapsed = Milliseconds(Clock::now() - start);
  stream.resize(size);
  WriteFile(streamPath, stream);
  std::printf("input %zu bytes, stream %zu bytes (%.1f %%), level 9 in %.0f ms\n", input.size(),
              stream.size(), 100.0 * static_cast<double>(stream.size()) / static_cast<double>(input.size()),
              elapsed);
  return 0;
}

int Time(const char* streamPath, std::size_t size, int runs) {
  const Bytes stream = ReadFile(streamPath);
  // The run's own call; the same with the size known, which needs no growth;
  // and zlib's single-shot uncompress into a buffer of the known size.
  const char* const names[] = {"InflatePayload", "InflatePayload, exact estimate", "uncompress"};
  std::vector<double> times[3];
  for (int run = 0; run < runs; ++run) {
    // Rotating the order keeps cache and allocator warm-up from favouring one.
    for (int turn = 0; turn < 3; ++turn) {
      const int which = (run + turn) % 3;
      const Clock::time_point start = Clock::now();
      const std::size_t produced = which == 0   ? InflateWithPayload(stream)
                                   : which == 1 ? InflateWithPayload(stream, size)
                                                : InflateWithZlib(stream, size);
      const double elapsed = Milliseconds(Clock::now() - start);
      if (produced != size) {
        std::fprintf(stderr, "%s gave %zu bytes, not %zu\n", names[which], produced, size);
        return 1;
      }
      times[which].push_back(elapsed);
    }
  }
  const double zlibMs = Median(times[2]);
  std::printf("median of %d rotating runs, %zu-byte stream to %zu bytes:\n", runs, stream.size(), size);
  for (int which = 0; which < 3; ++which) {
    const double ms = Median(times[which]);
    std::printf("  %-32s %7.1f ms  %+6.1f %% against uncompress  (min %.1f, max %.1f)\n", names[which], ms,
                100.0 * (ms - zlibMs) / zlibMs, *std::min_element(times[which].begin(), times[which].end()),
                *std::max_element(times[which].begin(), times[which].end()));
  }
  std::printf("peak memory of the process: %ld KiB\n", PeakKiB());
  return 0;
}

int Peak(const std::string& which, const char* streamPath, std::size_t size) {
  const Bytes stream = ReadFile(streamPath);
  const long before = PeakKiB();
  const Clock::time_point start = Clock::now();
  const std::size_t produced = which == "payload" ? InflateWithPayload(stream) : InflateWithZlib(stream, size);
  const double elapsed = Milliseconds(Clock::now() - start);
  const long after = PeakKiB();
  if (produced != size) return 1;
  std::printf("%-14s once in a fresh process: %.1f ms; peak %ld KiB, %ld KiB above the %ld KiB before (image %zu KiB)\n",
              which == "payload" ? "InflatePayload" : "uncompress", elapsed, after, after - before, before,
              size / 1024);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
#ifdef __GLIBC__
  // Large blocks fresh from the system every time, as the Windows heap gives
  // them: glibc would otherwise recycle the previous run's pages for blocks
  // below its dynamic threshold and not for larger ones, favouring whichever
  // call asks for less.
  mallopt(M_MMAP_THRESHOLD, 1 << 20);
#endif
  const std::string mode = argc > 1 ? argv[1] : "";
  try {
    if (mode == "compress" && argc == 4) return Compress(argv[2], argv[3]);
    if (mode == "time" && (argc == 4 || argc == 5)) {
      return Time(argv[2], std::strtoull(argv[3], nullptr, 10), argc == 5 ? std::atoi(argv[4]) : 7);
    }
    if (mode == "peak" && argc == 5) return Peak(argv[2], argv[3], std::strtoull(argv[4], nullptr, 10));
  } catch (const mwn::Exception& error) {
    std::fprintf(stderr, "InflatePayload: %s\n", error.what());
    return 1;
  }
  std::fprintf(stderr,
               "usage: inflate_bench compress <input> <stream>\n"
               "       inflate_bench time <stream> <size> [runs]\n"
               "       inflate_bench peak payload|zlib <stream> <size>\n");
  return 2;
}
