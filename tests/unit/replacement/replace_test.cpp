#include "update/replacement/replace.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <tuple>
#include <utility>

#include "fake_platform.h"
#include "fake_window.h"
#include "platform/pump.h"
#include "update/base/path.h"
#include "update/base/run_log.h"
#include "update/base/texts.h"
#include "update/base/version.h"
#include "update/replacement/copy_folders.h"
#include "update/replacement/listed_copies.h"
#include "update/replacement/version_gate.h"

namespace {

using Lines = std::vector<std::string>;
using mwn::Label;
using mwn::Memo;

constexpr char kImagePath[] = "C:\\Temp\\Mwn1A2B\\Mwn.exe";

// A machine with the extracted image and some copies, listed in Memo1 as
// the search found them.
struct Machine {
  Machine() {
    platform.AddDrive('C');
    platform.AddDrive('D');
    platform.AddFile(kImagePath, image);
  }
  // A copy stored under `path`, listed in Memo1 as the search writes it.
  void Copy(const std::string& stored, const std::string& listed = "") {
    platform.AddFile(stored, OldBytes(stored));
    window.memo1.Add(listed.empty() ? stored : listed);
  }
  static std::string OldBytes(const std::string& path) {
    return VersionedImage("2.0.0.0", "old bytes of " + path);
  }
  void Replace(bool replaceInUse = false) {
    mwn::MessagePump pump(platform);
    const std::vector<std::uint8_t> bytes = ToBytes(image);
    mwn::CopyFolders folders(platform, pump, mwn::RightsOfRun(platform, pump));
    mwn::ReplaceCopies(platform, pump, window, kImagePath, bytes.data(), bytes.size(), folders,
                       {}, log, askForRights, replaceInUse);
  }
  // Staged files left in `folder`.
  Lines Leftovers(const std::string& folder) const {
    Lines left;
    for (const std::string& name : platform.Names(folder)) {
      if (IsTempName(name)) left.push_back(name);
    }
    return left;
  }

