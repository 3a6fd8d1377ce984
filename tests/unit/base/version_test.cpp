#include "update/base/version.h"
#include "update/replacement/version_gate.h"

#include <gtest/gtest.h>

#include "fake_platform.h"
#include "fake_window.h"
#include "platform/pump.h"

namespace {

using mwn::VersionStamp;

constexpr char kImage[] = "C:\\Temp\\MwnA1\\Mwn.exe";

VersionStamp Stamp(std::uint16_t a, std::uint16_t b, std::uint16_t c, std::uint16_t d) {
  VersionStamp stamp;
  stamp.major = a;
  stamp.minor = b;
  stamp.release = c;
  stamp.build = d;
  return stamp;
}

TEST(VersionStamp, OrdersFieldByFieldAsUnsignedNumbers) {
  EXPECT_TRUE(Stamp(1, 2, 3, 4) < Stamp(1, 2, 4, 0));
  EXPECT_TRUE(Stamp(1, 65535, 65535, 65535) < Stamp(2, 0, 0, 0));
  EXPECT_TRUE(Stamp(1, 2, 0, 0) < Stamp(1, 40000, 0, 0));
  EXPECT_FALSE(Stamp(2, 1, 0, 0) < Stamp(2, 1, 0, 0));
  EXPECT_TRUE(VersionStamp{} < Stamp(0, 0, 0, 1));
}

class VersionTest : public ::testing::Test {
 protected:
  void SetUp() override { platform.AddDrive('C'); }

  void Replacement(const std::string& version) {
    platform.AddFile(kImage, VersionedImage(version, "new"));
  }
  void Copy(const std::string& path, const std::string& contents) {
    platform.AddFile(path, contents);
    window.memo1.Add(path);
  }
  bool Read(const std::string& path, VersionStamp& stamp) {
    return mwn::ReadVersionStamp(platform, pump, path, stamp);
  }
  bool Decide() {
    VersionStamp replacement;
    const bool known = Read(kImage, replacement);
    return mwn::ShouldUpdate(platform, pump, known ? &replacement : nullptr, window.memo1,
                             [](const std::string&) { return true; });
  }

  FakePlatform platform;
  FakeWindow window;
  mwn::MessagePump pump{platform};
};

TEST_F(VersionTest, ReadsTheFourFieldsFromTheFileVersionWords) {
  platform.AddFile("C:\\Mwn.exe", VersionedImage("65535.2.40000.4"));
  VersionStamp stamp;
  ASSERT_TRUE(Read("C:\\Mwn.exe", stamp));
  EXPECT_EQ(stamp, Stamp(65535, 2, 40000, 4));
}

TEST_F(VersionTest, StampIsUntouchedWhenTheVersionCannotBeRead) {
  platform.AddFile("C:\\Plain.exe", "MZ no version here");
  platform.AddFile("C:\\Mwn.exe", VersionedImage("3.0.0.0"));
  const VersionStamp before = Stamp(9, 8, 7, 6);

  VersionStamp stamp = before;
  EXPECT_FALSE(Read("C:\\Plain.exe", stamp));
  EXPECT_EQ(stamp, before);
  EXPECT_FALSE(Read("C:\\Missing.exe", stamp));
  EXPECT_EQ(stamp, before);
  for (Op failing : {Op::VersionInfoSize, Op::VersionInfo, Op::RootFileVersion}) {
    platform.fail = [failing](Op op, const std::string&) { return op == failing; };
    EXPECT_FALSE(Read("C:\\Mwn.exe", stamp)) << OpName(failing);
    EXPECT_EQ(stamp, before) << OpName(failing);
  }
}

TEST_F(VersionTest, NoCopyFoundUpdates) {
  Replacement("0.0.0.1");
  EXPECT_TRUE(Decide());
}

TEST_F(VersionTest, NewerCopyRefusesEqualOrOlderUpdates) {
  Replacement("2.1.0.0");
  Copy("C:\\A\\Mwn.exe", VersionedImage("2.0.9.9"));
  EXPECT_TRUE(Decide());
  Copy("C:\\B\\Mwn.exe", VersionedImage("2.1.0.0"));
  EXPECT_TRUE(Decide());
  // 40000 would be negative taken as a signed 16-bit field.
  Copy("C:\\C\\Mwn.exe", VersionedImage("2.1.40000.0"));
  EXPECT_FALSE(Decide());
}

TEST_F(VersionTest, HighestCopyCountsWhereverItIsListed) {
  Replacement("2.4.0.0");
  Copy("C:\\A\\Mwn.exe", VersionedImage("1.0.0.0"));
  Copy("C:\\B\\Mwn.exe", VersionedImage("2.5.0.0"));
  Copy("C:\\C\\Mwn.exe", VersionedImage("2.0.0.0"));
  EXPECT_FALSE(Decide());
}

TEST_F(VersionTest, CopyWithoutReadableVersionNeitherBlocksNorAllows) {
  Replacement("2.1.0.0");
  Copy("C:\\A\\Mwn.exe", "not an executable");
  Copy("C:\\B\\Mwn.exe", VersionedImage("9.0.0.0"));
  platform.SetDenyRead("C:\\B\\Mwn.exe");
  EXPECT_TRUE(Decide());
  Copy("C:\\C\\Mwn.exe", VersionedImage("3.0.0.0"));
  EXPECT_FALSE(Decide());
}

TEST_F(VersionTest, ReplacementWithoutReadableVersionRefuses) {
  platform.AddFile(kImage, "MZ without version");
  EXPECT_FALSE(Decide());
  Copy("C:\\A\\Mwn.exe", "no version either");
  EXPECT_FALSE(Decide());
}

}  // namespace
