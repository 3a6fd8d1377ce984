// The whole update, run over seeded random machines while platform calls
// fail or corrupt what they write: each call of a clean run in turn, every
// call of one kind, random sets of calls, and every write corrupted in turn.
// After every run the checks below must hold, however the run went.
// MWN_FAULT_SEED=<seed> runs only the tree that a failure names.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "fake_platform.h"
#include "fake_window.h"
#include "platform/errors.h"
#include "platform/pump.h"
#include "random_tree.h"
#include "update/base/path.h"
#include "update/base/run_log.h"
#include "update/base/texts.h"
#include "update/replacement/copy_folders.h"
#include "update/replacement/replace.h"
#include "update/run/run.h"

namespace {

using Lines = std::vector<std::string>;

// Sized to keep the suite within seconds on the host and within half a
// minute under the sanitizers.
constexpr std::uint32_t kBaseSeed = 0x3C6EF372;
constexpr int kSweptTrees = 24;
constexpr int kTrees = 48;
constexpr int kRandomSetsPerTree = 100;
constexpr int kMaxFailingRuns = 3;
constexpr std::uint32_t kErrorAlreadyExists = 183;

// The replacement: its version near the start, so that a byte flipped in
// the middle leaves the version readable and only the read-back notices.
const std::string& Image() {
  static const std::string image = [] {
    std::string bytes = VersionedImage(RandomTree::kReplacementVersion);
    for (int i = 0; bytes.size() < 4096; ++i) bytes += static_cast<char>('a' + i * 7 % 26);
    return bytes;
  }();
  return image;
}

const std::vector<std::uint8_t>& CompressedImage() {
  static const std::vector<std::uint8_t> compressed = ZlibStream(Image());
  return compressed;
}

// The scratch folder and image of every run: no unique name is taken before
// the scratch folder's.
const std::string& ScratchFolder() {
  static const std::string folder = [] {
    char digits[8];
    std::snprintf(digits, sizeof digits, "%04X", FakePlatform().tempCounter & 0xFFFF);
    return std::string(RandomTree::kTempPath) + mwn::kTempPrefix + digits + ".TMP";
  }();
  return folder;
}

const std::string& ImagePath() {
  static const std::string path = mwn::JoinPath(ScratchFolder(), mwn::text::kTargetName);
  return path;
}

using mwn::FolderOfPath;
using mwn::NameOfPath;

// Calls whose failure the fake does not model or the program does not look at.
bool Injectable(Op op) {
  switch (op) {
    case Op::LogicalDriveMask:
    case Op::DriveTypeOf:
    case Op::CloseConnectedDisks:
    case Op::ExecutablePath:
    case Op::EqualIgnoringCase:
    case Op::ShowMessageBox:
    case Op::SetWaitCursor:
    case Op::Pause:
      return false;
    default:
      return true;
  }
}

bool ReturnsCode(Op op) {
  switch (op) {
    case Op::OpenConnectedDisks:
    case Op::ReadConnectedDisks:
    case Op::CreateFolder:
    case Op::RemoveFolder:
    case Op::CreateFileRW:
    case Op::WriteFileBytes:
    case Op::CloseFile:
    case Op::CopyFile:
    case Op::MoveFile:
    case Op::RunElevated:
      return true;
    default:
      return false;
  }
}

struct Injection {
  std::uint32_t code = mwn::kErrorAccessDenied;
  bool shortWrite = false;  // a file write stores a few bytes and reports success
};

struct Schedule {
  std::map<std::size_t, Injection> failures;  // by index in the run's call log
  std::set<Op> alwaysFailing;
  std::set<int> corruptions;  // by ordinal among the copies and writes that succeed
};

struct Fault {
  enum Kind { kFail, kShortWrite, kCorrupt };
  Kind kind;
  std::size_t call;
  FakePlatform::Call what;
  std::uint32_t code;
  bool replacing;  // made while the copies were being replaced
};

std::string Describe(const Fault& fault) {
  std::string text = "#" + std::to_string(fault.call) + " " + OpName(fault.what.op) + "(" +
                     fault.what.path + (fault.what.other.empty() ? "" : " <- " + fault.what.other) +
                     ")";
  switch (fault.kind) {
    case Fault::kFail:
      return text + " fails" + (ReturnsCode(fault.what.op) ? " " + std::to_string(fault.code) : "");
    case Fault::kShortWrite:
      return text + " writes short";
    case Fault::kCorrupt:
      return text + " corrupts";
  }
  return text;
}

struct Ending {
  enum Kind { kNone, kInOut, kDecompression, kForeign };
  Kind kind = kNone;
  std::uint32_t code = 0;
  std::string message;
  bool afterOutcome = false;  // the error comes from the clean-up, after the outcome notice
};

std::string Describe(const Ending& ending) {
  switch (ending.kind) {
    case Ending::kNone:
      return "no error";
    case Ending::kInOut:
      return "EInOutError " + std::to_string(ending.code);
    case Ending::kDecompression:
      return "EDecompressionError";
    case Ending::kForeign:
      return "foreign exception: " + ending.message;
  }
  return "";
}

Ending InOut(std::uint32_t code, bool afterOutcome = false) {
  return {Ending::kInOut, code, "", afterOutcome};
}

// The error that must end the run, decided by the kind of call that failed.
Ending ExpectedEnding(const std::vector<Fault>& faults) {
  bool uniqueNameKept = false;
  bool imageKept = false;
  // A file whose creation failed keeps nothing when its deletion fails too.
  std::set<std::string> neverMade;
  for (const Fault& fault : faults) {
    if (fault.kind == Fault::kCorrupt) continue;
    const std::string& path = fault.what.path;
    switch (fault.what.op) {
      case Op::TempPath:
        return InOut(mwn::kErrorPathNotFound);
      case Op::UniqueTempFile:
        if (path == RandomTree::kTempPath) return InOut(mwn::kErrorPathNotFound);
        break;
      case Op::DeleteFile:
        if (neverMade.count(path) != 0) break;
        uniqueNameKept = uniqueNameKept || path == ScratchFolder();
        // The list of copies for the elevated instance lies beside the image.
        imageKept = imageKept || mwn::FolderOfPath(path) == ScratchFolder();
        break;
      case Op::CreateFolder:
        return InOut(fault.code);
      case Op::OwnResource:
        return {Ending::kDecompression};
      case Op::CreateFileRW:
        if (path == ImagePath()) return InOut(fault.code);
        neverMade.insert(path);
        break;
      case Op::CloseFile:
        if (path == ImagePath()) return InOut(fault.code);
        break;
      case Op::WriteFileBytes:
        if (path == ImagePath()) {
          return InOut(fault.kind == Fault::kShortWrite ? mwn::kIoShortWrite : fault.code);
        }
        break;
      case Op::RemoveFolder:
        return InOut(fault.code, true);
      default:
        break;
    }
  }
  // The file of the unique name blocks the folder of that name.
  if (uniqueNameKept) return InOut(kErrorAlreadyExists);
  if (imageKept) return InOut(mwn::kErrorDirNotEmpty, true);
  return {};
}

// One confirmed run of the whole update over a fresh machine.
class FaultyRun {
 public:
  FaultyRun(const RandomTree& tree, const Schedule& schedule) {
    tree.Build(platform);
    platform.resource = CompressedImage();
    platform.events = &window.events;
    platform.onPump = [this] { window.FireTimer(); };
    Execute(schedule);
  }
  FaultyRun(const FaultyRun&) = delete;
  FaultyRun& operator=(const FaultyRun&) = delete;

