#include "update/run/run.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>

#include "fake_platform.h"
#include "fake_window.h"
#include "platform/errors.h"
#include "platform/pump.h"
#include "update/base/run_log.h"
#include "update/base/texts.h"
#include "update/run/check.h"
#include "update/run/start.h"

namespace {

using Lines = std::vector<std::string>;
using mwn::Label;

std::vector<std::uint8_t> Compress(const std::string& text) {
  uLongf size = compressBound(static_cast<uLong>(text.size()));
  std::vector<std::uint8_t> out(size);
  const int result = compress2(out.data(), &size, reinterpret_cast<const Bytef*>(text.data()),
                               static_cast<uLong>(text.size()), 9);
  if (result != Z_OK) throw std::runtime_error("compress2 failed");
  out.resize(size);
  return out;
}

// True when every event of `wanted` occurs in `events`, in that order, with
// any others in between.
bool InOrder(const Lines& events, const Lines& wanted) {
  auto at = events.begin();
  for (const std::string& event : wanted) {
    at = std::find(at, events.end(), event);
    if (at == events.end()) return false;
    ++at;
  }
  return true;
}

class RunTest : public ::testing::Test {
 protected:
  RunTest() {
    platform.events = &window.events;
    platform.AddDrive('C');
    platform.AddFolder("C:\\Temp");
    platform.resource = Compress(image);
  }

  void Copy(const std::string& path, const std::string& version) {
    platform.AddFile(path, OldBytes(version));
  }
  static std::string OldBytes(const std::string& version) {
    return VersionedImage(version, "an older build");
  }
  // Runs FormShow and gives the message of the error that left it, if any.
  std::string Run() {
    try {
      run.FormShow();
    } catch (const mwn::Exception& error) {
      return mwn::WithClosingPeriod(error.Message());
    }
    return "";
  }
  std::size_t EventIndex(const std::string& event) const {
    return std::find(window.events.begin(), window.events.end(), event) - window.events.begin();
  }

