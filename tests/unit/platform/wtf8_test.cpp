#include "platform/wtf8.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "platform/platform.h"
#include "update/base/json.h"

using mwn::BadBytes;

namespace {

std::u16string Units(const std::string& text, BadBytes bad = BadBytes::kRefuse) {
  std::u16string units;
  EXPECT_TRUE(mwn::Utf16FromWtf8(text, units, bad)) << text;
  return units;
}

std::string Spelling(const std::u16string& units) {
  return mwn::Wtf8FromUtf16(units.data(), units.size());
}

}  // namespace

// Every name the system can give comes back as the same units, however it is
// written: any script, characters beyond the first 65,536, and surrogates
// that pair with nothing (which NTFS keeps in names).
TEST(Wtf8, EveryKindOfNameRoundTripsExactly) {
  const std::u16string names[] = {
      u"Mwn.exe",     u"Übung àé",   u"Łukasz żółć", u"Документы",   u"Πρόγραμμα",
      u"程序文件",    u"表ソ能",     u"📦 Apps",     u"\xD800",      u"a\xDFFFz",
      u"\xDC00\xD800", u"\xD83D",    u"x\xDBFF",     u"\xFFFF\xFFFE"};
  for (const std::u16string& name : names) {
    const std::string spelt = Spelling(name);
    EXPECT_EQ(Units(spelt), name) << spelt;
    EXPECT_EQ(mwn::Utf16Length(spelt), name.size()) << spelt;
  }
  // Valid UTF-16 is spelt as plain UTF-8.
  EXPECT_EQ(Spelling(u"Łódź📦"), "Łódź📦");
  EXPECT_EQ(Spelling(u"\xD800"), "\xED\xA0\x80");
}

TEST(Wtf8, LongestPathRoundTrips) {
  std::u16string path = u"\\\\?\\C:";
  while (path.size() + 3 < mwn::kMaxPath) path += u"\\Ж📦";
  const std::string spelt = Spelling(path);
  EXPECT_EQ(Units(spelt), path);
  EXPECT_EQ(mwn::Utf16Length(spelt), path.size());
  EXPECT_GT(spelt.size(), path.size());
}

// A damaged list file: bytes that spell no name are refused when the name
// would reach a file, and shown as U+FFFD, one for each bad sequence.
TEST(Wtf8, BadBytesAreRefusedOrShownAsReplacements) {
  const std::string bad[] = {"Caf\xE9",           "\x80",         "a\xC3",
                             "\xC0\x80",          "\xE0\x80\x80", "\xF5\x80\x80\x80",
                             "\xF4\x90\x80\x80",  "\xE8\xA1",     "\xED\xA0\x80\xED\xB0\x80"};
  for (const std::string& text : bad) {
    std::u16string units = u"left over";
    EXPECT_FALSE(mwn::Utf16FromWtf8(text, units, BadBytes::kRefuse)) << text;
    EXPECT_TRUE(units.empty());
    EXPECT_FALSE(mwn::IsWtf8(text));
  }
  EXPECT_EQ(Units("Caf\xE9 ok", BadBytes::kReplace), u"Caf\xFFFD ok");
  EXPECT_EQ(Units("\xE8\xA1!\x80", BadBytes::kReplace), u"\xFFFD!\xFFFD");
  EXPECT_EQ(Units("\xED\xA0\x80\xED\xB0\x80", BadBytes::kReplace), u"\xD800\xFFFD");
  EXPECT_TRUE(mwn::IsWtf8("C:\\Łukasz\\\xED\xB0\x80"));
}

// The report's one escaping routine: names in any script stay as they are,
// a lone surrogate keeps its identity as an escape, and nothing the program
// holds can end a string early or break the document.
TEST(Wtf8, JsonStringsKeepEveryNameAndEscapeWhatJsonMust) {
  const std::pair<std::string, std::string> cases[] = {
      {"C:\\Apps\\Mwn.exe", "\"C:\\\\Apps\\\\Mwn.exe\""},
      {"Документы 日本 \xF0\x9F\x98\x80", "\"Документы 日本 \xF0\x9F\x98\x80\""},
      {"say \"hi\"\r\n\t\x01", "\"say \\\"hi\\\"\\r\\n\\t\\u0001\""},
      {"a\xED\xA0\x80z", "\"a\\uD800z\""},          // a high surrogate alone
      {"\xED\xBF\xBF", "\"\\uDFFF\""},                // a low one
      {"bad \xFF byte", "\"bad \xEF\xBF\xBD byte\""},  // no character: U+FFFD
      {"", "\"\""},
  };
  for (const auto& [text, json] : cases) EXPECT_EQ(mwn::JsonString(text), json) << json;
}
