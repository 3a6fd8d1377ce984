#include "update/errors.h"

#include <gtest/gtest.h>

#include "fake_platform.h"

namespace {

TEST(InOutError, MessagesByCode) {
  EXPECT_EQ(mwn::EInOutError(2).Message(), "File not found");
  EXPECT_EQ(mwn::EInOutError(3).Message(), "Invalid filename");
  EXPECT_EQ(mwn::EInOutError(4).Message(), "Too many open files");
  EXPECT_EQ(mwn::EInOutError(5).Message(), "File access denied");
  EXPECT_EQ(mwn::EInOutError(100).Message(), "Read beyond end of file");
  EXPECT_EQ(mwn::EInOutError(101).Message(), "Disk full");
  EXPECT_EQ(mwn::EInOutError(106).Message(), "Invalid numeric input");
  EXPECT_EQ(mwn::EInOutError(112).Message(), "I/O error 112");
  EXPECT_EQ(mwn::EInOutError(145).Message(), "I/O error 145");
  EXPECT_EQ(mwn::EInOutError(145).Code(), 145u);
}

TEST(WithClosingPeriod, AppendedOnlyAfterACharacterAbovePeriod) {
  EXPECT_EQ(mwn::WithClosingPeriod("Done!"), "Done!");
  EXPECT_EQ(mwn::WithClosingPeriod("x."), "x.");
  EXPECT_EQ(mwn::WithClosingPeriod("error"), "error.");
  EXPECT_EQ(mwn::WithClosingPeriod(""), "");
  EXPECT_EQ(mwn::WithClosingPeriod("I/O error 112"), "I/O error 112.");
  EXPECT_EQ(mwn::WithClosingPeriod("ends in a dash -"), "ends in a dash -");
  EXPECT_EQ(mwn::WithClosingPeriod("caf\xE9"), "caf\xE9.");  // compared unsigned
}

TEST(ShowErrorMessage, StopIconCaptionedWithTheTitleAndNothingForAbort) {
  FakePlatform platform;
  mwn::ShowErrorMessage(platform, "Mwnupdate", mwn::EDecompressionError());
  mwn::ShowErrorMessage(platform, "Mwnupdate", mwn::EOutOfMemory());
  mwn::ShowErrorMessage(platform, "Mwnupdate", mwn::EAbort());
  ASSERT_EQ(platform.boxes.size(), 2u);
  EXPECT_EQ(platform.boxes[0].text, "error.");
  EXPECT_EQ(platform.boxes[0].caption, "Mwnupdate");
  EXPECT_EQ(platform.boxes[0].flags, mwn::kMbIconStop);
  EXPECT_EQ(platform.boxes[1].text, "Out of memory.");
}

}  // namespace