  const std::string image = VersionedImage("2.1.0.0", "the replacement");
  FakePlatform platform;
  FakeWindow window;
  mwn::RunLog log{platform};
  bool askForRights = true;
};

class ReplaceTest : public ::testing::Test, protected Machine {};

TEST_F(ReplaceTest, AllWritableCopiesAreUpdatedLastFoundFirst) {
  Copy("C:\\A\\Mwn.exe");
  Copy("C:\\B\\Mwn.exe");
  Copy("D:\\Mwn.exe");
  window.timerRunning = true;
  window.caption = "Mwn Update . . .";
  Replace();
  EXPECT_EQ(window.memo3.lines, (Lines{"D:\\Mwn.exe", "C:\\B\\Mwn.exe", "C:\\A\\Mwn.exe"}));
  EXPECT_TRUE(window.memo1.lines.empty());
  for (const std::string& path : window.memo3.lines) EXPECT_EQ(platform.Contents(path), image);
  EXPECT_TRUE(Leftovers("C:\\A").empty());
  EXPECT_TRUE(Leftovers("D:\\").empty());
  EXPECT_EQ(platform.OpenHandles(), 0);
}

TEST_F(ReplaceTest, DoneOutcomeGreysTheListAndItsLabel) {
  Copy("C:\\A\\Mwn.exe");
  window.timerRunning = true;
  window.caption = "Mwn Update . . .";
  Replace();
  EXPECT_EQ(window.label(Label::Label1).text, mwn::text::kNotYetUpdated);
  EXPECT_EQ(window.label(Label::Label2).text, mwn::text::kUpdatedHeading);
  EXPECT_FALSE(window.label(Label::Label1).enabled);
  EXPECT_FALSE(window.memo(Memo::Memo1).enabled);
  EXPECT_EQ(window.label(Label::Label1).colour, FakeWindow::kDefaultColour);
  EXPECT_EQ(window.plainMessages, (Lines{"Done!"}));
  EXPECT_FALSE(window.timerRunning);
  EXPECT_EQ(window.caption, "Mwn Update");
  const Lines tail(window.events.end() - 5, window.events.end());
  EXPECT_EQ(tail, (Lines{"timer:stop", "caption:Mwn Update", "label1:disabled", "memo1:disabled",
                         "plain:Done!"}));
}

TEST_F(ReplaceTest, NoCopyFoundStillSaysDone) {
  Replace();
  EXPECT_EQ(window.label(Label::Label1).history, (Lines{mwn::text::kFoundOnSystem}));
  EXPECT_FALSE(window.label(Label::Label1).enabled);
  EXPECT_EQ(window.plainMessages, (Lines{"Done!"}));
  EXPECT_EQ(platform.CountOf(Op::CopyFile), 0);
}

TEST_F(ReplaceTest, LockedAndReadOnlyCopiesStayAsTheyWereAndAreMarkedRed) {
  Copy("C:\\A\\Mwn.exe");
  Copy("C:\\B\\Mwn.exe");
  Copy("C:\\C\\Mwn.exe");
  platform.SetLocked("C:\\A\\Mwn.exe");
  platform.SetAttributes("C:\\C\\Mwn.exe", mwn::kAttrReadOnly);
  Replace();
  EXPECT_EQ(window.memo1.lines, (Lines{"C:\\A\\Mwn.exe", "C:\\C\\Mwn.exe"}));
  EXPECT_EQ(window.memo3.lines, (Lines{"C:\\B\\Mwn.exe"}));
  EXPECT_EQ(platform.Contents("C:\\A\\Mwn.exe"), OldBytes("C:\\A\\Mwn.exe"));
  EXPECT_EQ(platform.Contents("C:\\C\\Mwn.exe"), OldBytes("C:\\C\\Mwn.exe"));
  EXPECT_EQ(platform.AttributesOf("C:\\C\\Mwn.exe"), mwn::kAttrReadOnly);
  EXPECT_EQ(platform.Contents("C:\\B\\Mwn.exe"), image);
  for (const char* folder : {"C:\\A", "C:\\B", "C:\\C"}) EXPECT_TRUE(Leftovers(folder).empty());

  EXPECT_EQ(window.label(Label::Label1).text, mwn::text::kCouldNotUpdate);
  EXPECT_EQ(window.label(Label::Label1).colour, mwn::kColourRed);
  EXPECT_EQ(window.memo(Memo::Memo1).colour, mwn::kColourRed);
  EXPECT_TRUE(window.memo(Memo::Memo1).enabled);
  EXPECT_EQ(window.plainMessages, (Lines{mwn::text::kFailure}));
  const Lines tail(window.events.end() - 5, window.events.end());
  EXPECT_EQ(tail, (Lines{"label1:text:", "label1:colour:255", "memo1:colour:255",
                         std::string("label1:text:") + mwn::text::kCouldNotUpdate,
                         std::string("plain:") + mwn::text::kFailure}));
}

TEST_F(ReplaceTest, APrivilegedRunLogsTheHeldFolderStepThatFailedWithItsCode) {
  platform.elevated = true;
  platform.systemAccount = true;
  Copy("C:\\PF\\Mwn.exe");
  platform.SetAdministratorsOnly("C:\\PF");
  platform.SetLocked("C:\\PF\\Mwn.exe");
  std::uint32_t error = 0;
  ASSERT_TRUE(log.Open("C:\\run.log", error));
  Replace();
  EXPECT_EQ(platform.Contents("C:\\PF\\Mwn.exe"), OldBytes("C:\\PF\\Mwn.exe"));
  const std::vector<std::string>& lines = platform.logs["C:\\run.log"];
  const auto said = std::find_if(lines.begin(), lines.end(), [](const std::string& line) {
    return line.find("Not updated C:\\PF\\Mwn.exe") != std::string::npos;
  });
  ASSERT_NE(said, lines.end());
  ASSERT_NE(said + 1, lines.end());
  EXPECT_NE(said[1].find(" in the held folder, the step \"rename\" failed: error 5"),
            std::string::npos)
      << said[1];
  const mwn::CopyRecord& record = log.Record().copies.at(0);
  EXPECT_EQ(record.outcome, mwn::CopyOutcome::kNotUpdated);
  EXPECT_NE(record.reason.find("the step \"rename\" failed: error 5"), std::string::npos);
}

// With an administrator's rights the new image keeps the old copy's own
// access list, not what the folder would give a new file; where that list
// cannot be given, the copy stays as it was.
TEST_F(ReplaceTest, APrivilegedRunKeepsTheCopysAccessListOrLeavesTheCopy) {
  platform.elevated = true;
  platform.systemAccount = true;
  for (const bool refused : {false, true}) {
    const std::string copy = refused ? "C:\\PF\\B\\Mwn.exe" : "C:\\PF\\A\\Mwn.exe";
    Copy(copy);
    platform.SetAdministratorsOnly(mwn::FolderOfPath(copy));
    platform.SetAccessList(copy, "D:P(A;;FA;;;SY)(A;;FR;;;BU)");
    platform.fail = [refused](Op op, const std::string&) {
      return refused && op == Op::KeepAccessList;
    };
    Replace();
    EXPECT_EQ(platform.AccessListOf(copy), "D:P(A;;FA;;;SY)(A;;FR;;;BU)") << copy;
    EXPECT_EQ(platform.Contents(copy), refused ? OldBytes(copy) : image) << copy;
    EXPECT_TRUE(Leftovers(mwn::FolderOfPath(copy)).empty()) << copy;
  }
}

// A copy that a running program holds as its image, and one held otherwise.
TEST(ReplaceInUse, ARunningImageIsNamedOrSetAsideHiddenAndRemovedOnceItsProgramEnds) {
  enum Hold { kRunning, kNoDeleteSharing, kRenameRefused };
  struct Case {
    const char* name;
    Hold hold;
    bool replaceInUse;
    bool administrator;   // elevated, in a folder only administrators can change
    bool endsDuringRun;   // the program ends while the run goes on
    bool updated;
  };
  const Case cases[] = {
      {"left by default", kRunning, false, false, false, false},
      {"set aside", kRunning, true, false, false, true},
      {"set aside, program ends", kRunning, true, false, true, true},
      {"set aside by an administrator", kRunning, true, true, false, true},
      {"held without delete sharing", kNoDeleteSharing, true, false, false, false},
      {"rename aside refused", kRenameRefused, true, false, false, false},
  };
  const std::string copy = "C:\\Apps\\Mwn.exe";
  const mwn::RunningProgram program{"Mwn.exe", copy, 4242, 1};
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    Machine machine;
    FakePlatform& platform = machine.platform;
    machine.Copy(copy);
    platform.SetRunningImage(copy, program);
    if (test.hold == kNoDeleteSharing) platform.SetLocked(copy);
    if (test.hold == kRenameRefused) {
      platform.fail = [&](Op op, const std::string& to) {
        return op == Op::MoveFile && mwn::NameOfPath(to).rfind("~MwnOld", 0) == 0;
      };
    }
    if (test.administrator) {
      platform.elevated = true;
      platform.SetAdministratorsOnly("C:\\Apps");
    }
    const auto setAside = [&] {
      Lines names;
      for (const std::string& name : platform.Names("C:\\Apps")) {
        if (name.rfind("~MwnOld", 0) == 0) names.push_back(name);
      }
      return names;
    };
    if (test.endsDuringRun) {
      platform.adversary = [&](std::size_t) {
        if (!setAside().empty()) platform.EndRunningPrograms();
      };
    }
    machine.Replace(test.replaceInUse);
    platform.adversary = nullptr;
    platform.fail = nullptr;

    EXPECT_EQ(platform.Contents(copy), test.updated ? machine.image : Machine::OldBytes(copy));
    EXPECT_TRUE(machine.Leftovers("C:\\Apps").empty());
    if (!test.updated) {
      const auto& heldBy = machine.log.Record().copies.at(0).heldBy;
      ASSERT_EQ(heldBy.size(), 1u);
      EXPECT_EQ(heldBy[0].pid, 4242u);
      EXPECT_TRUE(setAside().empty());
      continue;
    }
    if (test.endsDuringRun) {
      EXPECT_TRUE(setAside().empty());
      continue;
    }
    // Hidden, of the form ~MwnOld + 16 hex digits + .tmp, holding the old bytes.
    const Lines aside = setAside();
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_EQ(aside[0].size(), 27u);
    EXPECT_EQ(platform.Contents("C:\\Apps\\" + aside[0]), Machine::OldBytes(copy));
    EXPECT_NE(platform.AttributesOf("C:\\Apps\\" + aside[0]) & mwn::kAttrHidden, 0u);
    EXPECT_EQ(platform.deletionsAtRestart, test.administrator ? aside : Lines{});
    const mwn::CopyRecord& record = machine.log.Record().copies.at(0);
    EXPECT_EQ(record.outcome, mwn::CopyOutcome::kUpdated);
    EXPECT_NE(record.reason.find(aside[0]), std::string::npos) << record.reason;
    ASSERT_EQ(record.heldBy.size(), 1u);
    EXPECT_EQ(record.heldBy[0].pid, 4242u);
    // The next run that comes to the copy removes it once its program has ended.
    machine.Replace(true);
    EXPECT_EQ(setAside(), aside);
    platform.EndRunningPrograms();
    machine.window.memo1.Add(copy);
    machine.Replace(true);
    EXPECT_TRUE(setAside().empty());
    EXPECT_EQ(platform.Contents(copy), machine.image);
  }
}