  FakePlatform platform;
  FakeWindow window;
  std::vector<Fault> faults;
  Ending ending;
  int corruptible = 0;  // copies and writes that succeeded, so could have been corrupted
  Lines found;          // what the search listed, in its order

 private:
  void Execute(const Schedule& schedule) {
    bool replacing = false;
    platform.fail = [&](Op op, const std::string& path) {
      platform.writeLimit = SIZE_MAX;
      if (op == Op::FileAttributes) replacing = true;  // asked for by the replacement alone
      if (op == Op::DeleteFile && path == ImagePath()) replacing = false;
      const std::size_t call = platform.calls.size() - 1;
      const auto at = schedule.failures.find(call);
      Injection injection;
      if (at != schedule.failures.end()) {
        injection = at->second;
      } else if (schedule.alwaysFailing.count(op) == 0) {
        return false;
      }
      if (!Injectable(op)) return false;
      const bool shortWrite = injection.shortWrite && op == Op::WriteFileBytes;
      faults.push_back({shortWrite ? Fault::kShortWrite : Fault::kFail, call, platform.calls.back(),
                        injection.code, replacing});
      if (shortWrite) {
        platform.writeLimit = 7;
        return false;
      }
      platform.failCode = injection.code;
      return true;
    };
    platform.corrupt = [&](Op, const std::string&) {
      if (schedule.corruptions.count(corruptible++) == 0) return false;
      faults.push_back(
          {Fault::kCorrupt, platform.calls.size() - 1, platform.calls.back(), 0, replacing});
      return true;
    };
    mwn::MessagePump pump(platform);
    mwn::RunLog log(platform);
    mwn::UpdateRun update(platform, window, pump, log);
    try {
      update.FormShow();
    } catch (const mwn::EInOutError& error) {
      ending = {Ending::kInOut, error.Code(), error.Message()};
    } catch (const mwn::EDecompressionError& error) {
      ending = {Ending::kDecompression, 0, error.Message()};
    } catch (const std::exception& error) {
      ending = {Ending::kForeign, 0, error.what()};
    }
    platform.fail = nullptr;
    platform.corrupt = nullptr;
    platform.writeLimit = SIZE_MAX;
    static const std::string added = "memo1:add:";
    for (const std::string& event : window.events) {
      if (event.compare(0, added.size(), added) == 0) found.push_back(event.substr(added.size()));
    }
  }
};

bool IsSubsequence(const Lines& part, const Lines& whole) {
  auto at = whole.begin();
  for (const std::string& line : part) {
    at = std::find(at, whole.end(), line);
    if (at == whole.end()) return false;
    ++at;
  }
  return true;
}

Lines Sorted(Lines lines) {
  std::sort(lines.begin(), lines.end());
  return lines;
}

std::string Joined(const Lines& lines) {
  std::string text;
  for (const std::string& line : lines) text += (text.empty() ? "" : ", ") + line;
  return "{" + text + "}";
}

// Folders where faults struck the last fallbacks themselves, so that a copy
// may rightly end neither old nor new: the move back from the backup failed,
// and then the copy back from it, its flush or its check.
std::set<int> FoldersBeyondRepair(const RandomTree& tree, const std::vector<Fault>& faults) {
  std::map<int, std::string> stuckBackups;  // by folder
  std::set<int> beyond;
  for (const Fault& fault : faults) {
    if (!fault.replacing) continue;
    const FakePlatform::Call& what = fault.what;
    const int folder =
        tree.NodeAt(what.op == Op::UniqueTempFile ? what.path : FolderOfPath(what.path));
    if (what.op == Op::MoveFile && IsTempName(NameOfPath(what.other)) &&
        !IsTempName(NameOfPath(what.path))) {
      stuckBackups[folder] = what.other;
    }
    const auto stuck = stuckBackups.find(folder);
    if (stuck == stuckBackups.end()) continue;
    if ((what.op == Op::CopyFile && what.other == stuck->second) ||
        (what.op == Op::FlushFile && !IsTempName(NameOfPath(what.path))) ||
        (what.op == Op::FilesHoldSame && what.path == stuck->second)) {
      beyond.insert(folder);
    }
  }
  return beyond;
}

struct Tally {
  int trees = 0;
  long runs = 0;
  long faults = 0;
  long corruptions = 0;
  long copiesChecked = 0;
  long copiesBeyondRepair = 0;
  long runsBeyondRepair = 0;
};

class FaultInjection : public ::testing::Test {
 protected:
  static std::vector<std::uint32_t> Seeds(int count) {
    if (const char* chosen = std::getenv("MWN_FAULT_SEED")) {
      return {static_cast<std::uint32_t>(std::strtoul(chosen, nullptr, 0))};
    }
    std::vector<std::uint32_t> seeds;
    for (int i = 0; i < count; ++i) seeds.push_back(kBaseSeed + static_cast<std::uint32_t>(i));
    return seeds;
  }