  const std::string image = VersionedImage("2.1.0.0", std::string(3000, 'p'));
  FakePlatform platform;
  FakeWindow window;
  mwn::MessagePump pump{platform};
  mwn::RunLog log{platform};
  mwn::UpdateRun run{platform, window, pump, log};
};

TEST_F(RunTest, AnythingButOkCancelsWithoutATrace) {
  for (int answer : {mwn::kIdCancel, 0}) {
    FakePlatform platform;
    FakeWindow window;
    platform.AddDrive('C');
    platform.AddFolder("C:\\Temp");
    platform.AddFile("C:\\Mwn.exe", OldBytes("1.0.0.0"));
    platform.resource = Compress(image);
    platform.boxAnswers = {answer};
    mwn::MessagePump pump(platform);
    mwn::RunLog log(platform);
    mwn::UpdateRun run(platform, window, pump, log);
    run.FormShow();

    ASSERT_EQ(platform.boxes.size(), 1u);
    EXPECT_EQ(platform.boxes[0].caption, mwn::text::kConfirmCaption);
    EXPECT_EQ(platform.boxes[0].text, mwn::text::kConfirmText);
    EXPECT_EQ(platform.boxes[0].flags, mwn::kMbOkCancel);
    EXPECT_EQ(window.plainMessages, (Lines{"Update cancelled by user."}));
    EXPECT_EQ(run.Outcome(), mwn::ExitCode::kCancelled);
    EXPECT_EQ(window.closeCount, 1);
    EXPECT_EQ(platform.CountOf(Op::LogicalDriveMask), 0);
    EXPECT_TRUE(platform.cursorHistory.empty());
    EXPECT_FALSE(window.timerRunning);
    EXPECT_TRUE(platform.Names("C:\\Temp").empty());
    EXPECT_EQ(platform.Contents("C:\\Mwn.exe"), OldBytes("1.0.0.0"));
  }
}

TEST_F(RunTest, ConfirmedRunUpdatesEveryCopyAndEndsWithTheClosePrompt) {
  Copy("C:\\Apps\\Mwn.exe", "2.0.0.0");
  Copy("C:\\Old\\Mwn.exe", "1.0.0.0");
  EXPECT_EQ(Run(), "");

  EXPECT_EQ(window.memo2.lines, (Lines{"C:"}));
  EXPECT_EQ(window.memo3.lines, (Lines{"C:\\Old\\Mwn.exe", "C:\\Apps\\Mwn.exe"}));
  EXPECT_EQ(platform.Contents("C:\\Apps\\Mwn.exe"), image);
  EXPECT_EQ(platform.Contents("C:\\Old\\Mwn.exe"), image);
  EXPECT_EQ(platform.resourceForgotten, platform.resource.size());
  EXPECT_EQ(window.plainMessages, (Lines{"Done!"}));
  EXPECT_TRUE(platform.Names("C:\\Temp").empty());
  EXPECT_EQ(window.label(Label::Label4).text, "");
  EXPECT_EQ(run.Outcome(), mwn::ExitCode::kSuccess);

  ASSERT_EQ(platform.boxes.size(), 2u);
  EXPECT_EQ(platform.boxes[1].caption, mwn::text::kCloseCaption);
  EXPECT_EQ(platform.boxes[1].text, mwn::text::kCloseText);
  EXPECT_EQ(platform.boxes[1].flags, mwn::kMbYesNo);
  EXPECT_EQ(window.closeCount, 1);
  EXPECT_TRUE(InOrder(
      window.events,
      {"box:Update Marlowen Now?", "timer:start", "label3:visible", "cursor:wait", "focus:memo2",
       "memo2:add:C:", "caret:end", "focus:none", "label4:text:", "plain:Done!", "cursor:normal",
       "caption:Mwn Update", "box:Close Marlowen Update?", "close"}));
  EXPECT_FALSE(window.timerRunning);
  EXPECT_EQ(window.caption, "Mwn Update");
  EXPECT_EQ(platform.OpenHandles(), 0);
}

TEST_F(RunTest, NoAtTheClosePromptKeepsTheWindowAndALaterActivationStartsNothing) {
  platform.boxAnswers = {mwn::kIdOk, mwn::kIdNo};
  Run();
  EXPECT_EQ(window.closeCount, 0);
  const std::size_t callsBefore = platform.calls.size();
  const std::size_t eventsBefore = window.events.size();
  Run();
  EXPECT_EQ(platform.calls.size(), callsBefore);
  EXPECT_EQ(window.events.size(), eventsBefore);
}

TEST_F(RunTest, NoCopyAnywhereStillSaysDoneAndCleansUp) {
  Run();
  EXPECT_TRUE(window.memo1.lines.empty());
  EXPECT_EQ(window.label(Label::Label1).text, mwn::text::kFoundOnSystem);
  EXPECT_EQ(window.plainMessages, (Lines{"Done!"}));
  EXPECT_TRUE(platform.Names("C:\\Temp").empty());
}

TEST_F(RunTest, NewerCopyIsRefusedAndNothingTouched) {
  Copy("C:\\Apps\\Mwn.exe", "3.0.0.0");
  Copy("C:\\Old\\Mwn.exe", "1.0.0.0");
  Run();
  EXPECT_EQ(window.plainMessages, (Lines{mwn::text::kRefusal}));
  EXPECT_EQ(run.Outcome(), mwn::ExitCode::kRefused);
  EXPECT_EQ(platform.Contents("C:\\Apps\\Mwn.exe"), OldBytes("3.0.0.0"));
  EXPECT_EQ(platform.Contents("C:\\Old\\Mwn.exe"), OldBytes("1.0.0.0"));
  EXPECT_EQ(window.memo1.lines, (Lines{"C:\\Apps\\Mwn.exe", "C:\\Old\\Mwn.exe"}));
  EXPECT_TRUE(window.memo3.lines.empty());
  EXPECT_EQ(window.label(Label::Label2).text, "");
  EXPECT_EQ(window.label(Label::Label1).text, mwn::text::kFoundOnSystem);
  EXPECT_EQ(window.memo(mwn::Memo::Memo1).colour, FakeWindow::kDefaultColour);
  EXPECT_TRUE(window.memo(mwn::Memo::Memo1).enabled);
  EXPECT_TRUE(platform.Names("C:\\Temp").empty());
  // The caption is reset only by the finishing steps, after the notice.
  EXPECT_TRUE(InOrder(window.events, {"timer:stop", std::string("plain:") + mwn::text::kRefusal,
                                      "caption:Mwn Update", "box:Close Marlowen Update?"}));
  EXPECT_EQ(std::count(window.events.begin(), window.events.end(), "caption:Mwn Update"), 1);
}

TEST_F(RunTest, DamagedPayloadEndsTheRunThroughTheFinishingSteps) {
  Copy("C:\\Apps\\Mwn.exe", "2.0.0.0");
  platform.resource.pop_back();
  platform.onPump = [this] { window.FireTimer(); };
  EXPECT_EQ(Run(), "error.");
  EXPECT_EQ(run.Outcome(), mwn::ExitCode::kFailed);
  EXPECT_TRUE(InOrder(window.events, {"cursor:normal", "timer:stop", "caption:Mwn Update",
                                      "box:Close Marlowen Update?", "close"}));
  EXPECT_EQ(platform.Contents("C:\\Apps\\Mwn.exe"), OldBytes("2.0.0.0"));
  EXPECT_TRUE(window.plainMessages.empty());
  // The scratch folder stays behind, empty.
  const Lines left = platform.Names("C:\\Temp");
  ASSERT_EQ(left.size(), 1u);
  EXPECT_TRUE(platform.Names("C:\\Temp\\" + left[0]).empty());
}

TEST_F(RunTest, WriteFailureReportsTheSystemsCode) {
  Copy("C:\\Apps\\Mwn.exe", "2.0.0.0");
  platform.failCode = mwn::kErrorDiskFull;
  platform.fail = [](Op op, const std::string&) { return op == Op::WriteFileBytes; };
  platform.boxAnswers = {mwn::kIdOk, mwn::kIdNo};
  EXPECT_EQ(Run(), "I/O error 112.");
  EXPECT_EQ(window.closeCount, 0);
  EXPECT_EQ(platform.boxes.back().caption, mwn::text::kCloseCaption);
  EXPECT_FALSE(window.timerRunning);
  EXPECT_EQ(platform.cursorHistory, (std::vector<bool>{true, false}));
  EXPECT_EQ(platform.Contents("C:\\Apps\\Mwn.exe"), OldBytes("2.0.0.0"));
  EXPECT_EQ(platform.OpenHandles(), 0);
}

TEST_F(RunTest, ScratchFolderThatCannotBeRemovedIsReportedAfterTheOutcome) {
  Copy("C:\\Apps\\Mwn.exe", "2.0.0.0");
  platform.fail = [](Op op, const std::string& path) {
    return op == Op::DeleteFile && path.rfind("C:\\Temp\\", 0) == 0 && path.size() > 8 &&
           path.substr(path.size() - 8) == "\\Mwn.exe";
  };
  EXPECT_EQ(Run(), "I/O error 145.");
  EXPECT_EQ(platform.Contents("C:\\Apps\\Mwn.exe"), image);
  EXPECT_TRUE(InOrder(window.events, {"plain:Done!", "cursor:normal", "caption:Mwn Update",
                                      "box:Close Marlowen Update?"}));
}

TEST_F(RunTest, NoScratchFolderEndsTheRunBeforeAnythingIsWritten) {
  Copy("C:\\Apps\\Mwn.exe", "2.0.0.0");
  platform.fail = [](Op op, const std::string&) { return op == Op::CreateFolder; };
  EXPECT_EQ(Run(), "File access denied.");
  EXPECT_EQ(platform.CountOf(Op::CreateFileRW), 0);
  EXPECT_EQ(platform.CountOf(Op::CopyFile), 0);
  EXPECT_EQ(platform.Contents("C:\\Apps\\Mwn.exe"), OldBytes("2.0.0.0"));
  EXPECT_TRUE(InOrder(window.events, {"cursor:normal", "timer:stop", "caption:Mwn Update",
                                      "box:Close Marlowen Update?"}));
}

TEST_F(RunTest, CaptionAnimatesWhileTheRunWorks) {
  platform.onPump = [this] { window.FireTimer(); };
  for (int i = 0; i < 30; ++i) platform.AddFolder("C:\\Folder" + std::to_string(i));
  Run();
  EXPECT_LT(EventIndex("caption:Mwn Update ."), EventIndex("caption:Mwn Update . ."));
  EXPECT_LT(EventIndex("caption:Mwn Update . ."), window.events.size());
  EXPECT_EQ(window.caption, "Mwn Update");
}

// With an administrator's rights the temp folder may be one every user can
// write to: what another program does there meanwhile (a changed image, a
// link in place of it) neither reaches a copy nor leads the clean-up away.
TEST_F(RunTest, WithAdministratorsRightsNothingInTempReachesACopyOrLeadsTheCleanUpAway) {
  platform.elevated = true;
  Copy("C:\\Apps\\Mwn.exe", "2.0.0.0");
  platform.SetAdministratorsOnly("C:\\Apps");
  platform.AddDrive('E', mwn::kDriveCdRom);  // not scanned: only a link leads there
  platform.AddFile("E:\\Keep\\Mwn.exe", "keep");
  const std::string foreign = VersionedImage("2.1.0.0", "foreign");
  platform.onPump = [&] {
    const Lines scratch = platform.Names("C:\\Temp");
    if (scratch.empty()) return;
    const std::string staged = "C:\\Temp\\" + scratch.front() + "\\Mwn.exe";
    if (platform.IsFile(staged) && platform.Contents(staged) == image) {
      platform.DeleteFileAt(staged);
      platform.AddFile(staged, foreign);
    } else if (platform.IsFile(staged) && !window.memo3.lines.empty()) {
      platform.DeleteFileAt(staged);
      platform.AddLink(staged, "E:\\Keep");
    }
  };
  EXPECT_EQ(Run(), "I/O error 145.");
  EXPECT_EQ(platform.Contents("C:\\Apps\\Mwn.exe"), image);
  EXPECT_EQ(platform.Contents("E:\\Keep\\Mwn.exe"), "keep");
  EXPECT_EQ(platform.CountOf(Op::CreateFolder), 0) << "the scratch folder is a private one";
  EXPECT_EQ(platform.CountOf(Op::CreatePrivateFolder), 1);
  EXPECT_EQ(platform.OpenHandles(), 0);
}

// The lock is looked at before the question, taken only once the user has
// confirmed (a run waiting at its question holds no deployment off) and let
// go of before the close prompt.
TEST_F(RunTest, TheLockIsHeldFromTheConfirmationToTheClosePromptOnly) {
  Copy("C:\\Apps\\Mwn.exe", "2.0.0.0");
  EXPECT_FALSE(mwn::AnotherRunUnderWay(platform));
  Run();
  EXPECT_TRUE(InOrder(window.events, {"lock:taken", "lock:released", "box:Update Marlowen Now?",
                                      "lock:taken", "memo2:add:C:", "plain:Done!",
                                      "lock:released", "box:Close Marlowen Update?"}));
  EXPECT_EQ(run.Outcome(), mwn::ExitCode::kSuccess);
}

TEST_F(RunTest, ARunThatTookTheLockWhileTheQuestionWasUpEndsThisOneAsASecondStart) {
  Copy("C:\\Apps\\Mwn.exe", "2.0.0.0");
  platform.lockedByOther = true;
  Run();
  EXPECT_EQ(window.plainMessages, (Lines{mwn::text::kAlreadyRunning}));
  EXPECT_EQ(run.Outcome(), mwn::ExitCode::kAlreadyRunning);
  EXPECT_EQ(window.closeCount, 1);
  EXPECT_EQ(platform.boxes.size(), 1u);
  EXPECT_EQ(platform.CountOf(Op::LogicalDriveMask), 0);
  EXPECT_EQ(platform.Contents("C:\\Apps\\Mwn.exe"), OldBytes("2.0.0.0"));
}

// The quiet mode from the command line on, over the same machine.
class QuietRunTest : public RunTest {
 protected:
  int Quiet(const Lines& arguments = {"/quiet"}) {
    return mwn::RunQuietly(platform, mwn::ParseCommandLine(arguments));
  }
  // "<path> <outcome>" for each copy in the one report written, in order.
  static Lines Outcomes(const FakePlatform& platform) {
    Lines outcomes;
    if (platform.reports.size() != 1) return {std::to_string(platform.reports.size()) + " reports"};
    const std::string report = platform.reports.begin()->second.at(0);
    for (std::size_t at = report.find("{\"path\":\""); at != std::string::npos;
         at = report.find("{\"path\":\"", at + 1)) {
      std::string path = report.substr(at + 9, report.find("\",\"versionBefore", at) - at - 9);
      for (std::size_t bs = path.find("\\\\"); bs != std::string::npos;
           bs = path.find("\\\\", bs + 1)) {
        path.erase(bs, 1);
      }
      const std::size_t outcome = report.find("\"outcome\":\"", at) + 11;
      outcomes.push_back(path + " " + report.substr(outcome, report.find('"', outcome) - outcome));
    }
    return outcomes;
  }
  // The log's lines without their time stamps, once each stamp is checked.
  Lines LogText(const std::string& path) {
    Lines text;
    for (const std::string& line : platform.logs[path]) {
      EXPECT_EQ(line.substr(0, 24), "2026-03-01 14:05:09.042 ");
      text.push_back(line.substr(24));
    }
    return text;
  }
};

// Copies that need an administrator's rights stay not updated: no consent
// prompt comes up.
TEST_F(QuietRunTest, AsksNothingShowsNothingAndTellsTheOutcomeByItsExitCode) {
  EXPECT_EQ(Quiet({"-S"}), 0);
  Copy("C:\\Apps\\Mwn.exe", "2.0.0.0");
  Copy("C:\\Program Files\\Mwn\\Mwn.exe", "2.0.0.0");
  platform.fail = [](Op op, const std::string& folder) {
    return op == Op::UniqueTempFile && folder == "C:\\Program Files\\Mwn";
  };
  EXPECT_EQ(Quiet(), 1);
  EXPECT_EQ(platform.CountOf(Op::RunElevated), 0);
  EXPECT_EQ(platform.Contents("C:\\Apps\\Mwn.exe"), image);
  EXPECT_TRUE(platform.Names("C:\\Temp").empty());

  Copy("C:\\New\\Mwn.exe", "3.0.0.0");
  EXPECT_EQ(Quiet(), 2);
  EXPECT_EQ(platform.Contents("C:\\New\\Mwn.exe"), OldBytes("3.0.0.0"));
  platform.resource.pop_back();
  EXPECT_EQ(Quiet(), 1603);
  EXPECT_TRUE(platform.boxes.empty());
  EXPECT_EQ(platform.locksHeld, 0);
  EXPECT_TRUE(platform.logs.empty());
}

TEST_F(QuietRunTest, ASecondRunABadCommandLineOrALogThatCannotBeOpenedChangeNothing) {
  Copy("C:\\Apps\\Mwn.exe", "2.0.0.0");
  platform.lockedByOther = true;
  EXPECT_EQ(Quiet({"/quiet", "/log=C:\\second.log"}), 1618);
  EXPECT_EQ(LogText("C:\\second.log").back(),
            "Exit code 1618: another run of the updater is in progress on this machine");
  platform.lockedByOther = false;
  EXPECT_EQ(Quiet({"/log", "C:\\a.log", "b", "/quiet"}), 87);
  platform.logOpens = false;
  EXPECT_EQ(Quiet({"/verysilent", "/log"}), 1622);
  EXPECT_EQ(platform.CountOf(Op::LogicalDriveMask), 0);
  EXPECT_EQ(platform.Contents("C:\\Apps\\Mwn.exe"), OldBytes("2.0.0.0"));
  EXPECT_TRUE(platform.boxes.empty());
}

// Any user may make the lock's shared name first: only another run with an
// administrator's rights holds such a run off.
TEST_F(QuietRunTest, ASquattedLockNameCannotHoldOffARunWithAdministratorsRights) {
  Copy("C:\\Apps\\Mwn.exe", "2.0.0.0");
  platform.SetAdministratorsOnly("C:\\Apps");
  platform.lockedByOther = true;
  platform.elevated = true;
  EXPECT_EQ(Quiet(), 0);
  EXPECT_EQ(platform.Contents("C:\\Apps\\Mwn.exe"), image);
  platform.lockedByAdministratorsRun = true;
  EXPECT_EQ(Quiet(), 1618);
  platform.elevated = false;
  platform.lockedByAdministratorsRun = false;
  EXPECT_EQ(Quiet(), 1618);
}

TEST_F(QuietRunTest, WithAdministratorsRightsLogAloneGoesWhereNoStandardUserCanPrepareIt) {
  Copy("C:\\Apps\\Mwn.exe", "2.0.0.0");
  platform.SetAdministratorsOnly("C:\\Apps");
  platform.elevated = true;
  const std::string folder = "C:\\Windows\\Logs\\MwnUpdate";
  const std::string log = folder + "\\MwnUpdate-20260301-140509.log";
  EXPECT_EQ(Quiet({"/quiet", "/log"}), 0);
  EXPECT_EQ(Quiet({"/quiet", "/log"}), 0);
  EXPECT_EQ(LogText(log).back(), "Exit code 0: every copy found was updated, or none was found");
  EXPECT_TRUE(platform.IsFolder(folder));

  const std::vector<std::function<void()>> preparations = {
      [&] {
        platform.AddFolder(folder);
        platform.SetOwnedByStandardUser(folder);
      },
      [&] {
        platform.AddFolder("C:\\Users\\Mallory");
        platform.AddLink(folder, "C:\\Users\\Mallory");
      },
      [&] { platform.AddFile(folder, "a file"); },
  };
  Copy("C:\\Old\\Mwn.exe", "1.0.0.0");
  platform.SetAdministratorsOnly("C:\\Old");
  for (const auto& prepare : preparations) {
    ASSERT_EQ(platform.RemoveFolder(folder), 0u);
    platform.logs.clear();
    prepare();
    EXPECT_EQ(Quiet({"/quiet", "/log"}), 1622);
    EXPECT_TRUE(platform.logs.empty());
    EXPECT_EQ(platform.Contents("C:\\Old\\Mwn.exe"), OldBytes("1.0.0.0"));
  }
  // A log named on the command line, in a folder a standard user can
  // change: made there beforehand by that user, or reached through a link.
  platform.AddFile("C:\\Users\\Mallory\\x.log", "");
  platform.SetOwnedByStandardUser("C:\\Users\\Mallory\\x.log");
  platform.AddLink("C:\\Users\\Mallory\\Logs", "C:\\Windows");
  for (const char* named : {"C:\\Users\\Mallory\\x.log", "C:\\Users\\Mallory\\Logs\\y.log"}) {
    platform.logs.clear();
    EXPECT_EQ(Quiet({"/quiet", "/log", named}), 1622) << named;
    EXPECT_TRUE(platform.logs.empty());
  }
  EXPECT_EQ(Quiet({"/quiet", "/log", "C:\\Users\\Mallory\\z.log"}), 0);
}

TEST_F(QuietRunTest, WithoutANarrowedDllSearchARunWithAdministratorsRightsDoesNothing) {
  Copy("C:\\Apps\\Mwn.exe", "2.0.0.0");
  platform.dllSearchNarrowed = false;
  platform.elevated = true;
  EXPECT_EQ(Quiet({"/quiet", "/log=C:\\x.log"}), 1654);
  EXPECT_TRUE(platform.logs.empty());
  EXPECT_EQ(platform.CountOf(Op::LogicalDriveMask), 0);
  EXPECT_EQ(platform.Contents("C:\\Apps\\Mwn.exe"), OldBytes("2.0.0.0"));
  platform.elevated = false;
  EXPECT_EQ(Quiet(), 0);
}

TEST_F(QuietRunTest, TheLogTellsEachStepAsItHappens) {
  platform.AddFile(platform.executablePath, VersionedImage("1.1.0.0"));
  Copy("C:\\A\\Mwn.exe", "1.0.0.0");
  platform.AddFile("C:\\B\\Mwn.exe", "no version here");
  platform.SetLocked("C:\\B\\Mwn.exe");
  platform.commandLine = "MwnUpdate.exe /quiet /log";
  EXPECT_EQ(Quiet({"/quiet", "/log"}), 1);
  EXPECT_EQ(LogText("C:\\Temp\\MwnUpdate-20260301-140509.log"),
            (Lines{"MwnUpdate 1.1.0.0 started, quiet",
                   "Command line: MwnUpdate.exe /quiet /log",
                   "User: alice, not elevated",
                   "Scanning C:",
                   "Found C:\\A\\Mwn.exe, version 1.0.0.0",
                   "Found C:\\B\\Mwn.exe, version none readable",
                   "Replacement version 2.1.0.0, newest copy found 1.0.0.0: the copies are updated",
                   "Not updated C:\\B\\Mwn.exe: message 5 (error 5)",
                   "Updated C:\\A\\Mwn.exe",
                   "Exit code 1: the run finished, but some copies could not be updated"}));
}

// A newer copy in a folder every user can change, an old one in the user's
// own folder, and, where the case says, old ones in a folder users may only
// add to and in one only administrators may change. A privileged run acts
// only in the last two, never by path, and ends with 3 when it leaves any;
// no run is held back by the planted copy, nor touches it.
using FolderCase = std::tuple<bool /*elevated*/, bool /*system*/, bool /*administrators'*/>;
class RunByFolder : public QuietRunTest, public ::testing::WithParamInterface<FolderCase> {};

TEST_P(RunByFolder, WhatUsersCanChangeNeitherHoldsBackNorIsTouchedWithAdministratorsRights) {
  const auto [elevated, system, administratorsCopies] = GetParam();
  Copy("C:\\Public\\Mwn.exe", "9.0.0.0");
  platform.SetTrust("C:\\Public", mwn::FolderTrust::kChangeable);
  const Lines copies = {"C:\\Users\\alice\\Mwn.exe", "C:\\ProgramData\\Mwn\\Mwn.exe",
                        "C:\\Program Files\\Mwn\\Mwn.exe"};
  for (std::size_t i = 0; i < (administratorsCopies ? 3u : 1u); ++i) Copy(copies[i], "1.0.0.0");
  if (administratorsCopies) {
    platform.SetTrust("C:\\ProgramData\\Mwn", mwn::FolderTrust::kUsersMayAdd);
    platform.SetAdministratorsOnly("C:\\Program Files\\Mwn");
  }
  platform.elevated = elevated;
  platform.systemAccount = system;
  EXPECT_EQ(Quiet({"/quiet", "/log=C:\\Temp\\run.log"}), 3);
  for (std::size_t i = 0; i < copies.size(); ++i) {
    const bool updated = platform.IsFile(copies[i]) && platform.Contents(copies[i]) == image;
    EXPECT_EQ(updated, elevated ? administratorsCopies && i > 0 : i == 0) << copies[i];
  }
  EXPECT_EQ(platform.Contents("C:\\Public\\Mwn.exe"), OldBytes("9.0.0.0"));
  const std::string reason = elevated ? "standard users can change its folder" : "newer than";
  const Lines log = LogText("C:\\Temp\\run.log");
  EXPECT_NE(std::find_if(log.begin(), log.end(),
                         [&](const std::string& line) {
                           return line.rfind("Not updated C:\\Public\\Mwn.exe: " + reason, 0) == 0;
                         }),
            log.end());
  for (const Op step : {Op::VersionInfoSize, Op::MoveFile, Op::CopyFile, Op::UniqueTempFile}) {
    for (const FakePlatform::Call& call : platform.CallsOf(step)) {
      EXPECT_FALSE(elevated && call.path.rfind("C:\\", 0) == 0) << OpName(step) << call.path;
    }
  }
  if (!administratorsCopies) return;
  Copy("C:\\Program Files\\Mwn\\Next\\Mwn.exe", "9.0.0.0");
  platform.SetAdministratorsOnly("C:\\Program Files\\Mwn\\Next");
  EXPECT_EQ(Quiet(), 2) << "only administrators could have put that newer copy there";
}

INSTANTIATE_TEST_SUITE_P(Runs, RunByFolder,
                         ::testing::Values(FolderCase{false, false, false},
                                           FolderCase{true, false, false},
                                           FolderCase{true, true, false},
                                           FolderCase{true, false, true},
                                           FolderCase{true, true, true}));

// One document at the end; each copy with its outcome, whatever script its
// path is in.
TEST_F(QuietRunTest, TheReportGivesEachCopyItsVersionOutcomeAndHolder) {
  platform.AddFile(platform.executablePath, VersionedImage("1.1.0.0"));
  Copy("C:\\A\\Mwn.exe", "1.0.0.0");
  Copy("C:\\B\\Mwn.exe", "1.0.0.0");
  Copy("C:\\Ünï 日本\\Mwn.exe", "1.0.0.0");
  platform.SetLocked("C:\\B\\Mwn.exe");
  platform.holders["C:\\B\\Mwn.exe"] = {{"Mwn.exe", "C:\\B\\Mwn.exe", 4242, 1}};
  EXPECT_EQ(Quiet({"/quiet", "/report=C:\\Logs\\run.json"}), 1);
  EXPECT_EQ(platform.reports["C:\\Logs\\run.json"],
            (Lines{"{\"updater\":\"1.1.0.0\",\"replacement\":\"2.1.0.0\",\"mode\":\"quiet\","
                   "\"elevated\":false,\"system\":false,\"started\":\"2026-03-01T13:05:09Z\","
                   "\"ended\":\"2026-03-01T13:05:09Z\",\"exitCode\":1,\"locations\":[\"C:\"],"
                   "\"copies\":["
                   "{\"path\":\"C:\\\\A\\\\Mwn.exe\",\"versionBefore\":\"1.0.0.0\","
                   "\"outcome\":\"updated\",\"error\":0,\"reason\":\"\",\"heldBy\":[]},"
                   "{\"path\":\"C:\\\\B\\\\Mwn.exe\",\"versionBefore\":\"1.0.0.0\","
                   "\"outcome\":\"notUpdated\",\"error\":5,\"reason\":\"message 5 (error 5)\","
                   "\"heldBy\":[{\"image\":\"Mwn.exe\",\"path\":\"C:\\\\B\\\\Mwn.exe\","
                   "\"pid\":4242,\"session\":1}]},"
                   "{\"path\":\"C:\\\\Ünï 日本\\\\Mwn.exe\",\"versionBefore\":\"1.0.0.0\","
                   "\"outcome\":\"updated\",\"error\":0,\"reason\":\"\",\"heldBy\":[]}]}"}));
}

// A check writes nothing anywhere, takes no lock, and its exit code says what
// a run with the same command line would do.
TEST_F(QuietRunTest, ACheckChangesNothingAndTellsWhatARunWouldDo) {
  struct Case {
    const char* name;
    std::map<std::string, std::string> copies;  // path -> version
    bool system;
    int exitCode;
    Lines outcomes;
  };
  const Case cases[] = {
      {"none found", {}, false, 0, {}},
      {"one older", {{"C:\\A\\Mwn.exe", "1.0.0.0"}, {"C:\\B\\Mwn.exe", "2.1.0.0"}}, false, 1,
       {"C:\\A\\Mwn.exe wouldUpdate", "C:\\B\\Mwn.exe current"}},
      {"all current", {{"C:\\A\\Mwn.exe", "2.1.0.0"}}, false, 0, {"C:\\A\\Mwn.exe current"}},
      {"one newer", {{"C:\\A\\Mwn.exe", "1.0.0.0"}, {"C:\\B\\Mwn.exe", "3.0.0.0"}}, false, 2,
       {"C:\\A\\Mwn.exe wouldUpdate", "C:\\B\\Mwn.exe newer"}},
      {"SYSTEM, older only where users may change", {{"C:\\A\\Mwn.exe", "1.0.0.0"}}, true, 0,
       {"C:\\A\\Mwn.exe leftForUser"}},
      {"SYSTEM, older in an administrators' folder", {{"C:\\PF\\Mwn.exe", "1.0.0.0"}}, true, 1,
       {"C:\\PF\\Mwn.exe wouldUpdate"}},
      {"newer where others may change holds nothing back",
       {{"C:\\A\\Mwn.exe", "1.0.0.0"}, {"C:\\Public\\Mwn.exe", "3.0.0.0"}}, false, 1,
       {"C:\\Public\\Mwn.exe newer", "C:\\A\\Mwn.exe wouldUpdate"}},
      {"SYSTEM, newer only where users may change",
       {{"C:\\PF\\Mwn.exe", "1.0.0.0"}, {"C:\\Public\\Mwn.exe", "3.0.0.0"}}, true, 1,
       {"C:\\PF\\Mwn.exe wouldUpdate", "C:\\Public\\Mwn.exe leftForUser"}},
  };
  const Op changes[] = {Op::DeleteFile,     Op::CopyFile,           Op::MoveFile,
                        Op::CreateFileRW,   Op::WriteFileBytes,     Op::UniqueTempFile,
                        Op::CreateFolder,   Op::CreatePrivateFolder, Op::RemoveFolder,
                        Op::HideFile,       Op::DeleteAtRestart,    Op::FlushFile};
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    FakePlatform platform;
    platform.AddDrive('C');
    platform.AddFolder("C:\\Temp");
    platform.AddFolder("C:\\PF");
    platform.SetAdministratorsOnly("C:\\PF");
    platform.AddFolder("C:\\Public");
    platform.SetTrust("C:\\Public", mwn::FolderTrust::kChangeable);
    platform.resource = Compress(image);
    for (const auto& [path, version] : test.copies) platform.AddFile(path, OldBytes(version));
    platform.elevated = platform.systemAccount = test.system;
    platform.lockedByOther = platform.lockedByAdministratorsRun = true;
    EXPECT_EQ(mwn::RunCheck(platform, mwn::ParseCommandLine(
                                          {"/check", "/log=C:\\c.log", "/report=C:\\c.json"})),
              test.exitCode);
    EXPECT_EQ(Outcomes(platform), test.outcomes);
    for (const Op op : changes) EXPECT_EQ(platform.CountOf(op), 0) << OpName(op);
    for (const auto& [path, version] : test.copies) {
      EXPECT_EQ(platform.Contents(path), OldBytes(version));
    }
    EXPECT_TRUE(platform.Names("C:\\Temp").empty());
    EXPECT_EQ(platform.statusWrites, 0);
    EXPECT_TRUE(platform.boxes.empty());
    EXPECT_EQ(platform.logs["C:\\c.log"].back().substr(24, 12),
              "Exit code " + std::to_string(test.exitCode) + ":");
  }
}