TEST_F(ReplaceTest, CopyThatCannotBeReadIsLeftAlone) {
  Copy("C:\\A\\Mwn.exe");
  platform.SetDenyRead("C:\\A\\Mwn.exe");
  Replace();
  EXPECT_EQ(window.memo1.lines, (Lines{"C:\\A\\Mwn.exe"}));
  EXPECT_EQ(platform.Contents("C:\\A\\Mwn.exe"), OldBytes("C:\\A\\Mwn.exe"));
  EXPECT_EQ(platform.CountOf(Op::MoveFile), 0);
}

TEST_F(ReplaceTest, VanishedCopyIsWrittenAfresh) {
  platform.AddFolder("C:\\Gone");
  window.memo1.Add("C:\\Gone\\Mwn.exe");
  window.memo1.Add("C:\\Removed\\Mwn.exe");  // its folder went too
  Replace();
  EXPECT_EQ(window.memo3.lines, (Lines{"C:\\Gone\\Mwn.exe"}));
  EXPECT_EQ(window.memo1.lines, (Lines{"C:\\Removed\\Mwn.exe"}));
  EXPECT_EQ(platform.Contents("C:\\Gone\\Mwn.exe"), image);
  EXPECT_TRUE(Leftovers("C:\\Gone").empty());
}

TEST(ReplaceSpelling, CopyStoredInCapitalsTakesTheProgramsSpelling) {
  for (const bool keepsSpelling : {false, true}) {
    SCOPED_TRACE(keepsSpelling ? "renames keep the spelling" : "renames take the new spelling");
    Machine machine;
    machine.platform.keepsSpellingOnRename = keepsSpelling;
    machine.Copy("C:\\Apps\\MWN.EXE", "C:\\Apps\\Mwn.exe");
    machine.Replace();
    EXPECT_EQ(machine.platform.Names("C:\\Apps"), (Lines{"Mwn.exe"}));
    EXPECT_EQ(machine.platform.Contents("C:\\Apps\\Mwn.exe"), machine.image);
    EXPECT_EQ(machine.window.memo3.lines, (Lines{"C:\\Apps\\Mwn.exe"}));
  }
}

TEST_F(ReplaceTest, CopiesInARootAndOnAShareAreStagedBesideThem) {
  platform.AddShare("\\\\srv\\apps");
  Copy("C:\\Mwn.exe");
  Copy("\\\\srv\\apps\\Mwn.exe");
  Replace();
  EXPECT_EQ(window.memo3.lines.size(), 2u);
  EXPECT_EQ(platform.Contents("C:\\Mwn.exe"), image);
  EXPECT_EQ(platform.Contents("\\\\srv\\apps\\Mwn.exe"), image);
  for (const auto& call : platform.CallsOf(Op::UniqueTempFile)) {
    EXPECT_TRUE(call.path == "C:\\" || call.path == "\\\\srv\\apps") << call.path;
  }
  EXPECT_TRUE(Leftovers("C:\\").empty());
  EXPECT_TRUE(Leftovers("\\\\srv\\apps").empty());
}