  // The run without faults, checked against what the tree says it must do.
  std::unique_ptr<FaultyRun> Baseline(const RandomTree& tree) {
    ++tally_.trees;
    auto clean = std::make_unique<FaultyRun>(tree, Schedule{});
    Lines problems;
    const Lines& found = clean->found;
    Lines expectedFound;
    Lines stuck;
    Lines replaceable;
    bool refused = false;
    for (const RandomTree::Find& find : tree.ExpectedFinds()) {
      expectedFound.push_back(find.path);
      (tree.Stuck(find.file) ? stuck : replaceable).push_back(find.path);
      refused = refused || tree.Newer(find.file);
    }
    if (Sorted(found) != Sorted(expectedFound)) {
      problems.push_back("search listed " + Joined(found) + ", expected " + Joined(expectedFound));
    }
    if (refused) {
      stuck = expectedFound;
      replaceable.clear();
    }
    if (Sorted(clean->window.memo1.lines) != Sorted(stuck)) {
      problems.push_back("not updated " + Joined(clean->window.memo1.lines) + ", expected " +
                         Joined(stuck));
    }
    if (Sorted(clean->window.memo3.lines) != Sorted(replaceable)) {
      problems.push_back("updated " + Joined(clean->window.memo3.lines) + ", expected " +
                         Joined(replaceable));
    }
    for (const std::string& path : clean->window.memo3.lines) {
      const Lines names = clean->platform.Names(FolderOfPath(path));
      if (std::find(names.begin(), names.end(), mwn::text::kTargetName) == names.end()) {
        problems.push_back(path + " was not given the program's spelling");
      }
    }
    if (!clean->faults.empty()) problems.push_back("a fault was injected into the clean run");
    Verify(tree, *clean, "no fault", problems);
    return clean;
  }

