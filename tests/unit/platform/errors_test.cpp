#include "platform/errors.h"

#include <gtest/gtest.h>

namespace {

TEST(InOutError, NamedCodesHaveTheirTextOthersTheirNumber) {
  EXPECT_EQ(mwn::EInOutError(mwn::kErrorAccessDenied).Message(), "File access denied");
  EXPECT_EQ(mwn::EInOutError(112).Message(), "I/O error 112");
  EXPECT_EQ(mwn::EInOutError(0).Message(), "I/O error 0");
  EXPECT_EQ(mwn::EInOutError(145).Code(), 145u);
  EXPECT_EQ(mwn::EInOutError(mwn::kIoShortWrite).Message(), "Disk full");
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

}  // namespace
