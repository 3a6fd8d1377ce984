#include "update/walk/search.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <new>
#include <thread>

#include "fake_platform.h"
#include "fake_window.h"
#include "platform/pump.h"
#include "platform/wtf8.h"
#include "random_tree.h"
#include "update/walk/listing_pace.h"

using Lines = std::vector<std::string>;

namespace {

class SearchTest : public ::testing::Test {
 protected:
  void SetUp() override { platform.AddDrive('C'); }

  void Search(const std::string& folder) {
    mwn::MessagePump pump(platform);
    mwn::SearchFolder(platform, pump, "Mwn.exe", folder, window.memo1, window, mwn::Label::Label4);
  }
  const std::vector<std::string>& Found() const { return window.memo1.lines; }
  const std::vector<std::string>& Shown() { return window.label(mwn::Label::Label4).history; }

  FakePlatform platform;
  FakeWindow window;
};

TEST_F(SearchTest, CopyInDriveRootHasNoDoubledBackslash) {
  platform.AddFile("C:\\Mwn.exe", "x");
  Search("C:\\");
  EXPECT_EQ(Found(), (Lines{"C:\\Mwn.exe"}));
}

TEST_F(SearchTest, ParentBeforeSubfoldersAndSubfoldersInListingOrder) {
  platform.AddFolder("C:\\Zeta");
  platform.AddFile("C:\\Zeta\\Deep\\Mwn.exe", "x");
  platform.AddFile("C:\\Zeta\\Mwn.exe", "x");
  platform.AddFile("C:\\Alpha\\Mwn.exe", "x");
  platform.AddFile("C:\\Mwn.exe", "x");
  Search("C:\\");
  EXPECT_EQ(Found(), (Lines{"C:\\Mwn.exe", "C:\\Zeta\\Mwn.exe", "C:\\Zeta\\Deep\\Mwn.exe",
                            "C:\\Alpha\\Mwn.exe"}));
  // Every folder entered is shown, the starting folder never.
  EXPECT_EQ(Shown(), (Lines{"C:\\Zeta", "C:\\Zeta\\Deep", "C:\\Alpha"}));
  EXPECT_EQ(platform.OpenHandles(), 0);
}

TEST_F(SearchTest, StartFolderIsNotShownBelowADriveRootEither) {
  platform.AddFile("C:\\Data\\Sub\\Mwn.exe", "x");
  Search("C:\\Data");
  EXPECT_EQ(Found(), (Lines{"C:\\Data\\Sub\\Mwn.exe"}));
  EXPECT_EQ(Shown(), (Lines{"C:\\Data\\Sub"}));
}

TEST_F(SearchTest, HiddenAndSystemFoldersAndCopiesAreFound) {
  platform.AddFolder("C:\\Hidden", mwn::kAttrHidden);
  platform.AddFolder("C:\\System", mwn::kAttrSystem | mwn::kAttrHidden);
  platform.AddFile("C:\\Hidden\\Mwn.exe", "x");
  platform.AddFile("C:\\System\\Mwn.exe", "x", mwn::kAttrHidden | mwn::kAttrSystem);
  platform.AddFile("C:\\Plain\\Mwn.exe", "x", mwn::kAttrReadOnly | mwn::kAttrHidden);
  Search("C:\\");
  EXPECT_EQ(Found(), (Lines{"C:\\Hidden\\Mwn.exe", "C:\\System\\Mwn.exe", "C:\\Plain\\Mwn.exe"}));
}

TEST_F(SearchTest, FolderNamedLikeTheTargetIsNotACopyButIsSearched) {
  platform.AddFolder("C:\\Mwn.exe");
  platform.AddFile("C:\\Tools\\Mwn.exe\\Mwn.exe", "x");
  Search("C:\\");
  EXPECT_EQ(Found(), (Lines{"C:\\Tools\\Mwn.exe\\Mwn.exe"}));
}

TEST_F(SearchTest, CopyStoredInCapitalsIsListedAsTheProgramWritesIt) {
  platform.AddFile("C:\\APPS\\MWN.EXE", "x");
  Search("C:\\");
  EXPECT_EQ(Found(), (Lines{"C:\\APPS\\Mwn.exe"}));
}

TEST_F(SearchTest, MissingFolderAddsNothing) {
  Search("C:\\Gone");
  Search("Q:\\");
  EXPECT_TRUE(Found().empty());
  EXPECT_TRUE(Shown().empty());
  EXPECT_EQ(platform.CountOf(Op::ListFolder), 0);
}

TEST_F(SearchTest, UnlistableFolderIsSkippedAndItsSiblingsSearched) {
  platform.AddFile("C:\\Closed\\Inner\\Mwn.exe", "x");
  platform.AddFile("C:\\Open\\Mwn.exe", "x");
  platform.SetUnlistable("C:\\Closed");
  Search("C:\\");
  EXPECT_EQ(Found(), (Lines{"C:\\Open\\Mwn.exe"}));
  EXPECT_EQ(platform.OpenHandles(), 0);
}

// The copy in A comes after the break in A's listing: it is asked for
// exactly, as in a folder that cannot be listed at all.
TEST_F(SearchTest, ListingThatFailsMidwayEndsOnlyThatFolderAndStillFindsItsCopy) {
  platform.AddFile("C:\\A\\First\\Mwn.exe", "x");
  platform.AddFile("C:\\A\\Second\\Mwn.exe", "x");
  platform.AddFile("C:\\A\\Mwn.exe", "x");
  platform.AddFile("C:\\B\\Mwn.exe", "x");
  int entriesOfA = 0;
  platform.fail = [&](Op op, const std::string& path) {
    return op == Op::ListNext && path == "C:\\A" && ++entriesOfA == 4;  // ., .., First, then fail
  };
  Search("C:\\");
  EXPECT_EQ(Found(),
            (Lines{"C:\\A\\Mwn.exe", "C:\\A\\First\\Mwn.exe", "C:\\B\\Mwn.exe"}));
  EXPECT_EQ(platform.OpenHandles(), 0);
}

TEST_F(SearchTest, StartFolderWhoseAttributesCannotBeReadIsNotSearched) {
  platform.AddFile("C:\\A\\Mwn.exe", "x");
  platform.fail = [](Op op, const std::string& path) {
    return op == Op::FolderExists && path == "C:\\A";
  };
  Search("C:\\A");
  EXPECT_EQ(Found(), Lines{});
}

// Subfolders are known to be folders from their parent's listing; one that
// may be entered but not listed can still hold a copy.
TEST_F(SearchTest, CopyInAFolderThatCannotBeListedIsFound) {
  platform.AddFile("C:\\A\\Mwn.exe", "x");
  platform.AddFile("C:\\A\\Sub\\Mwn.exe", "x");
  platform.AddFile("C:\\B\\Mwn.exe", "x");
  platform.fail = [](Op op, const std::string& path) {
    return op == Op::ListFolder && path.rfind("C:\\A\\", 0) == 0;
  };
  Search("C:\\");
  EXPECT_EQ(Found(), (Lines{"C:\\A\\Mwn.exe", "C:\\B\\Mwn.exe"}));
}

TEST_F(SearchTest, SameFileThroughTwoLocationsIsListedTwice) {
  platform.AddFile("C:\\Apps\\Mwn.exe", "x");
  platform.AddLink("C:\\Shortcut", "C:\\Apps");
  Search("C:\\");
  EXPECT_EQ(Found(), (Lines{"C:\\Apps\\Mwn.exe", "C:\\Shortcut\\Mwn.exe"}));
}

TEST_F(SearchTest, LinkToAnAncestorIsEnteredNoDeeper) {
  platform.AddFile("C:\\Mwn.exe", "x");
  platform.AddFile("C:\\Apps\\Mwn.exe", "x");
  platform.AddLink("C:\\Apps\\Up", "C:\\");
  platform.AddLink("C:\\Apps\\Self", "C:\\Apps");
  platform.AddFolder("C:\\Apps\\Tail");
  Search("C:\\");
  EXPECT_EQ(Found(), (Lines{"C:\\Mwn.exe", "C:\\Apps\\Mwn.exe"}));
  EXPECT_EQ(Shown(), (Lines{"C:\\Apps", "C:\\Apps\\Up", "C:\\Apps\\Self", "C:\\Apps\\Tail"}));
}

// However links are laid, each folder is listed once through them: a chain
// of folders each holding two junctions to the next has 3^20 paths.
TEST_F(SearchTest, JunctionChainIsWalkedOncePerFolder) {
  platform.AddDrive('D');
  for (int i = 1; i <= 20; ++i) {
    const std::string from = "D:\\L" + std::to_string(i - 1), next = "D:\\L" + std::to_string(i);
    platform.AddFolder(next);
    for (const char* link : {"\\A", "\\B"}) platform.AddLink(from + link, next);
  }
  platform.AddFile("D:\\L20\\Mwn.exe", "x");
  platform.AddLink("C:\\Chain", "D:\\L0");
  Search("C:\\");
  EXPECT_EQ(platform.CountOf(Op::ListFolder), 1 + 21);  // C:\ and L0 to L20
  EXPECT_EQ(Found().size(), 1u);
}

// Only junctions and symbolic links (and reparse points of no known tag) may
// lead back up, and only below them are identities asked; a cloud
// placeholder or a DFS link is searched as a plain folder.
TEST_F(SearchTest, OnlyNameSurrogateReparsePointsCountAsLinks) {
  const std::map<std::string, std::uint32_t> tags = {
      {"Cloud", 0x9000601A}, {"Dfs", 0x8000000A}, {"Symlink", 0xA000000C}, {"Untold", 0}};
  for (const auto& [name, tag] : tags) {
    platform.AddFile("C:\\" + name + "\\Mwn.exe", "x");
    platform.SetReparseTag("C:\\" + name, tag);
  }
  Search("C:\\");
  EXPECT_EQ(Found().size(), 4u);
  std::vector<std::string> identified;
  for (const auto& call : platform.CallsOf(Op::FolderIdentity)) identified.push_back(call.path);
  EXPECT_EQ(identified, (Lines{"C:\\Symlink", "C:\\", "C:\\Untold"}));
}

TEST_F(SearchTest, FolderWithoutIdentityIsStillSearched) {
  platform.AddFile("C:\\Apps\\Mwn.exe", "x");
  platform.fail = [](Op op, const std::string&) { return op == Op::FolderIdentity; };
  Search("C:\\");
  EXPECT_EQ(Found(), (Lines{"C:\\Apps\\Mwn.exe"}));
}

// Without identities a loop cannot be told: it ends after a few links, not
// at the path limit thousands of levels down.
TEST_F(SearchTest, CycleWithoutIdentitiesEndsAfterAFewLinks) {
  platform.AddFile("C:\\Apps\\Mwn.exe", "x");
  platform.AddLink("C:\\Apps\\Loop", "C:\\Apps");
  platform.fail = [](Op op, const std::string&) { return op == Op::FolderIdentity; };
  Search("C:\\");
  ASSERT_GT(Found().size(), 2u);
  EXPECT_LT(Found().size(), 20u);
}

// The system's own limit, in UTF-16 units: a copy's path just within it is
// found, and a folder at it is not even asked about.
TEST_F(SearchTest, OnlyPathsAtTheSystemsLimitCountAsMissing) {
  std::string outer = "C:";
  while (outer.size() < mwn::kMaxPath - 300) outer += "\\" + std::string(200, 'a');
  const std::size_t room = mwn::kMaxPath - 1 - outer.size() - 1;
  const std::string copyAtLimit = outer + "\\" + std::string(room - 8, 'd') + "\\Mwn.exe";
  const std::string tooLong = outer + "\\" + std::string(room + 1, 'c');
  ASSERT_EQ(copyAtLimit.size(), mwn::kMaxPath - 1);
  platform.AddFile(copyAtLimit, "x");
  platform.AddFile(tooLong + "\\Mwn.exe", "x");
  Search("C:\\");
  EXPECT_EQ(Found(), (Lines{copyAtLimit}));
  for (const auto& call : platform.calls) EXPECT_NE(call.path, tooLong);
}

// Names in several scripts, below paths far past the old 260 and one past
// the limit in bytes though within it in UTF-16 units: found, shown and
// listed exactly as the system spells them, with listings fetched ahead too.
TEST_F(SearchTest, NamesInAnyScriptAtAnyDepthAreFoundAsSpelt) {
  const std::string deep = "C:\\Документы\\" + std::string(120, 'x') + "\\程序文件\\" +
                           std::string(120, 'y') + "\\Łukasz żółć\\📦 Apps";
  std::string cyrillic = "C:\\Ж";
  while (mwn::Utf16Length(cyrillic) < mwn::kMaxPath - 300) {
    cyrillic += "\\";
    for (int i = 0; i < 100; ++i) cyrillic += "Ж";
  }
  ASSERT_GT(cyrillic.size(), mwn::kMaxPath);
  const Lines copies = {"C:\\Документы\\Mwn.exe", deep + "\\Mwn.exe",
                        "C:\\Ελληνικά\\\xED\xA0\x80\\Mwn.exe", cyrillic + "\\Mwn.exe"};
  for (const std::string& copy : copies) platform.AddFile(copy, "x");
  for (const mwn::LookAhead lookAhead : {mwn::LookAhead{}, mwn::LookAhead{3, 4}}) {
    FakeWindow seen;
    platform.threadLimit = lookAhead.threads;
    mwn::MessagePump pump(platform);
    mwn::SearchFolder(platform, pump, "Mwn.exe", "C:\\", seen.memo1, seen, mwn::Label::Label4,
                      lookAhead);
    EXPECT_EQ(seen.memo1.lines, copies);
    const Lines& shown = seen.label(mwn::Label::Label4).history;
    EXPECT_NE(std::find(shown.begin(), shown.end(), deep), shown.end());
  }
}

TEST_F(SearchTest, VolumeLabelEntryIsPassedOver) {
  platform.AddVolumeLabel("C:\\", "SYSTEMDISK", mwn::kAttrVolumeLabel | mwn::kAttrDirectory);
  platform.AddFile("C:\\Apps\\Mwn.exe", "x");
  Search("C:\\");
  EXPECT_EQ(Found(), (Lines{"C:\\Apps\\Mwn.exe"}));
  EXPECT_EQ(Shown(), (Lines{"C:\\Apps"}));
}

TEST_F(SearchTest, NetworkShareIsJoinedWithOneBackslash) {
  platform.AddShare("\\\\srv\\apps");
  platform.AddFile("\\\\srv\\apps\\Mwn.exe", "x");
  platform.AddFile("\\\\srv\\apps\\Old\\Mwn.exe", "x");
  Search("\\\\srv\\apps");
  EXPECT_EQ(Found(), (Lines{"\\\\srv\\apps\\Mwn.exe", "\\\\srv\\apps\\Old\\Mwn.exe"}));
}

TEST_F(SearchTest, PumpsWhileWalking) {
  platform.tickStep = 20;  // every step is past the pump's interval
  platform.AddFolder("C:\\A\\B\\C");
  Search("C:\\");
  EXPECT_GE(platform.pumps, 3 * 4);
}

// --- listings fetched ahead ----------------------------------------------------

std::size_t Hash(const std::string& path) { return std::hash<std::string>()(path); }

// What the window is told over every root of `tree`, walked with `lookAhead`,
// while listings take random times, some folders are gone by the time they
// are listed, some listings break off and some lookups fail; `reads` adds
// the calls that read the disk, in the order made.
std::vector<std::string> WindowEvents(const RandomTree& tree, mwn::LookAhead lookAhead,
                                      bool breakOff, bool reads = false) {
  FakePlatform platform;
  tree.Build(platform);
  platform.threadLimit = lookAhead.threads;
  platform.listingDelay = [](const std::string& pattern) {
    return std::chrono::microseconds(Hash(pattern) % 300);
  };
  std::map<std::string, int> entriesRead;
  platform.fail = [&](Op op, const std::string& path) {
    if (op == Op::ListFolder || op == Op::FileExists) return Hash(path + "gone") % 9 == 0;
    return breakOff && op == Op::ListNext && Hash(path) % 5 == 0 &&
           ++entriesRead[path] == 3 + static_cast<int>(Hash(path) % 4);
  };
  FakeWindow window;
  mwn::MessagePump pump(platform);
  for (const std::string& root : tree.RootPaths()) {
    mwn::SearchFolder(platform, pump, "Mwn.exe", root, window.memo1, window, mwn::Label::Label4,
                      lookAhead);
  }
  EXPECT_EQ(platform.liveThreads, 0);
  EXPECT_EQ(platform.OpenHandles(), 0);
  for (const FakePlatform::Call& call : platform.calls) {
    const bool read = call.op == Op::ListFolder || call.op == Op::FileExists;
    if (reads && (read || call.op == Op::FolderIdentity)) window.events.push_back(call.path);
  }
  return window.events;
}

// A listing that breaks off counts its entries per folder, so it is asked
// only where each folder is listed once: with room for every listing. Listed
// in walk order, the disk is asked exactly what the serial walk asks it.
TEST(LookAhead, WindowIsToldWhatTheSerialWalkTellsIt) {
  for (std::uint32_t seed = 1; seed <= 40; ++seed) {
    const RandomTree tree(seed);
    const bool breakOff = seed % 2 == 0;
    const mwn::LookAhead lookAhead =
        breakOff ? mwn::LookAhead{1 + seed % 5, 100000} : mwn::LookAhead{1 + seed % 5, 1 + seed % 3};
    const std::vector<std::string> serial = WindowEvents(tree, {}, breakOff);
    ASSERT_EQ(WindowEvents(tree, lookAhead, breakOff), serial) << tree.Summary();
    ASSERT_EQ(WindowEvents(tree, {8, 1 + seed % 4 * 16, true}, breakOff, true),
              WindowEvents(tree, {}, breakOff, true)) << tree.Summary();
  }
}

// Runs of listings that took the same time, and the judgement after each run.
TEST(LookAhead, ListingsFromMemoryAfterARunOfQuickOnesAndFromTheDiskOnceAQuarterAreSlow) {
  constexpr std::uint64_t kSlow = mwn::ListingPace::kDiskWaitMicroseconds;
  const struct {
    int listings;
    std::uint64_t microseconds;
    bool fromMemory;
  } runs[] = {{63, 0, false}, {1, kSlow, false}, {63, kSlow - 1, false}, {1, 0, true},
              {15, kSlow, true}, {1, 10 * kSlow, false}, {63, 0, false}, {1, 0, true},
              {49, 0, true}, {16, kSlow, false}};
  mwn::ListingPace pace;
  int changes = 0;
  for (const auto& run : runs) {
    for (int i = 0; i < run.listings; ++i) changes += pace.Record(run.microseconds);
    EXPECT_EQ(pace.FromMemory(), run.fromMemory) << run.listings << " of " << run.microseconds;
  }
  EXPECT_EQ(changes, 4);
}

// Listing \\srv\apps, its ten folders and their three subfolders each.
class ListingsAheadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform.AddShare(kShare);
    for (int i = 0; i < 10; ++i) {
      for (int j = 0; j < 3; ++j) {
        platform.AddFolder(std::string(kShare) + "\\" + std::to_string(i) + "\\" + std::to_string(j));
      }
    }
  }
  // Takes every listing in walk order, as the walk does; how many were taken.
  int TakeAll(mwn::ListingsAhead& ahead, mwn::WalkPosition& position) {
    const mwn::FolderContents contents = ahead.Take(position);
    int taken = 1;
    position.push_back(0);
    for (std::size_t i = 0; i < contents.subfolders.size(); ++i, ++position.back()) {
      taken += TakeAll(ahead, position);
    }
    position.pop_back();
    return taken;
  }
  static constexpr char kShare[] = "\\\\srv\\apps";
  FakePlatform platform;
};