  // Checks one run; false once enough runs have failed to stop the test.
  bool Verify(const RandomTree& tree, const FaultyRun& run, const std::string& label,
              Lines problems = {}) {
    ++tally_.runs;
    for (const Fault& fault : run.faults) {
      ++(fault.kind == Fault::kCorrupt ? tally_.corruptions : tally_.faults);
    }
    const Ending expected = ExpectedEnding(run.faults);
    CheckEnding(run, expected, problems);
    CheckFinishingSteps(run, problems);
    CheckLists(run, expected, problems);
    CheckCopies(tree, run, problems);
    if (run.platform.OpenHandles() != 0) {
      problems.push_back(std::to_string(run.platform.OpenHandles()) + " handle(s) left open");
    }
    if (problems.empty()) return true;

    std::string faults;
    for (const Fault& fault : run.faults) faults += "\n    " + Describe(fault);
    std::string text;
    for (const std::string& problem : problems) text += "\n  - " + problem;
    ADD_FAILURE() << tree.Summary() << "\n  run: " << label
                  << "\n  faults injected:" << (faults.empty() ? " none" : faults) << text;
    return ++failingRuns_ < kMaxFailingRuns;
  }

  void Report(const char* what) const {
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    std::printf(
        "[ fault injection ] %s: %d trees, %ld runs, %ld failing calls and %ld corrupting "
        "writes injected, %ld copies checked (%ld beyond repair, in %ld runs where two faults "
        "struck the last fallbacks), %.2f s\n",
        what, tally_.trees, tally_.runs, tally_.faults, tally_.corruptions, tally_.copiesChecked,
        tally_.copiesBeyondRepair, tally_.runsBeyondRepair, seconds);
  }

 private:
  static void CheckEnding(const FaultyRun& run, const Ending& expected, Lines& problems) {
    if (run.ending.kind != expected.kind ||
        (expected.kind == Ending::kInOut && run.ending.code != expected.code)) {
      problems.push_back("ended with " + Describe(run.ending) + " (" + run.ending.message +
                         "), expected " + Describe(expected));
    }
  }

