#include "update/replace.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include "fake_platform.h"
#include "fake_window.h"
#include "update/pump.h"
#include "update/texts.h"

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
  void Replace() {
    mwn::MessagePump pump(platform);
    const std::vector<std::uint8_t> bytes = ToBytes(image);
    mwn::ReplaceCopies(platform, pump, window, kImagePath, bytes.data(), bytes.size());
  }
  // Staged files left in `folder`.
  Lines Leftovers(const std::string& folder) const {
    Lines left;
    for (const std::string& name : platform.Names(folder)) {
      if (name.size() > 4 && SameIgnoringCase(name.substr(0, 3), "Mwn") &&
          SameIgnoringCase(name.substr(name.size() - 4), ".tmp")) {
        left.push_back(name);
      }
    }
    return left;
  }

  const std::string image = VersionedImage("2.1.0.0", "the replacement");
  FakePlatform platform;
  FakeWindow window;
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

TEST_F(ReplaceTest, CopyStoredInCapitalsTakesTheProgramsSpelling) {
  Copy("C:\\Apps\\MWN.EXE", "C:\\Apps\\Mwn.exe");
  Replace();
  EXPECT_EQ(platform.Names("C:\\Apps"), (Lines{"Mwn.exe"}));
  EXPECT_EQ(platform.Contents("C:\\Apps\\Mwn.exe"), image);
  EXPECT_EQ(window.memo3.lines, (Lines{"C:\\Apps\\Mwn.exe"}));
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

// Every platform call made for one copy is made to fail in turn, with the
// copy at every position in the list. Up to the read-back of the new bytes
// the copy must come out exactly as it was, still listed as not updated;
// after it, only the backup's deletion and the cosmetic renaming are left,
// and the copy is updated.
TEST(ReplaceFaults, AFailureAtAnyCallLeavesTheCopyAsItWas) {
  const auto folderOf = [](std::size_t copy) { return "C:\\F" + std::to_string(copy); };
  const auto build = [&](Machine& machine, std::size_t copies) {
    for (std::size_t copy = 0; copy < copies; ++copy) {
      machine.Copy(folderOf(copy) + "\\MWN.EXE", folderOf(copy) + "\\Mwn.exe");
    }
  };
  const auto onCopy = [&](std::size_t copy, const std::string& path) {
    return path.rfind(folderOf(copy) + "\\", 0) == 0;
  };

  for (std::size_t copies = 1; copies <= 3; ++copies) {
    for (std::size_t faulty = 0; faulty < copies; ++faulty) {
      // A clean run tells how many calls the copy takes and which one reads
      // the new bytes back.
      Machine clean;
      build(clean, copies);
      clean.Replace();
      std::vector<FakePlatform::Call> callsOnCopy;
      for (const auto& call : clean.platform.calls) {
        if (onCopy(faulty, call.path)) callsOnCopy.push_back(call);
      }
      const auto readBack = std::find_if(
          callsOnCopy.rbegin(), callsOnCopy.rend(),
          [](const FakePlatform::Call& call) { return call.op == Op::FileHoldsExactly; });
      ASSERT_NE(readBack, callsOnCopy.rend());
      const std::size_t lastEssential = callsOnCopy.rend() - readBack - 1;

      for (std::size_t failing = 0; failing < callsOnCopy.size(); ++failing) {
        SCOPED_TRACE("copies " + std::to_string(copies) + ", faulty " + std::to_string(faulty) +
                     ", failing call " + std::to_string(failing) + " " +
                     OpName(callsOnCopy[failing].op));
        Machine machine;
        build(machine, copies);
        std::size_t seen = 0;
        machine.platform.fail = [&](Op, const std::string& path) {
          return onCopy(faulty, path) && seen++ == failing;
        };
        machine.Replace();

        const std::string listed = folderOf(faulty) + "\\Mwn.exe";
        const bool kept = machine.window.memo1.Find(listed) >= 0;
        if (failing <= lastEssential) {
          EXPECT_TRUE(kept);
          EXPECT_EQ(machine.platform.Contents(listed),
                    Machine::OldBytes(folderOf(faulty) + "\\MWN.EXE"));
          EXPECT_EQ(machine.platform.Names(folderOf(faulty)), (Lines{"MWN.EXE"}));
        } else {
          EXPECT_FALSE(kept);
          EXPECT_EQ(machine.platform.Contents(listed), machine.image);
        }
        EXPECT_EQ(machine.window.memo1.Count() + machine.window.memo3.Count(),
                  static_cast<int>(copies));
        EXPECT_EQ(machine.window.memo1.Count(), kept ? 1 : 0);
        const FakePlatform::Call& failed = callsOnCopy[failing];
        for (std::size_t copy = 0; copy < copies; ++copy) {
          Lines allowed;
          if (copy == faulty && failed.op == Op::DeleteFile) {
            allowed.push_back(failed.path.substr(failed.path.find_last_of('\\') + 1));
          }
          EXPECT_EQ(machine.Leftovers(folderOf(copy)), allowed) << folderOf(copy);
          if (copy != faulty) {
            EXPECT_EQ(machine.platform.Contents(folderOf(copy) + "\\Mwn.exe"), machine.image);
          }
        }
        EXPECT_EQ(machine.platform.OpenHandles(), 0);
      }
    }
  }
}

}  // namespace