// Copies under names in several scripts and far past the old 260: updated
// and listed exactly as named, and nothing left beside them.
TEST_F(ReplaceTest, CopiesNamedInAnyScriptAtAnyDepthAreUpdated) {
  std::string deep = "D:\\Łukasz\\Документы";
  while (deep.size() < 600) deep += "\\程序文件 📦";
  const Lines copies = {"C:\\Ελληνικά\\\xED\xA0\x80\\Mwn.exe", deep + "\\Mwn.exe"};
  for (const std::string& copy : copies) Copy(copy);
  Replace();
  EXPECT_EQ(window.memo3.lines, (Lines{copies[1], copies[0]}));
  for (const std::string& copy : copies) {
    EXPECT_EQ(platform.Contents(copy), image) << copy;
    EXPECT_TRUE(Leftovers(mwn::FolderOfPath(copy)).empty());
  }
}

// The copies of one folder are its backup first, then the staged image.
TEST_F(ReplaceTest, CorruptedWriteIsDetectedAndTheOldBytesRestored) {
  Copy("C:\\A\\Mwn.exe");
  Copy("C:\\B\\Mwn.exe");
  int copiesInB = 0;
  platform.corrupt = [&](Op op, const std::string& path) {
    return op == Op::CopyFile && path.rfind("C:\\B\\", 0) == 0 && ++copiesInB == 2;
  };
  Replace();
  ASSERT_EQ(copiesInB, 2);
  EXPECT_EQ(platform.Contents("C:\\B\\Mwn.exe"), OldBytes("C:\\B\\Mwn.exe"));
  EXPECT_EQ(window.memo1.lines, (Lines{"C:\\B\\Mwn.exe"}));
  EXPECT_EQ(window.memo3.lines, (Lines{"C:\\A\\Mwn.exe"}));
  EXPECT_TRUE(Leftovers("C:\\B").empty());
  EXPECT_EQ(platform.OpenHandles(), 0);
  EXPECT_EQ(window.plainMessages, (Lines{mwn::text::kFailure}));
}

TEST_F(ReplaceTest, CopyWhoseBackupDoesNotReadBackEqualIsLeftAlone) {
  Copy("C:\\A\\Mwn.exe");
  bool corrupted = false;
  platform.corrupt = [&](Op op, const std::string&) {
    return op == Op::CopyFile && !std::exchange(corrupted, true);
  };
  Replace();
  EXPECT_EQ(platform.Contents("C:\\A\\Mwn.exe"), OldBytes("C:\\A\\Mwn.exe"));
  EXPECT_EQ(window.memo1.lines, (Lines{"C:\\A\\Mwn.exe"}));
  EXPECT_EQ(platform.CountOf(Op::MoveFile), 0);
  EXPECT_TRUE(Leftovers("C:\\A").empty());
}

TEST_F(ReplaceTest, CorruptedWriteOverAVanishedCopyLeavesNoFile) {
  platform.AddFolder("C:\\Gone");
  window.memo1.Add("C:\\Gone\\Mwn.exe");
  platform.corrupt = [](Op op, const std::string&) { return op == Op::CopyFile; };
  Replace();
  EXPECT_FALSE(platform.IsFile("C:\\Gone\\Mwn.exe"));
  EXPECT_TRUE(platform.Names("C:\\Gone").empty());
  EXPECT_EQ(window.memo1.lines, (Lines{"C:\\Gone\\Mwn.exe"}));
}

// The new bytes do not read back, and the backup cannot be moved back.
struct RestoreFallback : ReplaceTest {
  void SetUp() override {
    Copy("C:\\A\\Mwn.exe");
    platform.fail = [this](Op op, const std::string& path) {
      return (op == Op::FileHoldsExactly && path == "C:\\A\\Mwn.exe") ||
             (op == Op::MoveFile && movesFailing > 0 && --movesFailing == 0) ||
             (op == Op::CopyFile && copyBackFails && platform.calls.back().other != kImagePath &&
              platform.calls.back().path == "C:\\A\\Mwn.exe");
    };
  }
  int movesFailing = 2;  // the swap works, the move back does not
  bool copyBackFails = false;
};

TEST_F(RestoreFallback, OldBytesAreCopiedBack) {
  Replace();
  EXPECT_EQ(movesFailing, 0);
  EXPECT_EQ(platform.Contents("C:\\A\\Mwn.exe"), OldBytes("C:\\A\\Mwn.exe"));
  EXPECT_EQ(window.memo1.lines, (Lines{"C:\\A\\Mwn.exe"}));
  EXPECT_TRUE(Leftovers("C:\\A").empty());
}

TEST_F(RestoreFallback, BackupIsKeptWhenTheOldBytesCannotBeCopiedBack) {
  copyBackFails = true;
  Replace();
  EXPECT_EQ(window.memo1.lines, (Lines{"C:\\A\\Mwn.exe"}));
  const Lines left = Leftovers("C:\\A");
  ASSERT_EQ(left.size(), 1u);
  EXPECT_EQ(platform.Contents("C:\\A\\" + left[0]), OldBytes("C:\\A\\Mwn.exe"));
}