  // Cursor, timer, caption and the close prompt, in that order, after
  // everything else the run did.
  static void CheckFinishingSteps(const FaultyRun& run, Lines& problems) {
    const FakeWindow& window = run.window;
    if (run.platform.cursorHistory != std::vector<bool>{true, false}) {
      problems.push_back("the cursor did not go from wait back to normal exactly once");
    }
    const auto normal = std::find(window.events.rbegin(), window.events.rend(), "cursor:normal");
    Lines tail(normal.base(), window.events.end());
    // The pump after the cursor may still let the animation take a step.
    const std::string frame = std::string("caption:") + mwn::text::kCaption + " .";
    while (!tail.empty() && tail.front().compare(0, frame.size(), frame) == 0) {
      tail.erase(tail.begin());
    }
    if (!tail.empty() && tail.front() == "timer:stop") tail.erase(tail.begin());
    const Lines wanted = {std::string("caption:") + mwn::text::kCaption,
                          std::string("box:") + mwn::text::kCloseCaption, "close"};
    if (normal == window.events.rend() || tail != wanted) {
      problems.push_back("finishing steps were " + Joined(tail));
    }
    const auto prompts = std::count(window.events.begin(), window.events.end(), wanted[1]);
    if (prompts != 1)
      problems.push_back("close prompt asked " + std::to_string(prompts) + " times");
    if (window.timerRunning || window.caption != mwn::text::kCaption || window.closeCount != 1) {
      problems.push_back("timer, caption or close left wrong");
    }
  }

  static void CheckLists(const FaultyRun& run, const Ending& expected, Lines& problems) {
    const Lines& found = run.found;
    const Lines& notUpdated = run.window.memo1.lines;
    const Lines& updated = run.window.memo3.lines;
    Lines both = notUpdated;
    both.insert(both.end(), updated.begin(), updated.end());
    if (Sorted(both) != Sorted(found)) {
      problems.push_back("found " + Joined(found) + " but not updated " + Joined(notUpdated) +
                         " and updated " + Joined(updated));
    }
    // Copies that the elevated instance replaced follow those of the loop.
    Lines lastFirstTwice(found.rbegin(), found.rend());
    lastFirstTwice.insert(lastFirstTwice.end(), found.rbegin(), found.rend());
    if (!IsSubsequence(notUpdated, found) || !IsSubsequence(updated, lastFirstTwice)) {
      problems.push_back("lists out of order");
    }

    const Lines& notices = run.window.plainMessages;
    const bool outcomeOwed = expected.kind == Ending::kNone || expected.afterOutcome;
    if (!outcomeOwed) {
      if (!notices.empty()) problems.push_back("outcome shown after an error: " + Joined(notices));
      return;
    }
    const bool right =
        notices.size() == 1 && ((notices[0] == mwn::text::kDone && notUpdated.empty()) ||
                                (notices[0] == mwn::text::kFailure && !notUpdated.empty()) ||
                                (notices[0] == mwn::text::kRefusal && updated.empty()));
    if (!right) problems.push_back("outcome notices " + Joined(notices));
  }

  // Each copy found holds the replacement, when it was updated through one
  // of the paths that reach it, or else exactly its old bytes; no staged file
  // is left anywhere but in the temp folder after an error.
  void CheckCopies(const RandomTree& tree, const FaultyRun& run, Lines& problems) {
    const std::set<int> beyondRepair = FoldersBeyondRepair(tree, run.faults);
    if (!beyondRepair.empty()) ++tally_.runsBeyondRepair;
    std::map<int, Lines> pathsOfFile;
    for (const std::string& path : run.found) pathsOfFile[tree.NodeAt(path)].push_back(path);
    const Lines& updated = run.window.memo3.lines;
    for (const auto& [file, paths] : pathsOfFile) {
      if (file < 0) {
        problems.push_back("found something that is not a copy: " + Joined(paths));
        continue;
      }
      if (beyondRepair.count(tree.NodeAt(FolderOfPath(paths[0]))) != 0) {
        tally_.copiesBeyondRepair += static_cast<long>(paths.size());
        continue;
      }
      tally_.copiesChecked += static_cast<long>(paths.size());
      const bool wasUpdated = std::any_of(paths.begin(), paths.end(), [&](const std::string& path) {
        return std::find(updated.begin(), updated.end(), path) != updated.end();
      });
      const std::string& wanted = wasUpdated ? Image() : tree.BytesOf(file);
      for (const std::string& path : paths) {
        if (!run.platform.IsFile(path)) {
          problems.push_back(path + " is gone");
        } else if (run.platform.Contents(path) != wanted) {
          problems.push_back(path + (wasUpdated ? " was listed as updated but does not hold the "
                                                  "replacement"
                                                : " was not updated but lost its old bytes"));
        }
      }
    }

    std::set<std::pair<int, std::string>> undeletable;
    for (const Fault& fault : run.faults) {
      if (fault.what.op == Op::DeleteFile) {
        undeletable.insert({tree.NodeAt(FolderOfPath(fault.what.path)), NameOfPath(fault.what.path)});
      }
    }
    // A file can only appear where the run made one: a unique name, a copy,
    // a move, a file or a folder it created.
    std::set<std::string> touched;
    for (const FakePlatform::Call& call : run.platform.calls) {
      switch (call.op) {
        case Op::UniqueTempFile:
          touched.insert(call.path);
          break;
        case Op::CopyFile:
        case Op::MoveFile:
        case Op::CreateFileRW:
        case Op::CreateFolder:
          touched.insert(FolderOfPath(call.path));
          break;
        default:
          break;
      }
    }
    const int temp = tree.NodeAt(RandomTree::kTempPath);
    const bool errorEnded = run.ending.kind != Ending::kNone;
    std::set<int> visited;
    for (const std::string& folder : touched) {
      const int node = tree.NodeAt(folder);
      if (node < 0 || !visited.insert(node).second) continue;
      for (const std::string& name : run.platform.Names(folder)) {
        if (!IsTempName(name)) continue;
        const bool allowed = (errorEnded && node == temp) || beyondRepair.count(node) != 0 ||
                             undeletable.count({node, name}) != 0;
        if (!allowed) problems.push_back("staged file left: " + mwn::JoinPath(folder, name));
      }
    }
  }