TEST_F(ListingsAheadTest, HoldsNoMoreListingsThanItsLimitAndItsThreads) {
  platform.threadLimit = 4;
  platform.listingDelay = [](const std::string& pattern) {
    return std::chrono::microseconds(Hash(pattern) % 2000);
  };
  mwn::ListingsAhead ahead(platform, kShare, "Mwn.exe", {4, 6}, {});
  mwn::WalkPosition root;
  EXPECT_EQ(TakeAll(ahead, root), 41);
  EXPECT_LE(ahead.MostHeld(), 6u + 4u);
  EXPECT_GT(ahead.MostHeld(), 1u);
}

// A share that stops answering holds a listing for an hour; stopping the
// walk midway cancels it, as the system cancels a blocked call, and joins
// every thread.
TEST_F(ListingsAheadTest, StoppingMidwayLeavesNoThreadBehindNorWaitsForAHungShare) {
  platform.threadLimit = 8;
  std::atomic<bool> hung{false};
  platform.listingDelay = [&hung](const std::string& pattern) -> std::chrono::microseconds {
    if (pattern.find("\\9\\") == std::string::npos) return std::chrono::microseconds(0);
    hung = true;
    return std::chrono::hours(1);
  };
  const auto start = std::chrono::steady_clock::now();
  {
    mwn::ListingsAhead ahead(platform, kShare, "Mwn.exe", {8, 64}, {});
    ahead.Take({});
    ahead.Take({0});
    while (!hung) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_EQ(platform.liveThreads, 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
}

// A window message while the walk waits for a listing is answered with the
// lock let go, so that what the answer throws leaves the lock as it was
// (the fake's lock aborts otherwise); messages are answered while the
// threads are joined too.
TEST_F(ListingsAheadTest, MessagesAreAnsweredOutsideTheLockAndWhileJoining) {
  platform.threadLimit = 4;
  platform.messagesWhileWaiting = 1;
  // Until the threads are told to end: the walk surely waits.
  platform.listingDelay = [](const std::string&) { return std::chrono::hours(1); };
  int answers = 0;
  {
    mwn::ListingsAhead ahead(platform, kShare, "Mwn.exe", {4, 16}, [&answers] {
      if (++answers == 1) throw std::bad_alloc();
    });
    EXPECT_THROW(ahead.Take({}), std::bad_alloc);
    EXPECT_EQ(answers, 1);
  }
  EXPECT_EQ(answers, 2);
  EXPECT_EQ(platform.liveThreads, 0);
}

// What breaks the walk (here the window running out of memory) ends it with
// every listing thread joined.
TEST_F(ListingsAheadTest, WalkEndedByAnErrorJoinsItsThreads) {
  class FailingWindow : public FakeWindow {
    void SetLabelText(mwn::Label which, const std::string& text) override {
      if (label(which).history.size() == 5) throw std::bad_alloc();
      FakeWindow::SetLabelText(which, text);
    }
  } window;
  platform.threadLimit = 4;
  mwn::MessagePump pump(platform);
  EXPECT_THROW(mwn::SearchFolder(platform, pump, "Mwn.exe", kShare, window.memo1, window,
                                 mwn::Label::Label4, {4, 16}),
               std::bad_alloc);
  EXPECT_EQ(platform.liveThreads, 0);
}

}  // namespace
