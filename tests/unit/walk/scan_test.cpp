#include "update/walk/scan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <map>

#include "fake_platform.h"
#include "fake_window.h"
#include "platform/pump.h"

namespace {

using Lines = std::vector<std::string>;
using mwn::Label;

class ScanTest : public ::testing::Test {
 protected:
  void Scan() {
    mwn::MessagePump pump(platform);
    mwn::ScanLocations(platform, pump, window);
  }
  const Lines& Scanned() const { return window.memo2.lines; }
  const Lines& Found() const { return window.memo1.lines; }
  const Lines& Status() { return window.label(Label::Label1).history; }

  FakePlatform platform;
  FakeWindow window;
};

TEST_F(ScanTest, OnlyDrivesCToZThatAreNotCdRomsAreSearched) {
  platform.AddDrive('A', mwn::kDriveRemovable);
  platform.AddDrive('C');
  platform.AddDrive('D', mwn::kDriveCdRom);
  platform.AddFile("A:\\Mwn.exe", "x");
  platform.AddFile("C:\\Mwn.exe", "x");
  platform.AddFile("D:\\Mwn.exe", "x");
  Scan();
  EXPECT_EQ(Scanned(), (Lines{"C:"}));
  EXPECT_EQ(Found(), (Lines{"C:\\Mwn.exe"}));
  std::vector<std::string> asked;
  for (const auto& call : platform.CallsOf(Op::DriveTypeOf)) asked.push_back(call.path);
  EXPECT_EQ(asked, (Lines{"C:\\", "D:\\"}));
  EXPECT_EQ(platform.CountOf(Op::LogicalDriveMask), 1);
}

TEST_F(ScanTest, DriveTypesDecideWhatIsSearched) {
  platform.AddDrive('E', mwn::kDriveUnknown);
  platform.AddDrive('F', mwn::kDriveNoRootDir);
  platform.AddDrive('G', mwn::kDriveRemovable);
  platform.AddDrive('H', mwn::kDriveRamDisk);
  platform.AddDrive('N', mwn::kDriveRemote);
  platform.AddDrive('Z');
  platform.AddFile("E:\\Mwn.exe", "x");
  platform.AddFile("Z:\\Apps\\Mwn.exe", "x");
  Scan();
  EXPECT_EQ(Scanned(), (Lines{"E:", "G:", "H:", "Z:"}));
  EXPECT_EQ(Found(), (Lines{"E:\\Mwn.exe", "Z:\\Apps\\Mwn.exe"}));
}

TEST_F(ScanTest, StatusLineNamesEachLocation) {
  platform.AddDrive('C');
  platform.AddShare("\\\\srv\\apps");
  platform.shareBatches = {{"\\\\srv\\apps"}};
  platform.AddFolder("C:\\Data");
  Scan();
  EXPECT_EQ(Status(), (Lines{"Scanning C: for copies of Marlowen . . .",
                             "Scanning \\\\srv\\apps for copies of Marlowen . . ."}));
  EXPECT_EQ(window.label(Label::Label4).history, (Lines{"C:\\Data"}));
  // Each location is listed before it is searched.
  const auto& events = window.events;
  const auto listed = std::find(events.begin(), events.end(), "memo2:add:C:");
  const auto status = std::find(events.begin(), events.end(),
                                "label1:text:Scanning C: for copies of Marlowen . . .");
  const auto walked = std::find(events.begin(), events.end(), "label4:text:C:\\Data");
  EXPECT_TRUE(listed < status && status < walked);
}

TEST_F(ScanTest, MappedLetterIsReachedOnlyThroughItsShare) {
  platform.AddDrive('C');
  platform.AddDrive('N', mwn::kDriveRemote);
  platform.AddShare("\\\\srv\\apps");
  platform.AddFile("\\\\srv\\apps\\Mwn.exe", "x");
  platform.shareBatches = {{"\\\\srv\\apps"}};
  Scan();
  EXPECT_EQ(Scanned(), (Lines{"C:", "\\\\srv\\apps"}));
  EXPECT_EQ(Found(), (Lines{"\\\\srv\\apps\\Mwn.exe"}));
  EXPECT_EQ(platform.OpenHandles(), 0);
  EXPECT_EQ(platform.CountOf(Op::CloseConnectedDisks), 1);
}

TEST_F(ScanTest, ConnectionsDifferingOnlyInCaseAreSearchedOnce) {
  platform.AddShare("\\\\srv\\apps");
  platform.AddFile("\\\\srv\\apps\\Mwn.exe", "x");
  platform.shareBatches = {{"\\\\srv\\apps", "\\\\SRV\\Apps"}, {"\\\\Srv\\APPS"}};
  Scan();
  EXPECT_EQ(Scanned(), (Lines{"\\\\srv\\apps"}));
  EXPECT_EQ(Found(), (Lines{"\\\\srv\\apps\\Mwn.exe"}));
}

TEST_F(ScanTest, WithoutANetworkOnlyLettersAreListed) {
  platform.AddDrive('C');
  platform.AddShare("\\\\srv\\apps");
  platform.shareBatches = {{"\\\\srv\\apps"}};
  for (std::uint32_t answer : {mwn::kErrorNoNetwork, mwn::kErrorAccessDenied}) {
    platform.openAnswer = answer;
    window.memo2.lines.clear();
    Scan();
    EXPECT_EQ(Scanned(), (Lines{"C:"})) << answer;
  }
  EXPECT_EQ(platform.CountOf(Op::ReadConnectedDisks), 0);
  EXPECT_EQ(platform.CountOf(Op::CloseConnectedDisks), 0);
  EXPECT_EQ(platform.OpenHandles(), 0);
}

TEST_F(ScanTest, EveryBatchIsReadInOrder) {
  for (const char* share : {"\\\\a\\1", "\\\\a\\2", "\\\\b\\1", "\\\\c\\1"})
    platform.AddShare(share);
  platform.shareBatches = {{"\\\\a\\1", "\\\\a\\2"}, {"\\\\b\\1"}, {"\\\\c\\1"}};
  Scan();
  EXPECT_EQ(Scanned(), (Lines{"\\\\a\\1", "\\\\a\\2", "\\\\b\\1", "\\\\c\\1"}));
  EXPECT_EQ(platform.CountOf(Op::ReadConnectedDisks), 4);  // the last answers no more items
  EXPECT_EQ(platform.OpenHandles(), 0);
}

TEST_F(ScanTest, NetworkFailureMidwayEndsTheSharePartQuietly) {
  platform.AddDrive('C');
  platform.AddShare("\\\\a\\1");
  platform.AddShare("\\\\b\\1");
  platform.shareBatches = {{"\\\\a\\1"}, {"\\\\b\\1"}};
  platform.readAnswers = {mwn::kErrorSuccess, 1231};
  Scan();
  EXPECT_EQ(Scanned(), (Lines{"C:", "\\\\a\\1"}));
  EXPECT_EQ(platform.CountOf(Op::ReadConnectedDisks), 2);
  EXPECT_EQ(platform.CountOf(Op::CloseConnectedDisks), 1);
  EXPECT_EQ(platform.OpenHandles(), 0);
}

TEST_F(ScanTest, UnreachableShareIsListedButAddsNothing) {
  platform.shareBatches = {{"\\\\gone\\share"}};
  Scan();
  EXPECT_EQ(Scanned(), (Lines{"\\\\gone\\share"}));
  EXPECT_TRUE(Found().empty());
}

TEST_F(ScanTest, NothingToScanLeavesEverythingEmpty) {
  Scan();
  EXPECT_TRUE(Scanned().empty());
  EXPECT_TRUE(Status().empty());
}


// Listing threads on a disk that must seek would send its head back and
// forth: one thread lists there, in the serial walk's order. Where the disk
// does not say, it is taken to seek while its listings wait for it (E: answers
// each after 5 ms), and gets the other threads once they come from memory
// (D:, with room for a busy machine to slow a few). Shares get every thread.
TEST(ScanLookAhead, LocalDrivesLookAheadWhereTheyReportNoSeekOrTheirListingsComeFromMemory) {
  FakePlatform platform;
  FakeWindow window;
  platform.threadLimit = 8;
  for (char letter : {'C', 'D', 'E', 'F'}) {
    platform.AddDrive(letter);
    const std::string root = std::string(1, letter) + ":\\";
    const int folders = letter == 'E' || letter == 'F' ? 80 : 400;
    for (int i = 0; i < folders; ++i) platform.AddFolder(root + std::to_string(i));
  }
  platform.noSeekPenaltyDrives = "C";
  platform.seekPenaltyDrives = "F";
  platform.listingDelay = [](const std::string& pattern) {
    return std::chrono::microseconds(pattern[0] == 'E' ? 5000 : 0);
  };
  platform.AddShare("\\\\srv\\apps");
  platform.shareBatches = {{"\\\\srv\\apps"}};
  mwn::MessagePump pump(platform);
  mwn::ScanLocations(platform, pump, window);
  EXPECT_EQ(window.memo2.lines, (Lines{"C:", "D:", "E:", "F:", "\\\\srv\\apps"}));
  EXPECT_EQ(platform.threadCounts, (std::vector<unsigned>{8, 1, 7, 1, 1, 8}));
  EXPECT_EQ(platform.liveThreads, 0);
  std::map<char, Lines> listed;
  for (const FakePlatform::Call& call : platform.calls) {
    if (call.op == Op::ListFolder) listed[call.path[0]].push_back(call.path.substr(1));
  }
  EXPECT_EQ(listed['E'], listed['F']);
}

}  // namespace
