// The payload's files: the scratch folder, the image file written there, and
// the folder's removal, on the in-memory platform.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <string>
#include <vector>

#include "fake_platform.h"
#include "payload/payload.h"
#include "platform/errors.h"
#include "platform/pump.h"

namespace {

mwn::PayloadImage ImageOf(const std::string& text) {
  uLongf size = compressBound(static_cast<uLong>(text.size()));
  std::vector<std::uint8_t> stream(size);
  compress2(stream.data(), &size, reinterpret_cast<const Bytef*>(text.data()),
            static_cast<uLong>(text.size()), 9);
  return mwn::InflatePayload(stream.data(), size, 0);
}

class ScratchFolderTest : public ::testing::Test {
 protected:
  ScratchFolderTest() { platform.AddFolder("C:\\Temp"); }

  std::string Make() { return mwn::MakeScratchFolder(platform, pump, errorCode); }

  FakePlatform platform;
  mwn::MessagePump pump{platform, 0};
  std::uint32_t errorCode = 12345;
};

TEST_F(ScratchFolderTest, TakesTheNameOfTheUniqueTempFile) {
  platform.tempCounter = 0x1A2B;
  std::vector<Op> lastCallAtPump;
  platform.onPump = [&] { lastCallAtPump.push_back(platform.calls.back().op); };

  const std::string folder = Make();

  EXPECT_EQ(folder, "C:\\Temp\\Mwn1A2B.TMP");
  EXPECT_EQ(errorCode, 0u);
  EXPECT_TRUE(platform.IsFolder(folder));
  EXPECT_EQ(platform.Names("C:\\Temp"), std::vector<std::string>{"Mwn1A2B.TMP"})
      << "the unique file is gone, only the folder of its name is left";
  EXPECT_EQ(lastCallAtPump, (std::vector<Op>{Op::TempPath, Op::UniqueTempFile, Op::DeleteFile}));
}

TEST_F(ScratchFolderTest, FailedCreationGivesNoFolderAndTheSystemsCode) {
  platform.fail = [](Op op, const std::string&) { return op == Op::CreateFolder; };
  platform.failCode = mwn::kErrorAccessDenied;

  EXPECT_EQ(Make(), "");
  EXPECT_EQ(errorCode, mwn::kErrorAccessDenied);
  EXPECT_TRUE(platform.Names("C:\\Temp").empty()) << "the unique file was still deleted";
}

TEST_F(ScratchFolderTest, UndeletableTempFileBlocksTheFolder) {
  platform.fail = [](Op op, const std::string&) { return op == Op::DeleteFile; };

  EXPECT_EQ(Make(), "");
  EXPECT_NE(errorCode, 0u);
  ASSERT_EQ(platform.Names("C:\\Temp").size(), 1u);
  EXPECT_TRUE(platform.IsFile("C:\\Temp\\" + platform.Names("C:\\Temp")[0]));
}

TEST_F(ScratchFolderTest, MissingTempPathOrNameGivesPathNotFound) {
  platform.fail = [](Op op, const std::string&) { return op == Op::TempPath; };
  EXPECT_EQ(Make(), "");
  EXPECT_EQ(errorCode, mwn::kErrorPathNotFound);
  EXPECT_EQ(platform.CountOf(Op::UniqueTempFile), 0);

  platform.fail = nullptr;
  platform.tempPath = "C:\\NoSuchTemp\\";
  errorCode = 0;
  EXPECT_EQ(Make(), "");
  EXPECT_EQ(errorCode, mwn::kErrorPathNotFound);
  EXPECT_EQ(platform.CountOf(Op::CreateFolder), 0);
}

const char kImagePath[] = "C:\\Temp\\Mwn1A2B.TMP\\Mwn.exe";
const std::string kImageContents = "MZ" + std::string(5000, '\x90') + "VERSION:2.1.0.0";

// The message of the error the write raises, or "" when it succeeds.
std::string WriteError(FakePlatform& platform, std::uint32_t& code) {
  try {
    mwn::WriteImageFile(platform, kImagePath, ImageOf(kImageContents));
  } catch (const mwn::EInOutError& error) {
    code = error.Code();
    return error.Message();
  }
  return "";
}

TEST(WriteImageFile, WritesTheWholeImageInOneCallAndClosesTheFile) {
  FakePlatform platform;
  platform.AddFile(kImagePath, std::string(9000, 'o'));  // longer than the image: truncated
  std::uint32_t code = 0;

  EXPECT_EQ(WriteError(platform, code), "");
  EXPECT_EQ(platform.Contents(kImagePath), kImageContents);
  EXPECT_EQ(platform.CountOf(Op::WriteFileBytes), 1);
  EXPECT_EQ(platform.CountOf(Op::CloseFile), 1);
  EXPECT_EQ(platform.OpenHandles(), 0);
}

TEST(WriteImageFile, EachFailingStepRaisesItsInOutErrorAndLeavesNoFileOpen) {
  struct Case {
    const char* what;
    std::vector<Op> failing;
    std::uint32_t failCode;
    std::size_t writeLimit;
    std::uint32_t code;
    std::string message;
  };
  const Case cases[] = {
      {"create refused", {Op::CreateFileRW}, mwn::kErrorAccessDenied, SIZE_MAX, 5, "File access denied"},
      {"write fails", {Op::WriteFileBytes}, mwn::kErrorDiskFull, SIZE_MAX, 112, "I/O error 112"},
      {"close fails", {Op::CloseFile}, mwn::kErrorAccessDenied, SIZE_MAX, 5, "File access denied"},
      {"short write", {}, 0, kImageContents.size() - 1, mwn::kIoShortWrite, "Disk full"},
      {"short write, then close fails", {Op::CloseFile}, mwn::kErrorAccessDenied, 100, mwn::kIoShortWrite,
       "Disk full"},
      {"write and close fail", {Op::WriteFileBytes, Op::CloseFile}, mwn::kErrorDiskFull, SIZE_MAX, 112,
       "I/O error 112"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakePlatform platform;
    platform.AddFolder("C:\\Temp\\Mwn1A2B.TMP");
    platform.fail = [&](Op op, const std::string&) {
      return std::find(c.failing.begin(), c.failing.end(), op) != c.failing.end();
    };
    platform.failCode = c.failCode;
    platform.writeLimit = c.writeLimit;
    std::uint32_t code = 0;

    EXPECT_EQ(WriteError(platform, code), c.message);
    EXPECT_EQ(code, c.code);
    EXPECT_EQ(platform.OpenHandles(), 0);
    EXPECT_EQ(platform.CountOf(Op::CloseFile), c.failing == std::vector<Op>{Op::CreateFileRW} ? 0 : 1);
  }
}

TEST(RemoveScratchFolder, RemovesAnEmptyFolderAndReportsWhyOneStays) {
  FakePlatform platform;
  platform.AddFolder("C:\\Temp\\Mwn1A2B.TMP");
  mwn::RemoveScratchFolder(platform, "C:\\Temp\\Mwn1A2B.TMP");
  EXPECT_FALSE(platform.IsFolder("C:\\Temp\\Mwn1A2B.TMP"));

  platform.AddFile("C:\\Temp\\Mwn1A2C.TMP\\Mwn.exe", "MZ");
  try {
    mwn::RemoveScratchFolder(platform, "C:\\Temp\\Mwn1A2C.TMP");
    ADD_FAILURE() << "a folder that still holds the image cannot be removed";
  } catch (const mwn::EInOutError& error) {
    EXPECT_EQ(error.Code(), mwn::kErrorDirNotEmpty);
    EXPECT_EQ(error.Message(), "I/O error 145");
  }
  EXPECT_TRUE(platform.IsFolder("C:\\Temp\\Mwn1A2C.TMP"));
}

}  // namespace