  Tally tally_;
  int failingRuns_ = 0;
  const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

TEST_F(FaultInjection, EachCallOfTheRunFailingInTurn) {
  for (const std::uint32_t seed : Seeds(kSweptTrees)) {
    const RandomTree tree(seed, RandomTree::LongPaths::kNever);
    const std::unique_ptr<FaultyRun> clean = Baseline(tree);
    const std::vector<FakePlatform::Call> calls = clean->platform.calls;
    for (std::size_t index = 0; index < calls.size(); ++index) {
      const Op op = calls[index].op;
      if (!Injectable(op)) continue;
      std::vector<Injection> injections = {{mwn::kErrorAccessDenied, false}};
      if (ReturnsCode(op)) injections.push_back({mwn::kErrorDiskFull, false});
      if (op == Op::WriteFileBytes) injections.push_back({mwn::kErrorAccessDenied, true});
      for (const Injection& injection : injections) {
        Schedule schedule;
        schedule.failures[index] = injection;
        const FaultyRun run(tree, schedule);
        Lines problems;
        if (run.faults.size() != 1) problems.push_back("the fault was not injected");
        const std::string label =
            "call #" + std::to_string(index) + " " + OpName(op) + "(" + calls[index].path +
            ") failing" +
            (injection.shortWrite ? " short" : " with " + std::to_string(injection.code));
        if (!Verify(tree, run, label, problems)) return;
      }
    }
  }
  Report("each call failing in turn");
}

TEST_F(FaultInjection, RandomSetsOfFailingAndCorruptingCalls) {
  static const std::uint32_t codes[] = {mwn::kErrorAccessDenied, mwn::kErrorDiskFull,
                                        mwn::kErrorSharingViolation, mwn::kErrorFileNotFound};
  for (const std::uint32_t seed : Seeds(kTrees)) {
    const RandomTree tree(seed, RandomTree::LongPaths::kNever);
    const std::unique_ptr<FaultyRun> clean = Baseline(tree);
    const std::vector<FakePlatform::Call>& calls = clean->platform.calls;
    // Most calls belong to the search; the replacement's share is small,
    // so half the faults are aimed at it and at the calls just after one.
    const auto firstRead = std::find_if(
        calls.begin(), calls.end(), [](const auto& call) { return call.op == Op::FileAttributes; });
    const std::size_t replacementStart = static_cast<std::size_t>(firstRead - calls.begin());
    const std::size_t replacementCalls = std::max<std::size_t>(1, calls.size() - replacementStart);
    std::mt19937 random(seed);
    for (int set = 0; set < kRandomSetsPerTree; ++set) {
      Schedule schedule;
      std::size_t previous = replacementStart;
      for (int count = 1 + random() % 4; count > 0; --count) {
        switch (random() % 3) {
          case 0:
            previous = random() % (calls.size() + calls.size() / 8);
            break;
          case 1:
            previous = replacementStart + random() % replacementCalls;
            break;
          default:
            previous += 1 + random() % 12;
            break;
        }
        schedule.failures[previous] = {codes[random() % 4], random() % 4 == 0};
      }
      if (random() % 3 == 0) schedule.corruptions.insert(random() % (clean->corruptible + 3));
      const FaultyRun run(tree, schedule);
      if (!Verify(tree, run, "random set " + std::to_string(set))) return;
    }
  }
  Report("random sets");
}

// A call that never works on this machine: every call of one kind fails.
TEST_F(FaultInjection, EachKindOfCallAlwaysFailing) {
  for (const std::uint32_t seed : Seeds(kTrees)) {
    const RandomTree tree(seed, RandomTree::LongPaths::kNever);
    const std::unique_ptr<FaultyRun> clean = Baseline(tree);
    std::set<Op> kinds;
    for (const FakePlatform::Call& call : clean->platform.calls) {
      if (Injectable(call.op)) kinds.insert(call.op);
    }
    for (const Op op : kinds) {
      Schedule schedule;
      schedule.alwaysFailing = {op};
      const FaultyRun run(tree, schedule);
      if (!Verify(tree, run, std::string("every ") + OpName(op) + " failing")) return;
    }
  }
  Report("each kind of call always failing");
}

// Every copy and write that a clean run makes, corrupted in turn, alone and
// together with the next one (a backup and the staged image after it).
TEST_F(FaultInjection, EachWriteCorruptedInTurn) {
  for (const std::uint32_t seed : Seeds(kTrees)) {
    const RandomTree tree(seed, RandomTree::LongPaths::kNever);
    const std::unique_ptr<FaultyRun> clean = Baseline(tree);
    for (int ordinal = 0; ordinal < clean->corruptible; ++ordinal) {
      for (const int together : {0, 1}) {
        Schedule schedule;
        for (int next = 0; next <= together; ++next) schedule.corruptions.insert(ordinal + next);
        const FaultyRun run(tree, schedule);
        const std::string label = "write " + std::to_string(ordinal) +
                                  (together != 0 ? " and the next one" : "") + " corrupted";
        if (!Verify(tree, run, label)) return;
      }
    }
  }
  Report("each write corrupted in turn");
}

// Found by the suite: a copy that could not be read, and that the existence
// check then missed, was taken for vanished and written over; when the new
// bytes did not read back equal, it was deleted, old bytes and all.
TEST(CopyTakenForVanished, IsNeverWrittenOver) {
  for (const bool corrupted : {false, true}) {
    SCOPED_TRACE(corrupted ? "the replacement is corrupted on its way" : "the copy goes well");
    FakePlatform platform;
    FakeWindow window;
    platform.AddDrive('C');
    platform.AddFile(ImagePath(), Image());
    const std::string copy = "C:\\Apps\\Mwn.exe";
    const std::string old = VersionedImage("2.0.0.0", "old copy");
    platform.AddFile(copy, old);
    platform.SetDenyRead(copy);
    window.memo1.Add(copy);
    platform.fail = [&](Op op, const std::string& path) {
      return op == Op::FileExists && path == copy;
    };
    platform.corrupt = [&](Op op, const std::string&) { return corrupted && op == Op::CopyFile; };
    mwn::MessagePump pump(platform);
    const std::vector<std::uint8_t> image = ToBytes(Image());
    mwn::RunLog log(platform);
    mwn::CopyFolders folders(platform, pump, mwn::RunRights::kStandard);
    mwn::ReplaceCopies(platform, pump, window, ImagePath(), image.data(), image.size(), folders,
                       {}, log, true);

    ASSERT_TRUE(platform.IsFile(copy));
    EXPECT_TRUE(platform.Contents(copy) == old) << "the copy lost its old bytes";
    EXPECT_EQ(window.memo1.lines, (Lines{copy}));
    EXPECT_EQ(platform.Names("C:\\Apps"), (Lines{"Mwn.exe"}));
  }
}

}  // namespace