// Written at the end of every run that searched, where detection rules look
// for a run with an administrator's rights or a user's.
TEST_F(QuietRunTest, TheStatusIsWrittenAtTheEndOfEveryRunThatSearchedAndOnlyThen) {
  using Values = std::map<std::string, std::string>;
  const auto status = [](const std::string& hive, const char* exitCode, const char* left) {
    return Values{{hive + "\\Version", "2.1.0.0"}, {hive + "\\ExitCode", exitCode},
                  {hive + "\\CopiesLeft", left}, {hive + "\\LastRun", "2026-03-01T13:05:09Z"}};
  };
  struct Case {
    const char* name;
    Lines arguments;
    bool system;
    std::function<void(FakePlatform&)> setUp;
    int exitCode;
    bool written;
    Values status;
    Lines outcomes;  // with /report
  };
  const auto nothing = [](FakePlatform&) {};
  const Case cases[] = {
      {"a user's run, one copy held", {"/quiet"}, false,
       [](FakePlatform& platform) { platform.SetLocked("C:\\B\\Mwn.exe"); }, 1, true,
       status("HKCU", "1", "2")},
      {"as SYSTEM, two left for their users", {"/quiet", "/report=C:\\r.json"}, true, nothing, 3,
       true, status("HKLM", "3", "0"),
       {"C:\\A\\Mwn.exe leftForUser", "C:\\PF\\B\\Mwn.exe updated", "C:\\B\\Mwn.exe leftForUser"}},
      {"refused by a newer copy", {"/quiet", "/report=C:\\r.json"}, false,
       [](FakePlatform& platform) { platform.AddFile("C:\\Z\\Mwn.exe", OldBytes("3.0.0.0")); },
       2, true, status("HKCU", "2", "3"),
       {"C:\\A\\Mwn.exe notUpdated", "C:\\PF\\B\\Mwn.exe notUpdated", "C:\\B\\Mwn.exe notUpdated",
        "C:\\Z\\Mwn.exe newer"}},
      {"a newer copy where others may change is left", {"/quiet", "/report=C:\\r.json"}, false,
       [](FakePlatform& platform) {
         platform.AddFile("C:\\Z\\Mwn.exe", OldBytes("3.0.0.0"));
         platform.SetTrust("C:\\Z", mwn::FolderTrust::kChangeable);
       },
       1, true, status("HKCU", "1", "1"),
       {"C:\\A\\Mwn.exe updated", "C:\\PF\\B\\Mwn.exe notUpdated", "C:\\B\\Mwn.exe updated",
        "C:\\Z\\Mwn.exe newer"}},
      {"as SYSTEM, refused by a newer copy of administrators'", {"/quiet", "/report=C:\\r.json"},
       true,
       [](FakePlatform& platform) {
         platform.AddFile("C:\\Z\\Mwn.exe", OldBytes("3.0.0.0"));
         platform.SetAdministratorsOnly("C:\\Z");
       },
       2, true, status("HKLM", "2", "1"),
       {"C:\\A\\Mwn.exe leftForUser", "C:\\PF\\B\\Mwn.exe notUpdated",
        "C:\\B\\Mwn.exe leftForUser", "C:\\Z\\Mwn.exe newer"}},
      {"a status that cannot be written", {"/quiet"}, false,
       [](FakePlatform& platform) { platform.statusAnswer = mwn::kErrorAccessDenied; }, 1, true,
       {}},
      {"a check", {"/check"}, false, nothing, 1, false, {}},
      {"not understood", {"/quiet", "/bogus"}, false, nothing, 87, false, {}},
      {"another run", {"/quiet"}, false,
       [](FakePlatform& platform) { platform.lockedByOther = true; }, 1618, false, {}},
      {"no log", {"/quiet", "/log"}, false,
       [](FakePlatform& platform) { platform.logOpens = false; }, 1622, false, {}},
      {"unsafe", {"/quiet"}, true,
       [](FakePlatform& platform) { platform.dllSearchNarrowed = false; }, 1654, false, {}},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    FakePlatform platform;
    platform.AddDrive('C');
    platform.AddFolder("C:\\Temp");
    platform.resource = Compress(image);
    platform.AddFile("C:\\A\\Mwn.exe", OldBytes("1.0.0.0"));
    platform.AddFile("C:\\PF\\B\\Mwn.exe", OldBytes("1.0.0.0"));
    platform.AddFile("C:\\B\\Mwn.exe", OldBytes("1.0.0.0"));
    platform.SetAdministratorsOnly("C:\\PF\\B");
    platform.elevated = platform.systemAccount = test.system;
    test.setUp(platform);
    const mwn::CommandLine command = mwn::ParseCommandLine(test.arguments);
    EXPECT_EQ(command.options.check ? mwn::RunCheck(platform, command)
                                    : mwn::RunQuietly(platform, command),
              test.exitCode);
    EXPECT_EQ(platform.registry, test.status);
    EXPECT_EQ(platform.statusWrites, test.written ? 1 : 0);
    if (!test.outcomes.empty()) EXPECT_EQ(Outcomes(platform), test.outcomes);
  }
  // A run cancelled at its question searched nothing.
  platform.boxAnswers = {mwn::kIdCancel};
  run.FormShow();
  EXPECT_EQ(mwn::Finish(log, run.Outcome()), 1602);
  EXPECT_EQ(platform.statusWrites, 0);
}

}  // namespace
