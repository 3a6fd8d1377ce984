// The walk over a share whose every listing costs a fixed delay, paid on the
// calling thread so that listings made at once overlap as over a network:
// the serial walk against the walk with listings fetched ahead, on the same
// file-server-shaped tree, with what the window is told compared line by
// line. Host build, on the unit tests' fake platform:
//
//   mwn_latency_bench [delay in ms ...]      (default: 2 20)
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "fake_platform.h"
#include "fake_window.h"
#include "platform/pump.h"
#include "update/walk/scan.h"
#include "update/walk/search.h"

namespace {

constexpr char kShare[] = "\\\\files\\depts";
constexpr mwn::LookAhead kLookAhead{32, 256};

class Tree {
 public:
  // Wide and shallow shares of departments and projects, as a file server
  // holds them, and a few deep trees (source checkouts, archives).
  void Build(FakePlatform& platform) {
    platform.AddShare(kShare);
    for (int dept = 0; dept < 24; ++dept) {
      const std::string deptPath = Folder(platform, kShare, "Dept" + std::to_string(dept));
      for (int project = 0, projects = 20 + Below(40); project < projects; ++project) {
        const std::string projectPath = Folder(platform, deptPath, "Project" + std::to_string(project));
        Files(platform, projectPath, 4 + Below(12));
        for (int sub = 0, subs = Below(4); sub < subs; ++sub) {
          Files(platform, Folder(platform, projectPath, "Part" + std::to_string(sub)), Below(20));
        }
        if (Below(200) == 0) platform.AddFile(projectPath + "\\Mwn.exe", "old");
      }
    }
    for (int deep = 0; deep < 3; ++deep) {
      Deep(platform, Folder(platform, kShare, "Archive" + std::to_string(deep)), 9);
    }
  }
  int folders = 1;
  int files = 0;

 private:
  std::string Folder(FakePlatform& platform, const std::string& parent, const std::string& name) {
    const std::string path = parent + "\\" + name;
    platform.AddFolder(path);
    ++folders;
    return path;
  }
  void Files(FakePlatform& platform, const std::string& folder, int count) {
    for (int i = 0; i < count; ++i) platform.AddFile(folder + "\\doc" + std::to_string(i) + ".dat", "");
    files += count;
  }
  void Deep(FakePlatform& platform, const std::string& folder, int depth) {
    Files(platform, folder, Below(6));
    if (depth == 0) return;
    for (int i = 0, n = 1 + Below(2); i < n; ++i) {
      Deep(platform, Folder(platform, folder, "level" + std::to_string(depth) + "_" + std::to_string(i)),
           depth - 1);
    }
  }
  int Below(int bound) {
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<int>((state_ >> 33) % static_cast<std::uint64_t>(bound));
  }
  std::uint64_t state_ = 17;
};

struct Outcome {
  double seconds;
  std::vector<std::string> found;
  std::vector<std::string> shown;
};

Outcome Walk(int delayMs, mwn::LookAhead lookAhead) {
  FakePlatform platform;
  Tree().Build(platform);
  platform.threadLimit = lookAhead.threads;
  platform.listingDelay = [delayMs](const std::string&) {
    return std::chrono::microseconds(delayMs * 1000);
  };
  FakeWindow window;
  mwn::MessagePump pump(platform);
  const auto start = std::chrono::steady_clock::now();
  mwn::SearchFolder(platform, pump, "Mwn.exe", kShare, window.memo1, window, mwn::Label::Label4,
                    lookAhead);
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  return {elapsed.count(), window.memo1.lines, window.label(mwn::Label::Label4).history};
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> delays;
  for (int i = 1; i < argc; ++i) delays.push_back(std::atoi(argv[i]));
  if (delays.empty()) delays = {2, 20};
  FakePlatform sizing;
  Tree tree;
  tree.Build(sizing);
  std::printf("tree: %d folders, %d files; look-ahead: %u threads, %u listings\n", tree.folders,
              tree.files, kLookAhead.threads, kLookAhead.listings);
  bool same = true;
  for (int delay : delays) {
    const Outcome serial = Walk(delay, {});
    const Outcome ahead = Walk(delay, kLookAhead);
    const double limit = tree.folders * delay / 1000.0 / kLookAhead.threads;
    const bool equal = serial.found == ahead.found && serial.shown == ahead.shown;
    same = same && equal;
    std::printf(
        "%3d ms per listing: serial %7.2f s, look-ahead %6.2f s, ratio 1/%.1f (goal <= 1/10); "
        "limit %5.2f s, look-ahead / limit %.2f (goal <= 1.5); window told the same: %s\n",
        delay, serial.seconds, ahead.seconds, serial.seconds / ahead.seconds, limit,
        ahead.seconds / limit, equal ? "yes" : "NO");
  }
  return same ? 0 : 1;
}