// A scanner holds the new file for a moment: the staging and the swap are
// tried again for about a second. A refusal for want of rights is final.
TEST_F(ReplaceTest, CopiesInUseForAMomentAreTriedAgainDeniedOnesAreNot) {
  Copy("C:\\A\\Mwn.exe");
  Copy("C:\\B\\Mwn.exe");
  Copy("C:\\C\\Mwn.exe");
  int stagingRefusals = 2;
  int swapRefusals = 1;
  platform.fail = [&](Op op, const std::string& path) {
    const bool staging = op == Op::CopyFile && platform.calls.back().other == kImagePath;
    std::uint32_t& code = platform.failCode;
    if (staging && path.rfind("C:\\A\\", 0) == 0 && stagingRefusals > 0) {
      --stagingRefusals;
      code = mwn::kErrorSharingViolation;
    } else if (op == Op::MoveFile && path == "C:\\A\\Mwn.exe" && swapRefusals > 0) {
      --swapRefusals;
      code = mwn::kErrorLockViolation;
    } else if (op == Op::MoveFile && path == "C:\\B\\Mwn.exe") {
      code = mwn::kErrorAccessDenied;
    } else if (op == Op::MoveFile && path == "C:\\C\\Mwn.exe") {
      code = mwn::kErrorSharingViolation;  // for longer than is worth waiting
    } else {
      return false;
    }
    return true;
  };
  const std::uint32_t start = platform.tick;
  Replace();
  EXPECT_EQ(window.memo3.lines, (Lines{"C:\\A\\Mwn.exe"}));
  EXPECT_EQ(window.memo1.lines, (Lines{"C:\\B\\Mwn.exe", "C:\\C\\Mwn.exe"}));
  EXPECT_EQ(platform.Contents("C:\\A\\Mwn.exe"), image);
  EXPECT_EQ(platform.Contents("C:\\B\\Mwn.exe"), OldBytes("C:\\B\\Mwn.exe"));
  int swapsOfB = 0;
  for (const auto& call : platform.CallsOf(Op::MoveFile)) swapsOfB += call.path == "C:\\B\\Mwn.exe";
  EXPECT_EQ(swapsOfB, 1);
  EXPECT_EQ(platform.CountOf(Op::Pause), 3 + 4);
  EXPECT_LT(platform.tick - start, 3000u);
  for (const char* folder : {"C:\\A", "C:\\B", "C:\\C"}) EXPECT_TRUE(Leftovers(folder).empty());
}

// The swap worked, but the detour that gives a copy stored as MWN.EXE the
// program's spelling cannot come back under either spelling: the copy gets
// its old bytes back from the backup and is not listed as updated.
TEST_F(ReplaceTest, SpellingDetourThatCannotComeBackLeavesTheOldCopyInPlace) {
  platform.keepsSpellingOnRename = true;
  Copy("C:\\Apps\\MWN.EXE", "C:\\Apps\\Mwn.exe");
  int moves = 0;
  platform.fail = [&](Op op, const std::string&) {
    // The swap, the rename of the letter case, the detour, then both ways back.
    return op == Op::MoveFile && (++moves == 4 || moves == 5);
  };
  Replace();
  EXPECT_GE(moves, 6);
  EXPECT_EQ(window.memo1.lines, (Lines{"C:\\Apps\\Mwn.exe"}));
  EXPECT_TRUE(window.memo3.lines.empty());
  EXPECT_EQ(platform.Contents("C:\\Apps\\Mwn.exe"), OldBytes("C:\\Apps\\MWN.EXE"));
  EXPECT_EQ(platform.Names("C:\\Apps").size(), 1u);
}

// The power fails just before each platform call that replacing a copy
// makes; at the restart the copy's path holds its old bytes or the image,
// never bytes that were still in the write cache, and nothing but the
// program's temporary files lies beside it. (Where renames keep spellings,
// the spelling's detour leaves the copy under a temporary name for a moment:
// that file system is Wine's, not one that meets power cuts.)
TEST(ReplacePowerCut, AtEachCallTheCopyHoldsItsOldBytesOrTheImage) {
  struct PowerCut {};
  const std::string listed = "C:\\Apps\\Mwn.exe";
  int points = 0;
  for (const std::string stored : {"Mwn.exe", "MWN.EXE", ""}) {  // "": the copy vanished
    SCOPED_TRACE(stored.empty() ? "vanished copy" : stored);
    const auto build = [&](Machine& machine) {
      machine.platform.AddFolder("C:\\Apps");
      if (stored.empty()) {
        machine.window.memo1.Add(listed);
      } else {
        machine.Copy("C:\\Apps\\" + stored, listed);
      }
    };
    Machine clean;
    build(clean);
    clean.Replace();
    for (std::size_t cut = 0; cut <= clean.platform.calls.size(); ++cut) {
      Machine machine;
      build(machine);
      machine.platform.fail = [&](Op, const std::string&) {
        if (machine.platform.calls.size() == cut + 1) throw PowerCut();
        return false;
      };
      try {
        machine.Replace();
      } catch (const PowerCut&) {
      }
      machine.platform.fail = nullptr;
      machine.platform.Crash();
      ++points;
      const std::string old = stored.empty() ? "" : Machine::OldBytes("C:\\Apps\\" + stored);
      const bool there = machine.platform.IsFile(listed);
      const std::string now = there ? machine.platform.Contents(listed) : "";
      EXPECT_TRUE((there || stored.empty()) && (now == old || now == machine.image))
          << "cut before call " << cut << ": " << (there ? "bytes lost" : "copy gone");
      for (const std::string& name : machine.platform.Names("C:\\Apps")) {
        if (!SameIgnoringCase(name, mwn::NameOfPath(listed))) {
          EXPECT_TRUE(IsTempName(name)) << name;
        }
      }
    }
  }
  std::printf("[ power cut ] %d crash points checked\n", points);
  EXPECT_GT(points, 30);
}

