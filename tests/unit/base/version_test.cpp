#include "update/base/version.h"
#include "update/replacement/copy_folders.h"
#include "update/replacement/version_gate.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "fake_platform.h"
#include "fake_window.h"
#include "platform/pe_version.h"
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
    mwn::CopyFolders folders(platform, pump, mwn::RunRights::kStandard);
    return mwn::JudgeCopies(folders, known ? &replacement : nullptr, window.memo1).update;
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

// A PE32 image of one section whose resources hold one version resource, laid
// out as a linker lays them: the type, name and language directories, the
// data entry, then VS_VERSIONINFO with its fixed part.
std::vector<std::uint8_t> TinyImage(std::uint32_t versionMS, std::uint32_t versionLS) {
  std::vector<std::uint8_t> image(0x400, 0);
  auto put16 = [&](std::size_t at, std::uint32_t value) {
    image[at] = static_cast<std::uint8_t>(value);
    image[at + 1] = static_cast<std::uint8_t>(value >> 8);
  };
  auto put32 = [&](std::size_t at, std::uint32_t value) {
    put16(at, value & 0xFFFF);
    put16(at + 2, value >> 16);
  };
  put16(0, 0x5A4D);
  put32(0x3C, 0x40);
  put32(0x40, 0x4550);
  put16(0x46, 1);                 // sections
  put16(0x54, 0xE0);              // optional header size
  put16(0x58, 0x10B);             // PE32
  put32(0x58 + 96 + 16, 0x1000);  // resource directory
  const std::size_t section = 0x58 + 0xE0;
  put32(section + 8, 0x200);
  put32(section + 12, 0x1000);
  put32(section + 16, 0x200);
  put32(section + 20, 0x200);
  const std::size_t rsrc = 0x200;
  for (const auto& [directory, id, target] : {std::tuple{0x00u, 16u, 0x80000018u},
                                              std::tuple{0x18u, 1u, 0x80000030u},
                                              std::tuple{0x30u, 0x409u, 0x48u}}) {
    put16(rsrc + directory + 14, 1);
    put32(rsrc + directory + 16, id);
    put32(rsrc + directory + 20, target);
  }
  put32(rsrc + 0x48, 0x1058);
  const std::size_t block = rsrc + 0x58;
  put16(block + 2, 52);
  const char key[] = "VS_VERSION_INFO";
  for (std::size_t i = 0; i < sizeof key; ++i) put16(block + 6 + 2 * i, key[i]);
  put32(block + 40, 0xFEEF04BD);
  put32(block + 48, versionMS);
  put32(block + 52, versionLS);
  return image;
}

TEST(PeFileVersion, ReadsTheFixedFileVersionAndNothingOutsideTheImage) {
  const std::vector<std::uint8_t> image = TinyImage(0x00020001, 0x00030004);
  std::uint32_t ms = 0;
  std::uint32_t ls = 0;
  ASSERT_TRUE(mwn::PeFileVersion(image.data(), image.size(), ms, ls));
  EXPECT_EQ(ms, 0x00020001u);
  EXPECT_EQ(ls, 0x00030004u);
  // Cut short anywhere, or with any one byte of the headers and resources
  // turned over, it is read within its bounds (the sanitizers watch) and
  // gives no version it does not hold.
  constexpr std::size_t kVersionWords = 0x288;  // the last 8 bytes of the resource
  constexpr std::size_t kEnd = kVersionWords + 8;
  for (std::size_t size = 0; size < kEnd; ++size) {
    const std::vector<std::uint8_t> cut(image.begin(), image.begin() + size);
    EXPECT_FALSE(mwn::PeFileVersion(cut.data(), cut.size(), ms, ls)) << size;
  }
  for (std::size_t at = 0; at < kEnd; ++at) {
    std::vector<std::uint8_t> damaged = image;
    damaged[at] ^= 0xFF;
    ms = ls = 0;
    if (mwn::PeFileVersion(damaged.data(), damaged.size(), ms, ls)) {
      EXPECT_TRUE((ms == 0x00020001u && ls == 0x00030004u) || at >= kVersionWords) << at;
    }
  }
}

}  // namespace
