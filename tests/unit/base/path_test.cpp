#include "update/base/path.h"

#include <gtest/gtest.h>

#include "platform/platform.h"

using mwn::JoinPath;

TEST(JoinPath, DriveRootGetsNoSecondBackslash) {
  EXPECT_EQ(JoinPath("C:\\", "Mwn.exe"), "C:\\Mwn.exe");
}

TEST(JoinPath, FolderGetsOneBackslash) {
  EXPECT_EQ(JoinPath("C:\\Data", "Mwn.exe"), "C:\\Data\\Mwn.exe");
  EXPECT_EQ(JoinPath("C:\\Data\\Apps", "*.*"), "C:\\Data\\Apps\\*.*");
}

TEST(JoinPath, TrailingBackslashIsKept) {
  EXPECT_EQ(JoinPath("C:\\Temp\\", "Mwn.exe"), "C:\\Temp\\Mwn.exe");
}

TEST(JoinPath, EmptyFolderGivesTheNameAlone) { EXPECT_EQ(JoinPath("", "Mwn.exe"), "Mwn.exe"); }

TEST(JoinPath, BareDriveLetterEndsInASeparatorByTheRule) {
  EXPECT_EQ(JoinPath("C:", "Mwn.exe"), "C:Mwn.exe");
}

TEST(JoinPath, NetworkShare) {
  EXPECT_EQ(JoinPath("\\\\srv\\share", "Mwn.exe"), "\\\\srv\\share\\Mwn.exe");
  EXPECT_EQ(JoinPath("\\\\srv\\share", "Apps"), "\\\\srv\\share\\Apps");
}

// The last component of the joined string is "Mwn.exeMwn.exe", not the name,
// so a folder called Mwn.exe is joined like any other folder.
TEST(JoinPath, FolderNamedLikeTheTargetStillGetsASeparator) {
  EXPECT_EQ(JoinPath("C:\\Mwn.exe", "Mwn.exe"), "C:\\Mwn.exe\\Mwn.exe");
}

TEST(JoinPath, NameIsComparedExactly) {
  // A folder ending in a partial match is not taken for a separator.
  EXPECT_EQ(JoinPath("C:\\Old", "Mwn.exe"), "C:\\Old\\Mwn.exe");
  EXPECT_EQ(JoinPath("C:\\Data\\Mwn", ".exe"), "C:\\Data\\Mwn\\.exe");
}

// In Shift-JIS the second byte of 表, ソ and 能 is a backslash; in UTF-8
// no byte of a character past ASCII is, so the byte rules hold as they are.
TEST(JoinPath, NamesEndingInWhatADoubleByteCodePageSpellsWithABackslash) {
  for (const std::string name : {"表", "ソ", "能"}) {
    const std::string folder = "C:\\" + name;
    EXPECT_EQ(JoinPath(folder, "Mwn.exe"), folder + "\\Mwn.exe");
    EXPECT_EQ(mwn::FolderOfPath(JoinPath(folder, "Mwn.exe")), folder);
    EXPECT_EQ(mwn::NameOfPath(folder), name);
  }
}

TEST(WithinPathLimit, CountsUtf16UnitsNotBytes) {
  const std::size_t room = mwn::kMaxPath - 1 - 3;
  EXPECT_TRUE(mwn::WithinPathLimit("C:\\" + std::string(room, 'a')));
  EXPECT_FALSE(mwn::WithinPathLimit("C:\\" + std::string(room + 1, 'a')));
  std::string cyrillic = "C:\\";
  for (std::size_t i = 0; i < room; ++i) cyrillic += "Ж";  // two bytes, one unit
  EXPECT_TRUE(mwn::WithinPathLimit(cyrillic));
  EXPECT_FALSE(mwn::WithinPathLimit(cyrillic + "📦"));  // four bytes, two units
}

TEST(SplitPath, FolderKeepsTheRootsBackslashAndNameFollowsTheLastSeparator) {
  EXPECT_EQ(mwn::FolderOfPath("C:\\Mwn.exe"), "C:\\");
  EXPECT_EQ(mwn::FolderOfPath("C:\\Apps\\Mwn.exe"), "C:\\Apps");
  EXPECT_EQ(mwn::FolderOfPath("\\\\srv\\share\\Mwn.exe"), "\\\\srv\\share");
  EXPECT_EQ(mwn::FolderOfPath("Mwn.exe"), "");
  EXPECT_EQ(mwn::NameOfPath("C:\\Apps\\MWN.EXE"), "MWN.EXE");
  EXPECT_EQ(mwn::NameOfPath("C:mwn.exe"), "mwn.exe");
  EXPECT_EQ(mwn::JoinPath(mwn::FolderOfPath("C:\\Mwn.exe"), "x"), "C:\\x");
}