// Folders that refuse the user's rights the first file made beside a copy
// (C:\PF, and the share) against copies that cannot be replaced for other
// reasons. The elevated instance is this program in its listed-copies mode
// on the same machine, with an administrator's rights.
struct ElevatedReplacement : ReplaceTest {
  void SetUp() override {
    platform.resource = ZlibStream(image);
    platform.AddShare("\\\\srv\\apps");
    for (const char* copy : {"C:\\PF\\A\\Mwn.exe", "C:\\RO\\Mwn.exe", "C:\\Run\\Mwn.exe",
                             "\\\\srv\\apps\\Mwn.exe", "C:\\PF\\B\\Mwn.exe", "D:\\Ok\\Mwn.exe"}) {
      Copy(copy);
    }
    platform.SetAttributes("C:\\RO\\Mwn.exe", mwn::kAttrReadOnly);
    platform.SetLocked("C:\\Run\\Mwn.exe");
    platform.fail = [this](Op op, const std::string& path) {
      const bool protectedFolder = path.rfind("C:\\PF\\", 0) == 0 || path == "\\\\srv\\apps";
      return !administrator && op == Op::UniqueTempFile && protectedFolder;
    };
    platform.elevatedInstance = [this](const std::string& arguments) {
      const std::string prefix = std::string(mwn::kReplaceCopiesArgument) + " \"";
      EXPECT_EQ(arguments.compare(0, prefix.size(), prefix), 0) << arguments;
      const std::string listPath = arguments.substr(prefix.size(), arguments.size() - prefix.size() - 1);
      EXPECT_TRUE(platform.ReadWholeFile(listPath, list));
      administrator = true;
      mwn::MessagePump pump(platform);
      const int exitCode = mwn::ReplaceListedCopies(platform, pump, listPath);
      administrator = false;
      return static_cast<std::uint32_t>(exitCode);
    };
  }
  bool administrator = false;
  std::string list;
};

TEST_F(ElevatedReplacement, OnlyCopiesInRefusingFoldersOnDriveLettersAreHandedOverOnce) {
  platform.SetLocked("C:\\PF\\B\\Mwn.exe");  // running: the elevated instance fails on it too
  Replace();
  EXPECT_EQ(list, "C:\\PF\\B\\Mwn.exe\r\nC:\\PF\\A\\Mwn.exe\r\n");
  EXPECT_EQ(platform.CountOf(Op::RunElevated), 1);
  EXPECT_EQ(window.memo3.lines, (Lines{"D:\\Ok\\Mwn.exe", "C:\\PF\\A\\Mwn.exe"}));
  EXPECT_EQ(window.memo1.lines, (Lines{"C:\\RO\\Mwn.exe", "C:\\Run\\Mwn.exe",
                                       "\\\\srv\\apps\\Mwn.exe", "C:\\PF\\B\\Mwn.exe"}));
  EXPECT_EQ(platform.Contents("C:\\PF\\A\\Mwn.exe"), image);
  EXPECT_EQ(platform.Contents("C:\\PF\\B\\Mwn.exe"), OldBytes("C:\\PF\\B\\Mwn.exe"));
  EXPECT_EQ(window.plainMessages, (Lines{mwn::text::kFailure}));
  EXPECT_EQ(platform.Names("C:\\Temp\\Mwn1A2B"), (Lines{"Mwn.exe"}));  // the list is gone
  EXPECT_EQ(platform.Names("C:\\Temp").size(), 1u);  // and the instance's own scratch folder
}

TEST_F(ElevatedReplacement, NothingChangesWhenDeclinedOrAlreadyElevated) {
  for (const bool declined : {true, false}) {
    SCOPED_TRACE(declined ? "consent declined" : "already elevated");
    Machine machine;
    machine.Copy("C:\\PF\\A\\Mwn.exe");
    machine.platform.fail = [](Op op, const std::string& path) {
      return op == Op::UniqueTempFile && path == "C:\\PF\\A";
    };
    machine.platform.elevationAnswer = declined ? mwn::kErrorCancelled : mwn::kErrorSuccess;
    machine.platform.elevated = !declined;
    machine.Replace();
    EXPECT_EQ(machine.window.memo1.lines, (Lines{"C:\\PF\\A\\Mwn.exe"}));
    EXPECT_EQ(machine.platform.Contents("C:\\PF\\A\\Mwn.exe"), OldBytes("C:\\PF\\A\\Mwn.exe"));
    EXPECT_EQ(machine.platform.CountOf(Op::RunElevated), declined ? 1 : 0);
    EXPECT_EQ(machine.platform.Names("C:\\Temp\\Mwn1A2B"), (Lines{"Mwn.exe"}));
    EXPECT_EQ(machine.window.plainMessages, (Lines{mwn::text::kFailure}));
  }
}

