#include <gtest/gtest.h>

#include "fake_platform.h"
#include "fake_window.h"
#include "update/pump.h"
#include "update/replace.h"

namespace {

using Lines = std::vector<std::string>;

// A copy that could not be read, and that the existence check then missed,
// was taken for vanished and written over; when the new bytes did not read
// back equal, it was deleted, old bytes and all.
TEST(CopyTakenForVanished, IsNeverWrittenOver) {
  const std::string imagePath = "C:\\Temp\\Mwn1A2B.TMP\\Mwn.exe";
  const std::string replacement = VersionedImage("2.1.0.0", "the replacement");
  for (const bool corrupted : {false, true}) {
    SCOPED_TRACE(corrupted ? "the replacement is corrupted on its way" : "the copy goes well");
    FakePlatform platform;
    FakeWindow window;
    platform.AddDrive('C');
    platform.AddFile(imagePath, replacement);
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
    const std::vector<std::uint8_t> image = ToBytes(replacement);
    mwn::ReplaceCopies(platform, pump, window, imagePath, image.data(), image.size());

    ASSERT_TRUE(platform.IsFile(copy));
    EXPECT_TRUE(platform.Contents(copy) == old) << "the copy lost its old bytes";
    EXPECT_EQ(window.memo1.lines, (Lines{copy}));
    EXPECT_EQ(platform.Names("C:\\Apps"), (Lines{"Mwn.exe"}));
  }
}

}  // namespace
