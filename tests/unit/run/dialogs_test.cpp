#include "update/run/dialogs.h"

#include <gtest/gtest.h>

#include "fake_platform.h"
#include "platform/errors.h"
#include "update/base/texts.h"

namespace {

TEST(ApplicationTitle, NameWithoutFolderCutAtFirstDotRestLowerCase) {
  EXPECT_EQ(mwn::ApplicationTitle("C:\\X\\MwnUpdate.exe"), "Mwnupdate");
  EXPECT_EQ(mwn::ApplicationTitle("C:\\X\\UPDATER.EXE"), "Updater");
  EXPECT_EQ(mwn::ApplicationTitle("D:\\a.b.exe"), "a");
  EXPECT_EQ(mwn::ApplicationTitle("\\\\srv\\apps\\Setup.v2.EXE"), "Setup");
  EXPECT_EQ(mwn::ApplicationTitle("C:mwn.exe"), "mwn");
}

TEST(CaptionFrame, OneToSevenPairsThenRoundAgain) {
  EXPECT_EQ(mwn::CaptionFrame(0), "Mwn Update .");
  EXPECT_EQ(mwn::CaptionFrame(1), "Mwn Update . .");
  EXPECT_EQ(mwn::CaptionFrame(6), "Mwn Update . . . . . . .");
  EXPECT_EQ(mwn::CaptionFrame(7), "Mwn Update .");
}

TEST(Questions, OnlyOkConfirmsAndOnlyYesCloses) {
  FakePlatform platform;
  platform.boxAnswers = {mwn::kIdOk, mwn::kIdCancel, 0, mwn::kIdYes, mwn::kIdNo, 0};
  EXPECT_TRUE(mwn::Confirm(platform));
  EXPECT_FALSE(mwn::Confirm(platform));
  EXPECT_FALSE(mwn::Confirm(platform));
  EXPECT_TRUE(mwn::AskClose(platform));
  EXPECT_FALSE(mwn::AskClose(platform));
  EXPECT_FALSE(mwn::AskClose(platform));
  ASSERT_EQ(platform.boxes.size(), 6u);
  EXPECT_EQ(platform.boxes[0].flags, mwn::kMbOkCancel);
  EXPECT_EQ(platform.boxes[0].caption, "Update Marlowen Now?");
  EXPECT_EQ(platform.boxes[3].flags, mwn::kMbYesNo);
  EXPECT_EQ(platform.boxes[3].text, "Marlowen Update has completed it's processing.  Close?");
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