TEST(ListedCopies, OnlyExistingCopiesOnLocalDrivesAreTouched) {
  EXPECT_TRUE(mwn::IsListableCopyPath("C:\\Program Files\\Mwn\\MWN.EXE"));
  for (const char* refused : {"C:\\Apps\\Other.exe", "Apps\\Mwn.exe", "C:Mwn.exe", "\\\\srv\\a\\Mwn.exe",
                              "C:\\Apps\\..\\Mwn.exe", "C:\\Apps\\x:Mwn.exe", "C:\\*\\Mwn.exe",
                              "\\\\?\\C:\\Mwn.exe", "C:\\Apps\\Mwn.exe.old", "C:\\Caf\xE9\\Mwn.exe",
                              "C:\\\xE8\xA1\\Mwn.exe"}) {
    EXPECT_FALSE(mwn::IsListableCopyPath(refused)) << refused;
  }
  Machine machine;
  FakePlatform& platform = machine.platform;
  platform.resource = ZlibStream(machine.image);
  platform.AddDrive('X', mwn::kDriveRemote);
  platform.AddShare("\\\\srv\\apps");
  for (const char* copy : {"C:\\A\\Mwn.exe", "D:\\B\\MWN.EXE", "C:\\A\\Other.exe",
                           "\\\\srv\\apps\\Mwn.exe"}) {
    platform.AddFile(copy, Machine::OldBytes(copy));
  }
  platform.AddFolder("C:\\Folder\\Mwn.exe");
  // A damaged list: a name whose bytes are not UTF-8 is left alone even
  // where a file of exactly those bytes stands.
  platform.AddFile("C:\\Caf\xE9\\Mwn.exe", Machine::OldBytes("damaged"));
  platform.AddFile("C:\\Café\\Mwn.exe", Machine::OldBytes("C:\\Café\\Mwn.exe"));
  platform.AddFile("C:\\list.txt", "C:\\Caf\xE9\\Mwn.exe\r\nC:\\Café\\Mwn.exe\r\n"
                                   "C:\\A\\Mwn.exe\r\nD:\\B\\MWN.EXE\nC:\\A\\Other.exe\r\n"
                                   "C:\\Missing\\Mwn.exe\r\nC:\\Folder\\Mwn.exe\r\n"
                                   "\\\\srv\\apps\\Mwn.exe\r\nA\\Mwn.exe\r\nX:\\Mwn.exe\r\n");
  mwn::MessagePump pump(platform);
  EXPECT_EQ(mwn::ReplaceListedCopies(platform, pump, "C:\\list.txt"), mwn::kListedCopiesDone);
  EXPECT_EQ(platform.Contents("C:\\A\\Mwn.exe"), machine.image);
  EXPECT_EQ(platform.Contents("D:\\B\\MWN.EXE"), machine.image);
  EXPECT_EQ(platform.Contents("C:\\Café\\Mwn.exe"), machine.image);
  EXPECT_EQ(platform.Contents("C:\\Caf\xE9\\Mwn.exe"), Machine::OldBytes("damaged"));
  EXPECT_EQ(platform.Contents("C:\\A\\Other.exe"), Machine::OldBytes("C:\\A\\Other.exe"));
  EXPECT_EQ(platform.Contents("\\\\srv\\apps\\Mwn.exe"), Machine::OldBytes("\\\\srv\\apps\\Mwn.exe"));
  EXPECT_FALSE(platform.IsFile("C:\\Missing\\Mwn.exe"));
  EXPECT_TRUE(platform.IsFolder("C:\\Folder\\Mwn.exe"));
  EXPECT_EQ(platform.Names("C:\\Temp"), (Lines{"Mwn1A2B"}));
  EXPECT_EQ(platform.CountOf(Op::CreateFolder) + platform.CountOf(Op::CreatePrivateFolder), 0)
      << "staged from memory, with no file in temp on the way";

  EXPECT_EQ(mwn::ReplaceListedCopies(platform, pump, "C:\\none.txt"), mwn::kListedCopiesNoList);
  platform.resource.pop_back();
  EXPECT_EQ(mwn::ReplaceListedCopies(platform, pump, "C:\\list.txt"), mwn::kListedCopiesNoPayload);
  EXPECT_EQ(platform.Names("C:\\Temp"), (Lines{"Mwn1A2B"}));
}

// A privileged run on a machine where a standard user may change one folder
// with an old copy (as another account, over the shoulder, or as the run's
// own account without its rights) or only add to it (the copy there being
// theirs), and may, between any two calls, turn that folder into a link to
// the system's folder, put a hard link to a system file in the copy's place,
// and take the next temporary name. The gate and the replacement share the
// run's holds.
struct Adversary : ::testing::TestWithParam<std::tuple<mwn::RunRights, mwn::FolderTrust>> {
  static constexpr const char* kSystemFolder = "C:\\Windows\\System32";
  static constexpr const char* kSystemFile = "C:\\Windows\\System32\\service.dll";
  static constexpr const char* kUserFolder = "C:\\Users\\eve\\Apps";
  static constexpr const char* kUserCopy = "C:\\Users\\eve\\Apps\\Mwn.exe";
  static constexpr const char* kAdministratorsCopy = "C:\\Program Files\\Mwn\\Mwn.exe";

  bool OthersMayAdd() const { return std::get<1>(GetParam()) == mwn::FolderTrust::kUsersMayAdd; }

  // Runs with the adversary acting before call `actingAt`; gives the number
  // of calls the run made.
  std::size_t RunWithAdversaryAt(std::size_t actingAt) {
    machine = std::make_unique<Machine>();
    FakePlatform& platform = machine->platform;
    platform.elevated = true;
    platform.systemAccount = std::get<0>(GetParam()) == mwn::RunRights::kSystem;
    platform.AddFile(kSystemFile, "system bytes");
    platform.SetAdministratorsOnly("C:\\Windows");
    platform.SetAdministratorsOnly(kSystemFolder);
    machine->Copy(kAdministratorsCopy);
    platform.SetAdministratorsOnly("C:\\Program Files");
    platform.SetAdministratorsOnly("C:\\Program Files\\Mwn");
    machine->Copy(kUserCopy);
    platform.SetTrust(kUserFolder, std::get<1>(GetParam()));
    if (OthersMayAdd()) platform.SetOwnedByStandardUser(kUserCopy);
    platform.adversary = [&platform, actingAt](std::size_t calls) {
      if (calls != actingAt) return;
      platform.TakeNextTempName(kUserFolder);
      platform.PlantHardLink(kUserCopy, kSystemFile);
      platform.SwapFolderForLink(kUserFolder, kSystemFolder);
    };
    mwn::MessagePump pump(platform);
    const std::vector<std::uint8_t> bytes = ToBytes(machine->image);
    mwn::VersionStamp replacement;
    EXPECT_TRUE(mwn::ImageVersionStamp(platform, bytes.data(), bytes.size(), replacement));
    mwn::CopyFolders folders(platform, pump, std::get<0>(GetParam()));
    const mwn::GateVerdict gate = mwn::JudgeCopies(folders, &replacement, machine->window.memo1);
    EXPECT_TRUE(gate.update);
    left = mwn::ReplaceCopies(platform, pump, machine->window, "", bytes.data(), bytes.size(),
                              folders, gate.newerLeft, machine->log, false);
    return platform.calls.size();
  }

