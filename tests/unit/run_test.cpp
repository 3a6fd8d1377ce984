#include "update/run.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>

#include "fake_platform.h"
#include "fake_window.h"
#include "platform/errors.h"
#include "platform/pump.h"
#include "update/run_log.h"
#include "update/texts.h"

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
  EXPECT_EQ(window.plainMessages, (Lines{"Done!"}));
  EXPECT_TRUE(platform.Names("C:\\Temp").empty());
  EXPECT_EQ(window.label(Label::Label4).text, "");

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

}  // namespace