  std::unique_ptr<Machine> machine;
  int left = 0;
};

TEST_P(Adversary, NeverLandsAWriteRenameOrDeleteInAProtectedFolder) {
  const std::size_t calls = RunWithAdversaryAt(SIZE_MAX);
  EXPECT_EQ(left, OthersMayAdd() ? 0 : 1);
  for (std::size_t at = 0; at <= calls; ++at) {
    SCOPED_TRACE("the adversary acts before call " + std::to_string(at));
    RunWithAdversaryAt(at);
    const FakePlatform& platform = machine->platform;
    EXPECT_EQ(platform.Names(kSystemFolder), (Lines{"service.dll"}));
    EXPECT_EQ(platform.Contents(kSystemFile), "system bytes");
    EXPECT_EQ(platform.Contents(kAdministratorsCopy), machine->image);
    EXPECT_EQ(platform.Names("C:\\Program Files\\Mwn"), (Lines{"Mwn.exe"}));
    if (!OthersMayAdd()) {
      // Neither read nor changed: only its folder's hold names it.
      EXPECT_EQ(left, 1);
      EXPECT_EQ(machine->window.memo1.lines, (Lines{kUserCopy}));
      for (const FakePlatform::Call& call : platform.calls) {
        EXPECT_NE(call.path.rfind("C:\\Users", 0) == 0 && call.op != Op::HoldFolder, true)
            << OpName(call.op) << " " << call.path;
      }
    }
    EXPECT_EQ(platform.CountOf(Op::VersionInfoSize), 0) << "no version is read by path";
    EXPECT_EQ(platform.OpenHandles(), 0);
  }
}

INSTANTIATE_TEST_SUITE_P(
    PrivilegedRuns, Adversary,
    ::testing::Combine(::testing::Values(mwn::RunRights::kAdministrator, mwn::RunRights::kSystem),
                       ::testing::Values(mwn::FolderTrust::kChangeable,
                                         mwn::FolderTrust::kRunAccountOnly,
                                         mwn::FolderTrust::kUsersMayAdd)));

// The elevated instance's list rewritten by the user's programs: only plain
// full paths count, and never to put an older image over a newer copy.
TEST(ListedCopies, RewrittenListNeverDowngradesNorLeadsOutOfItsLines) {
  Machine machine;
  FakePlatform& platform = machine.platform;
  platform.elevated = true;
  platform.resource = ZlibStream(machine.image);
  const std::string newer = VersionedImage("9.0.0.0", "newer");
  platform.AddFile("C:\\PF\\Old\\Mwn.exe", Machine::OldBytes("old"));
  platform.AddFile("C:\\PF\\New\\Mwn.exe", newer);
  platform.AddFile("C:\\PF\\Mwn.exe", Machine::OldBytes("root"));
  platform.AddFile("C:\\Win\\Mwn.exe", Machine::OldBytes("win"));
  for (const char* folder : {"C:\\PF", "C:\\PF\\Old", "C:\\PF\\New", "C:\\Win"}) {
    platform.SetAdministratorsOnly(folder);
  }
  platform.AddLink("C:\\Users\\eve", "C:\\Win");
  // Folders the user's own rights could change: never in a list the run wrote.
  platform.AddFile("C:\\Data\\Mwn.exe", Machine::OldBytes("data"));
  platform.SetTrust("C:\\Data", mwn::FolderTrust::kUsersMayAdd);
  platform.AddFile("C:\\Users\\bob\\Mwn.exe", Machine::OldBytes("bob"));
  platform.AddFile("C:\\list.txt",
                   "C:\\PF\\Old\\Mwn.exe\r\nC:\\PF\\New\\Mwn.exe\r\nC:\\PF\\Old/..\\Mwn.exe\r\n"
                   "C:\\PF\\Old\\..\\Mwn.exe\r\nC:\\PF\\NUL\\Mwn.exe\r\nC:\\Users\\eve\\Mwn.exe\r\n"
                   "C:\\Data\\Mwn.exe\r\nC:\\Users\\bob\\Mwn.exe\r\n");
  mwn::MessagePump pump(platform);
  EXPECT_EQ(mwn::ReplaceListedCopies(platform, pump, "C:\\list.txt"), mwn::kListedCopiesDone);
  EXPECT_EQ(platform.Contents("C:\\PF\\Old\\Mwn.exe"), machine.image);
  EXPECT_EQ(platform.Contents("C:\\PF\\New\\Mwn.exe"), newer);
  EXPECT_EQ(platform.Contents("C:\\PF\\Mwn.exe"), Machine::OldBytes("root"));
  EXPECT_EQ(platform.Contents("C:\\Win\\Mwn.exe"), Machine::OldBytes("win"));
  EXPECT_EQ(platform.Contents("C:\\Data\\Mwn.exe"), Machine::OldBytes("data"));
  EXPECT_EQ(platform.Contents("C:\\Users\\bob\\Mwn.exe"), Machine::OldBytes("bob"));
}

}  // namespace
